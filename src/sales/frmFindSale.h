#pragma once

#include "platform/FormDialog.h"
#include "returns/Returns.h"

struct AppContext;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// Finds a completed sale by its number (typed, or scanned from its receipt) or lists a day's
// sales; the selected sale's lines are shown beneath. "Reprint" prints the selected sale's
// receipt again, marked "COPY"; "Return..." takes part of it back.
class frmFindSale : public FormDialog
{
    Q_OBJECT

public:
    explicit frmFindSale(AppContext& ctx, QWidget* parent = nullptr);
    ~frmFindSale() override;

    // Finds the sale with the number in the number box; false (with a message) when there is none.
    bool findSale();
    // Lists the sales of the day in the day box.
    void listDay();

private:
    void buildLayout();
    void showSales(const QVector<SaleSummary>& sales);
    void showSelected();
    void reprint();
    void returnSale();
    // The selected sale, read again; none (with a message when asked) when there is none.
    std::optional<FoundSale> selected(bool tell);
    void refusal(const FoundSale& found, const QString& number);

    AppContext& m_ctx;
    Returns m_returns;
    QVector<SaleSummary> m_sales;

    QLineEdit* m_txtSaleNumber = nullptr;
    QPushButton* m_cmdFind = nullptr;
    QDateEdit* m_dtpDay = nullptr;
    QPushButton* m_cmdListDay = nullptr;
    QTableWidget* m_grdSales = nullptr;
    QLabel* m_lblLines = nullptr;
    QTableWidget* m_grdLines = nullptr;
    QPushButton* m_cmdReprint = nullptr;
    QPushButton* m_cmdReturn = nullptr;
    QPushButton* m_cmdClose = nullptr;
};
