#pragma once

#include "platform/FormDialog.h"

#include <QString>

#include <optional>

struct AppContext;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The payment window: the amount due, the cash tendered and the change. Submit computes the
// change and turns "Cancel" into "Finish"; Finish (or Enter in the cash box) stores the sale.
// With "Print receipt" ticked (remembered per till, with its paper), the stored sale's receipt
// is printed. Closes Accepted when the sale was stored, Reopen when the cart changed under it,
// Rejected when cancelled. When an exchange left a credit at this till, the window shows it and
// asks for the amount due less the credit, or shows what is paid back. A card part (what the
// separate card terminal approved) pays part of the rest, never more; the cash covers what is
// left, and the change comes from the cash alone.
class frmTotal : public FormDialog
{
    Q_OBJECT

public:
    frmTotal(AppContext& ctx, const QString& amountDue, const QString& saleNumber, const QString& cashier,
             QWidget* parent = nullptr);
    ~frmTotal() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateSubmitGate();
    void submit();
    void cancelOrFinish();
    void completeSale();
    void saveReceiptSettings();
    // A discount on the whole sale, before Submit; the amount due follows it.
    void discountSale();
    void showAmountDue(const QString& amountDue);
    void dropSaleDiscount();
    // The card part typed (0 when empty); none when it is no amount or more than is left to pay.
    std::optional<qint64> cardPart(QString* why = nullptr) const;
    // What the cash must cover: what is left to pay less the card part, "0.00".
    QString cashTag() const;

    AppContext& m_ctx;
    QString m_amountDue;
    QString m_saleNumber;
    QString m_cashier;
    QString m_amountTag;     // the amount due, "0.00"
    QString m_changeTag;     // the change of the last Submit, "0.00"
    QString m_submittedCash; // the cash box text at the last Submit
    qint64 m_credit = 0;     // an exchange's credit waiting at this till, in cents
    qint64 m_toPay = 0;      // the amount due less the credit, in cents (0 when it is paid back)
    QString m_submittedCard; // the card box text at the last Submit

    QLabel* m_lblAmt = nullptr;
    QLabel* m_lblChange = nullptr;
    QLabel* m_lblCashHint = nullptr;
    QLineEdit* m_tAmt = nullptr;
    QLineEdit* m_tCard = nullptr;
    QLabel* m_lblDue = nullptr; // what is still due after the card and the cash typed
    QPushButton* m_cmdOrder = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QPushButton* m_cmdDiscount = nullptr;
    QLabel* m_lblTax = nullptr;   // the sale's discounts and tax, when it has any
    QLabel* m_lblToPay = nullptr; // with an exchange's credit: what is left to pay or paid back
    QCheckBox* m_chkReceipt = nullptr;
    QComboBox* m_cboPaper = nullptr;
};
