#include "sales/frmTotal.h"

#include "data/Database.h"
#include "data/TextForms.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "pricing/PricingStore.h"
#include "returns/Returns.h"
#include "sales/Cart.h"
#include "sales/Receipt.h"
#include "sales/ReceiptStore.h"
#include "sales/frmDiscount.h"
#include "session/AppContext.h"
#include "till/TillAmount.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kCancel = QStringLiteral("Cancel");
const QString kFinish = QStringLiteral("Finish");

QLabel* figure(QWidget* parent, const char* name, int pointSize)
{
    auto* label = new QLabel(QStringLiteral("0.00"), parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont f = label->font();
    f.setPointSize(pointSize);
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    // Tab reaches the buttons; Space or Enter on a focused button presses it. Enter in the
    // cash box is the window's own (Submit, then Finish).
    b->setFocusPolicy(Qt::StrongFocus);
    b->setAutoDefault(true);
    b->setDefault(false);
    b->setMinimumSize(130, 44);
    QFont f = b->font();
    f.setPointSize(f.pointSize() + 2);
    f.setBold(true);
    b->setFont(f);
    return b;
}

} // namespace

frmTotal::frmTotal(AppContext& ctx, const QString& amountDue, const QString& saleNumber, const QString& cashier,
                   QWidget* parent)
    : FormDialog(parent), m_ctx(ctx), m_amountDue(amountDue), m_saleNumber(saleNumber), m_cashier(cashier)
{
    setObjectName(QStringLiteral("frmTotal"));
    setWindowTitle(QStringLiteral("AMOUNT DUE"));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("fraAmount"));
    panel->setStyleSheet(QStringLiteral("#fraAmount { background: #1f2d3d; border-radius: 6px; }"
                                        "#fraAmount QLabel { color: #e8eef5; }"
                                        "#fraAmount #lblAmt { color: #7CFC9A; }"));
    auto* dueCaption = new QLabel(QStringLiteral("AMOUNT DUE"), panel);
    m_lblAmt = figure(panel, "lblAmt", 34);
    m_lblAmt->setText(amountDue);
    auto* panelBox = new QVBoxLayout(panel);
    panelBox->setContentsMargins(16, 10, 16, 10);
    panelBox->addWidget(dueCaption);
    panelBox->addWidget(m_lblAmt);
    m_lblTax = new QLabel(panel);
    m_lblTax->setObjectName(QStringLiteral("lblTax"));
    m_lblTax->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lblTax->hide();
    panelBox->addWidget(m_lblTax);

    QFont captionFont = font();
    captionFont.setPointSize(captionFont.pointSize() + 4);
    captionFont.setBold(true);
    dueCaption->setFont(captionFont);
    auto* cashCaption = new QLabel(QStringLiteral("CASH:"), this);
    cashCaption->setFont(captionFont);
    m_tAmt = new QLineEdit(this);
    m_tAmt->setObjectName(QStringLiteral("tAmt"));
    QFont cashFont = font();
    cashFont.setPointSize(24);
    m_tAmt->setFont(cashFont);
    m_tAmt->setAlignment(Qt::AlignRight);
    auto* cardCaption = new QLabel(QStringLiteral("CARD:"), this);
    cardCaption->setFont(captionFont);
    m_tCard = new QLineEdit(this);
    m_tCard->setObjectName(QStringLiteral("tCard"));
    m_tCard->setFont(cashFont);
    m_tCard->setAlignment(Qt::AlignRight);
    m_tCard->setPlaceholderText(QStringLiteral("0.00"));
    m_tCard->setToolTip(QStringLiteral("The amount the card terminal approved"));
    auto* dueCaption2 = new QLabel(QStringLiteral("STILL DUE:"), this);
    dueCaption2->setFont(captionFont);
    m_lblDue = figure(this, "lblDue", 20);
    auto* changeCaption = new QLabel(QStringLiteral("CHANGE:"), this);
    changeCaption->setFont(captionFont);
    m_lblChange = figure(this, "lblChange", 28);

    // Why the cash box's text is no amount (a separator out of place), shown while it is not.
    m_lblCashHint = new QLabel(this);
    m_lblCashHint->setObjectName(QStringLiteral("lblCashHint"));
    m_lblCashHint->setWordWrap(true);
    m_lblCashHint->setStyleSheet(QStringLiteral("color: #b02020;"));
    m_lblCashHint->setMinimumHeight(m_lblCashHint->fontMetrics().lineSpacing() * 3 + 4); // its longest text
    m_lblCashHint->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(cashCaption, 0, 0);
    grid->addWidget(m_tAmt, 0, 1);
    grid->addWidget(cardCaption, 1, 0);
    grid->addWidget(m_tCard, 1, 1);
    grid->addWidget(m_lblCashHint, 2, 1);
    grid->addWidget(dueCaption2, 3, 0);
    grid->addWidget(m_lblDue, 3, 1);
    grid->addWidget(changeCaption, 4, 0);
    grid->addWidget(m_lblChange, 4, 1);
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(14);

    // The receipt settings of this till. Neither takes the keyboard focus, so the cash box keeps
    // it and Tab goes on moving between the cash box and the buttons.
    m_chkReceipt = new QCheckBox(QStringLiteral("Print receipt"), this);
    m_chkReceipt->setObjectName(QStringLiteral("chkReceipt"));
    m_chkReceipt->setFocusPolicy(Qt::NoFocus);
    m_chkReceipt->setToolTip(QStringLiteral("Alt+P"));
    auto* paperCaption = new QLabel(QStringLiteral("Paper:"), this);
    m_cboPaper = new QComboBox(this);
    m_cboPaper->setObjectName(QStringLiteral("cboPaper"));
    m_cboPaper->setFocusPolicy(Qt::NoFocus);
    m_cboPaper->addItem(QStringLiteral("80 mm roll"), paperName(ReceiptPaper::Roll80));
    m_cboPaper->addItem(QStringLiteral("A4"), paperName(ReceiptPaper::A4));
    QFont settingFont = font();
    settingFont.setPointSize(settingFont.pointSize() + 2);
    for (QWidget* w : std::initializer_list<QWidget*>{m_chkReceipt, paperCaption, m_cboPaper})
        w->setFont(settingFont);
    auto* receipt = new QHBoxLayout;
    receipt->addWidget(m_chkReceipt);
    receipt->addStretch(1);
    receipt->addWidget(paperCaption);
    receipt->addWidget(m_cboPaper);

    m_cmdOrder = button(this, "cmdOrder", QStringLiteral("Submit"));
    m_cmdCancel = button(this, "cmdCancel", kCancel);
    m_cmdDiscount = button(this, "cmdDiscount", QStringLiteral("Discount..."));
    // Reached by Alt+D or the mouse: Tab keeps moving between the cash box and Submit and Cancel.
    m_cmdDiscount->setFocusPolicy(Qt::NoFocus);
    m_cmdDiscount->setToolTip(QStringLiteral("Alt+D"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdDiscount);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOrder);
    buttons->addWidget(m_cmdCancel);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 18, 18, 18);
    outer->setSpacing(16);
    outer->addWidget(panel);
    // An exchange's credit: what is left to pay, or what goes back to the customer.
    const Credit credit = Returns(m_ctx.db, m_ctx.till).pendingCredit();
    m_credit = credit.amount;
    if (m_credit > 0) {
        auto* lblCredit = new QLabel(
            QStringLiteral("CREDIT (return No. %1): %2").arg(credit.returnsText(), Cents::text(-m_credit)), this);
        lblCredit->setObjectName(QStringLiteral("lblCredit"));
        lblCredit->setFont(captionFont);
        m_lblToPay = new QLabel(this); // filled in by showAmountDue
        m_lblToPay->setObjectName(QStringLiteral("lblToPay"));
        m_lblToPay->setFont(captionFont);
        outer->addWidget(lblCredit);
        outer->addWidget(m_lblToPay);
    }
    outer->addLayout(grid);
    outer->addStretch(1);
    outer->addLayout(receipt);
    outer->addLayout(buttons);
    // The window grows when the cash hint appears, rather than squeezing it.
    outer->setSizeConstraint(QLayout::SetMinimumSize);
    resizeToScreen(this, QSize(460, 470));

    // Opening: the amount due as the sales window shows it, and its plain form.
    m_amountTag = FormatText(m_amountDue, NumberPattern::Plain2);
    // With a credit the cash covers what is left to pay.
    if (m_credit > 0)
        m_amountTag = Cents::plainText(std::max<qint64>(0, Cents::fromText(m_amountDue).value_or(0) - m_credit));
    m_changeTag = QStringLiteral("0.00");
    m_toPay = Cents::fromText(m_amountTag).value_or(0);

    connect(m_tAmt, &QLineEdit::textChanged, this, &frmTotal::updateSubmitGate);
    connect(m_tCard, &QLineEdit::textChanged, this, &frmTotal::updateSubmitGate);
    m_tCard->installEventFilter(this);
    connect(m_cmdOrder, &QPushButton::clicked, this, &frmTotal::submit);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmTotal::cancelOrFinish);
    connect(m_cmdDiscount, &QPushButton::clicked, this, &frmTotal::discountSale);
    // Alt+D from anywhere in the window, the cart list included.
    auto* discountKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_D), this);
    connect(discountKey, &QShortcut::activated, m_cmdDiscount, &QPushButton::click);

    const ReceiptSettings settings = ReceiptStore(m_ctx.db, m_ctx.till).settings();
    m_chkReceipt->setChecked(settings.printOnFinish);
    m_cboPaper->setCurrentIndex(m_cboPaper->findData(paperName(settings.paper)));
    connect(m_chkReceipt, &QCheckBox::toggled, this, &frmTotal::saveReceiptSettings);
    connect(m_cboPaper, &QComboBox::activated, this, &frmTotal::saveReceiptSettings);
    auto* toggle = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_P), this);
    connect(toggle, &QShortcut::activated, m_chkReceipt, &QCheckBox::toggle);
    m_tAmt->installEventFilter(this);
    showAmountDue(m_amountDue);
    updateSubmitGate();
    m_tAmt->setFocus();
}

frmTotal::~frmTotal() = default;

void frmTotal::showAmountDue(const QString& amountDue)
{
    m_amountDue = amountDue;
    m_lblAmt->setText(amountDue);
    m_amountTag = FormatText(m_amountDue, NumberPattern::Plain2);
    if (m_credit > 0) {
        // What is left to pay after the credit, or what goes back, follows a sale discount too.
        const qint64 due = Cents::fromText(m_amountDue).value_or(0);
        m_amountTag = Cents::plainText(std::max<qint64>(0, due - m_credit));
        m_lblToPay->setText(due >= m_credit ? QStringLiteral("TO PAY: %1").arg(Cents::text(due - m_credit))
                                            : QStringLiteral("TO PAY BACK: %1").arg(Cents::text(m_credit - due)));
    }
    m_toPay = Cents::fromText(m_amountTag).value_or(0);
    const QString summary = PricingStore(m_ctx.db, m_ctx.till).openSaleSummary(m_saleNumber);
    m_lblTax->setText(summary);
    m_lblTax->setVisible(!summary.isEmpty());
    updateSubmitGate();
}

void frmTotal::discountSale()
{
    if (m_cmdCancel->text() != kCancel)
        return;
    frmDiscount discount(m_ctx, m_saleNumber, {}, QStringLiteral("The whole sale, %1").arg(m_lblAmt->text()), this);
    if (m_ctx.platform.showModal(discount) == QDialog::Accepted)
        showAmountDue(FormatText(Cart(m_ctx.db, m_ctx.till).cartTotalText(), NumberPattern::Grouped2));
    m_tAmt->setFocus();
}

std::optional<qint64> frmTotal::cardPart(QString* why) const
{
    if (m_tCard->text().trimmed().isEmpty())
        return 0;
    const AmountReading card = readAmount(m_tCard->text());
    if (!card.cents) {
        if (why)
            *why = QStringLiteral("The Card is no amount: %1.").arg(card.why);
        return std::nullopt;
    }
    if (*card.cents > m_toPay) {
        if (why)
            *why = QStringLiteral("The Card is more than is left to pay (%1): no cash back on a card.")
                       .arg(Cents::text(m_toPay));
        return std::nullopt;
    }
    return card.cents;
}

QString frmTotal::cashTag() const
{
    // An amount due that cannot be paid stays what it is, so no cash covers it.
    const auto toPay = Cents::fromText(m_amountTag);
    if (!toPay || *toPay < 0)
        return m_amountTag;
    return Cents::plainText(m_toPay - cardPart().value_or(0));
}

void frmTotal::updateSubmitGate()
{
    QString cardWhy;
    const auto card = cardPart(&cardWhy);
    m_cmdOrder->setEnabled(card && cashCovers(m_tAmt->text(), cashTag()));
    const TypedReading cash = cashReading(m_tAmt->text());
    const QString hint = !card        ? cardWhy
                         : cash.value ? QString()
                                      : QStringLiteral("The Cash is no amount: %1.").arg(cash.why);
    m_lblCashHint->setText(hint);
    m_lblCashHint->setVisible(!hint.isEmpty());
    const qint64 typedCash = Cents::fromValue(cash.value.value_or(0));
    m_lblDue->setText(Cents::text(std::max<qint64>(0, m_toPay - card.value_or(0) - std::max<qint64>(0, typedCash))));
}

void frmTotal::submit()
{
    if (!cardPart() || !cashCovers(m_tAmt->text(), cashTag()))
        return;
    m_cmdOrder->setEnabled(false);
    // What is settled now is what Finish stores: typing after this reaches the record only
    // through another Submit.
    m_submittedCash = m_tAmt->text();
    m_submittedCard = m_tCard->text();
    m_lblChange->setText(changeFor(m_submittedCash, cashTag()));
    m_changeTag = m_lblChange->text();
    m_cmdCancel->setText(kFinish);
    m_cmdDiscount->setEnabled(false);
    m_tAmt->setFocus();
    updateSubmitGate(); // Submit may be pressed again while the cash covers the amount
}

void frmTotal::cancelOrFinish()
{
    if (m_cmdCancel->text() == kCancel) {
        dropSaleDiscount();
        closeWindow(QDialog::Rejected);
    } else
        completeSale();
}

void frmTotal::completeSale()
{
    Platform& p = m_ctx.platform;
    Cart cart(m_ctx.db, m_ctx.till);
    // The sale stores the cash and change of the last Submit, and only while the cash box
    // still shows cash that covers the amount due (otherwise that cash is refused as short).
    const QString cash = cashCovers(m_tAmt->text(), cashTag()) ? m_submittedCash : m_tAmt->text();
    // The card part is the one of the last Submit: a card box changed since is submitted again.
    if (m_tCard->text() != m_submittedCard) {
        p.message(this, QStringLiteral("The Card was changed after Submit: press Submit again."),
                  Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        m_tCard->setFocus();
        return;
    }
    const qint64 card = cardPart().value_or(-1);
    const SaleResult r = cart.completeSale(m_amountDue, cash, m_saleNumber, m_cashier, m_credit, card);
    switch (r.outcome) {
    case SaleOutcome::Completed:
        // The sale is stored; its receipt follows, and nothing that befalls the printing
        // (it has its own messages) changes the sale.
        if (m_chkReceipt->isChecked())
            printReceipt(m_ctx, this, r.sale, paperFromName(m_cboPaper->currentData().toString()));
        closeWindow(QDialog::Accepted);
        return;
    case SaleOutcome::NotPayable:
        p.message(this, totalProblemText(r.problem), Platform::applicationTitle(), QMessageBox::Ok,
                  QMessageBox::Warning);
        return;
    case SaleOutcome::NoSettings:
        p.message(this,
                  QStringLiteral("The sale was not stored: the settings row is missing from tblMain, so the sale "
                                 "number cannot be kept."),
                  Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    case SaleOutcome::CashShort:
        p.message(this, QStringLiteral("Cash tendered is less than the amount due!"), Platform::applicationTitle(),
                  QMessageBox::Ok, QMessageBox::Warning);
        m_tAmt->setFocus();
        m_tAmt->selectAll();
        return;
    case SaleOutcome::EmptyCart:
    case SaleOutcome::CartChanged:
        p.message(this,
                  QStringLiteral("The cart was changed while it was being paid for, so the sale was not stored.\n"
                                 "Check the cart and process it again."),
                  Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        closeWindow(FormDialog::Reopen);
        return;
    case SaleOutcome::CreditChanged:
        p.message(this,
                  QStringLiteral("The exchange's credit at this till changed while the sale was being paid for, so "
                                 "the sale was not stored.\nProcess the cart again."),
                  Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        closeWindow(FormDialog::Reopen);
        return;
    case SaleOutcome::CardAboveDue:
        p.message(this, QStringLiteral("The Card part is more than is left to pay; there is no cash back on a card."),
                  Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    case SaleOutcome::WriteFailed:
        p.writeFailed(this, QStringLiteral("The sale was not stored: the cart and the sale number are unchanged."),
                      r.error);
        return;
    }
}

void frmTotal::dropSaleDiscount()
{
    // A payment given up takes its sale discount along; the lines keep theirs.
    if (!PricingStore(m_ctx.db, m_ctx.till).dropSaleDiscount(m_saleNumber))
        m_ctx.platform.writeFailed(this, QStringLiteral("The sale's discount could not be taken away."),
                                   m_ctx.db.lastError());
}

void frmTotal::saveReceiptSettings()
{
    const ReceiptSettings settings{m_chkReceipt->isChecked(), paperFromName(m_cboPaper->currentData().toString())};
    QString error;
    if (!ReceiptStore(m_ctx.db, m_ctx.till).saveSettings(settings, &error))
        m_ctx.platform.writeFailed(
            this, QStringLiteral("The receipt setting of this till was not saved; it holds for this sale only."),
            error);
}

bool frmTotal::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_tAmt || watched == m_tCard) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (m_cmdCancel->text() == kFinish)
                completeSale();
            else if (m_cmdOrder->isEnabled())
                submit();
            return true;
        }
    }
    return FormDialog::eventFilter(watched, event);
}

void frmTotal::keyPressEvent(QKeyEvent* event)
{
    // Escape before Submit is Cancel; after Submit the payment ends only with a stored sale.
    if (event->key() == Qt::Key_Escape) {
        if (m_cmdCancel->text() == kCancel) {
            dropSaleDiscount();
            closeWindow(QDialog::Rejected);
        }
        return;
    }
    FormDialog::keyPressEvent(event);
}
