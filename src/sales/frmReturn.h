#pragma once

#include "platform/FormDialog.h"
#include "returns/Returns.h"

struct AppContext;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// Takes part of a completed sale back: one row per sold item with what was sold, returned and is
// still returnable, the price as charged, the quantity to take back and whether it goes back to
// stock. A cashier who is not an administrator has an administrator type a user name and
// password into the approval boxes. "Finish" stores the return once; the refund to hand over is
// shown and the return's receipt can be printed. "Exchange" stores it the same way, but its refund
// becomes a credit for the next sale at this till instead of cash handed over.
class frmReturn : public FormDialog
{
    Q_OBJECT

public:
    frmReturn(AppContext& ctx, const FoundSale& sale, QWidget* parent = nullptr);
    ~frmReturn() override;

    // The return stored by Finish; 0 while none is.
    qint64 storedReturn() const { return m_stored.returnNumber; }
    qint64 storedRefund() const { return m_stored.refund; }
    // True when the return was stored as an exchange: its refund waits as a credit in the cart.
    bool exchanged() const { return m_exchanged; }

private:
    void buildLayout();
    void updateRefund();
    void finish(bool exchange);
    ReturnRequest request(bool exchange) const;
    void refused(const ReturnResult& result);
    QString cashier() const;
    QString accountType() const;

    AppContext& m_ctx;
    Returns m_returns;
    FoundSale m_sale;
    QString m_confirmation;
    ReturnResult m_stored;
    bool m_finishing = false;
    bool m_exchanged = false;

    QLabel* m_lblSale = nullptr;
    QTableWidget* m_grdReturn = nullptr;
    QLineEdit* m_txtReason = nullptr;
    QGroupBox* m_grpApproval = nullptr;
    QLineEdit* m_txtApprover = nullptr;
    QLineEdit* m_txtApproverPassword = nullptr;
    QLabel* m_lblRefund = nullptr;
    QPushButton* m_cmdFinish = nullptr;
    QPushButton* m_cmdExchange = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
