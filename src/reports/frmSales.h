#pragma once

#include "platform/FormDialog.h"

struct AppContext;
class DataControl;
class DataGrid;
class QCalendarWidget;
class QLineEdit;
class QPushButton;

// The sales ledger: every completed sale, narrowed to a day picked from a calendar with that
// day's count and takings, the saved daily summaries beside it, and the way to the report
// printing window.
class frmSales : public FormDialog
{
    Q_OBJECT

public:
    explicit frmSales(AppContext& ctx, QWidget* parent = nullptr);
    ~frmSales() override;

    // Sets txtSales to the total AmountDue of the day in txtSearch.
    void SumSalesForDate();

private:
    void buildLayout();
    void onCalendarButton();
    void onDayPicked(const QDate& day);
    void onDaySearch();
    void onSave();
    void onRefresh();
    void onPrintSettings();
    void ledgerChanged();
    void showSummary();
    void onFindSale();

    AppContext& m_ctx;
    DataControl* m_adoLog1 = nullptr; // the ledger
    DataControl* m_adoLog2 = nullptr; // the daily summaries
    DataControl* m_adoNot = nullptr;

    DataGrid* m_DataGrid2 = nullptr;
    DataGrid* m_DataGrid1 = nullptr;
    QLineEdit* m_txtSearch = nullptr;
    QLineEdit* m_txtSales = nullptr;
    QLineEdit* m_Text1 = nullptr;
    QLineEdit* m_Text4 = nullptr;
    QLineEdit* m_Text3 = nullptr;
    QLineEdit* m_Text2 = nullptr;
    QLineEdit* m_txtRefunds = nullptr;
    QLineEdit* m_txtNet = nullptr;
    QLineEdit* m_txtDailyRefunds = nullptr;
    QLineEdit* m_txtDailyNet = nullptr;
    QPushButton* m_lvButtons_H1 = nullptr;
    QCalendarWidget* m_Calendar1 = nullptr;
};
