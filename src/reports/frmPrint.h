#pragma once

#include "platform/FormDialog.h"

struct AppContext;
class BandedReport;
class DataControl;
class DataGrid;
class QCalendarWidget;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Recordset;
struct RefundTotal;

// The report printing window: the sales report for one day or for a span of days, each
// previewed in a grid with its total before it is printed.
class frmPrint : public FormDialog
{
    Q_OBJECT

public:
    explicit frmPrint(AppContext& ctx, QWidget* parent = nullptr);
    ~frmPrint() override;

    // Set txtSales to the total of the day in txtDate, Text3 to that of the span Text1 to Text2.
    void SumSalesForDate();
    // False when the adding up was stopped.
    bool SumSalesForRange();

private:
    void buildLayout();
    QCalendarWidget* makeCalendar(const QString& name, QLineEdit* target);
    void openCalendar(QCalendarWidget* calendar, QWidget* below);
    void onOption1();
    void onOption2();
    void onShowByDate();
    void onShowByCutoff();
    void onPrintByDate();
    void onPrintByCutoff();
    void gridChanged();
    // The sales report of the rows, with the refunds of the same day or span when they could be read.
    // `days` (as the sales record them) name the sales whose discounts and tax are printed.
    void printReport(const Recordset& rows, const QString& total, const RefundTotal& refunds, const QStringList& days);
    void notify(const QString& title, const QString& message);

    AppContext& m_ctx;
    DataControl* m_adoNot = nullptr;
    DataControl* m_rows = nullptr; // the sales of the last Show or Print
    qint64 m_spanSales = -1;       // their number when a span's were counted as they were added up

    QRadioButton* m_Option1 = nullptr;
    QRadioButton* m_Option2 = nullptr;
    QGroupBox* m_Frame1 = nullptr;
    QGroupBox* m_Frame2 = nullptr;
    QLineEdit* m_txtDate = nullptr;
    QLineEdit* m_txtSales = nullptr;
    QLineEdit* m_Text1 = nullptr;
    QLineEdit* m_Text2 = nullptr;
    QLineEdit* m_Text3 = nullptr;
    QPushButton* m_lvButtons_H1 = nullptr;
    QPushButton* m_lvButtons_H2 = nullptr;
    QPushButton* m_lvButtons_H3 = nullptr;
    QPushButton* m_lvButtons_H4 = nullptr;
    QPushButton* m_lvButtons_H5 = nullptr;
    QCalendarWidget* m_Calendar1 = nullptr;
    QCalendarWidget* m_Calendar2 = nullptr;
    QCalendarWidget* m_Calendar3 = nullptr;
    DataGrid* m_DataGrid1 = nullptr;
    QLabel* m_Label7 = nullptr;
};
