#include "sales/frmReturn.h"

#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "sales/Receipt.h"
#include "sales/ReceiptStore.h"
#include "session/AppContext.h"
#include "session/SessionState.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QUuid>
#include <QVBoxLayout>

namespace {

enum Column { ItemNo, Item, Sold, Returned, Returnable, Price, ToReturn, BackToStock, Refund, ColumnCount };

QTableWidgetItem* fixed(const QString& text, bool figure = true)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    if (figure)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

frmReturn::frmReturn(AppContext& ctx, const FoundSale& sale, QWidget* parent)
    : FormDialog(parent), m_ctx(ctx), m_returns(ctx.db, ctx.till), m_sale(sale),
      m_confirmation(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    setObjectName(QStringLiteral("frmReturn"));
    setWindowTitle(QStringLiteral("Return"));
    buildLayout();
    connect(m_grdReturn, &QTableWidget::itemChanged, this, &frmReturn::updateRefund);
    connect(m_cmdFinish, &QPushButton::clicked, this, [this] { finish(false); });
    connect(m_cmdExchange, &QPushButton::clicked, this, [this] { finish(true); });
    connect(m_cmdCancel, &QPushButton::clicked, this,
            [this] { closeWindow(m_stored.returnNumber > 0 ? Accepted : Rejected); });
    updateRefund();
}

frmReturn::~frmReturn() = default;

QString frmReturn::cashier() const
{
    return m_ctx.session().DisplayName();
}

QString frmReturn::accountType() const
{
    return m_ctx.session().AccountType();
}

void frmReturn::buildLayout()
{
    const SaleSummary& s = m_sale.sale;
    m_lblSale =
        new QLabel(QStringLiteral("Sale No. %1    %2 %3    Cashier: %4    Total: %5    Refunded so far: %6")
                       .arg(s.saleNumber, s.date, s.time, s.cashier, Cents::text(s.total), Cents::text(s.refunded)),
                   this);
    m_lblSale->setObjectName(QStringLiteral("lblSale"));

    m_grdReturn = new QTableWidget(static_cast<int>(m_sale.lines.size()), ColumnCount, this);
    m_grdReturn->setObjectName(QStringLiteral("grdReturn"));
    m_grdReturn->setHorizontalHeaderLabels({QStringLiteral("Item No."), QStringLiteral("Item"), QStringLiteral("Sold"),
                                            QStringLiteral("Returned"), QStringLiteral("Returnable"),
                                            QStringLiteral("Price"), QStringLiteral("Return"),
                                            QStringLiteral("Back to stock"), QStringLiteral("Refund")});
    m_grdReturn->verticalHeader()->setVisible(false);
    m_grdReturn->setEditTriggers(QAbstractItemView::AllEditTriggers);
    m_grdReturn->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int row = 0; row < m_sale.lines.size(); ++row) {
        const SoldLine& line = m_sale.lines.at(row);
        m_grdReturn->setItem(row, ItemNo, fixed(line.itemNumber, false));
        m_grdReturn->setItem(row, Item, fixed(line.itemName, false));
        m_grdReturn->setItem(row, Sold, fixed(QString::number(line.sold)));
        m_grdReturn->setItem(row, Returned, fixed(QString::number(line.returned)));
        m_grdReturn->setItem(row, Returnable, fixed(QString::number(line.returnable())));
        m_grdReturn->setItem(row, Price, fixed(Cents::text(line.unitPrice())));
        auto* quantity = new QTableWidgetItem;
        quantity->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (line.returnable() == 0)
            quantity->setFlags(Qt::ItemIsEnabled);
        m_grdReturn->setItem(row, ToReturn, quantity);
        auto* restock = new QTableWidgetItem;
        restock->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        restock->setCheckState(Qt::Checked);
        m_grdReturn->setItem(row, BackToStock, restock);
        m_grdReturn->setItem(row, Refund, fixed(Cents::text(0)));
    }
    m_grdReturn->resizeColumnsToContents();
    m_grdReturn->horizontalHeader()->setSectionResizeMode(Item, QHeaderView::Stretch);

    m_txtReason = new QLineEdit(this);
    m_txtReason->setObjectName(QStringLiteral("txtReason"));
    m_txtReason->setMaxLength(200);
    m_txtReason->setPlaceholderText(QStringLiteral("Why the goods come back (damaged, wrong size, ...)"));

    m_grpApproval = new QGroupBox(QStringLiteral("Approval by an administrator"), this);
    m_grpApproval->setObjectName(QStringLiteral("grpApproval"));
    m_txtApprover = new QLineEdit(m_grpApproval);
    m_txtApprover->setObjectName(QStringLiteral("txtApprover"));
    m_txtApproverPassword = new QLineEdit(m_grpApproval);
    m_txtApproverPassword->setObjectName(QStringLiteral("txtApproverPassword"));
    m_txtApproverPassword->setEchoMode(QLineEdit::Password);
    auto* approval = new QFormLayout(m_grpApproval);
    approval->addRow(QStringLiteral("User name:"), m_txtApprover);
    approval->addRow(QStringLiteral("Password:"), m_txtApproverPassword);
    // An administrator signed in approves the return himself.
    m_grpApproval->setVisible(accountType() != QLatin1String("Administrator"));

    m_lblRefund = new QLabel(this);
    m_lblRefund->setObjectName(QStringLiteral("lblRefund"));
    QFont big = font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    m_lblRefund->setFont(big);
    m_lblRefund->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_cmdFinish = new QPushButton(QStringLiteral("Finish"), this);
    m_cmdFinish->setObjectName(QStringLiteral("cmdFinish"));
    m_cmdExchange = new QPushButton(QStringLiteral("Exchange"), this);
    m_cmdExchange->setObjectName(QStringLiteral("cmdExchange"));
    m_cmdExchange->setToolTip(QStringLiteral("Store the return and credit its refund to the next sale at this till"));
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* b : {m_cmdFinish, m_cmdExchange, m_cmdCancel}) {
        b->setAutoDefault(false);
        b->setMinimumHeight(40);
    }

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Reason:"), m_txtReason);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(form, 1);
    bottom->addWidget(m_grpApproval, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_lblRefund, 1);
    buttons->addWidget(m_cmdFinish);
    buttons->addWidget(m_cmdExchange);
    buttons->addWidget(m_cmdCancel);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(m_lblSale);
    outer->addWidget(new QLabel(QStringLiteral("Type the quantity to take back in the Return column; untick "
                                               "\"Back to stock\" for damaged goods."),
                                this));
    outer->addWidget(m_grdReturn, 1);
    outer->addLayout(bottom);
    outer->addLayout(buttons);
    resizeToScreen(this, QSize(920, 560));
}

void frmReturn::updateRefund()
{
    // What the quantities typed so far refund, line by line, as the return would store them.
    static const QRegularExpression whole(QStringLiteral(R"(^\s*\+?\d{1,9}\s*$)"));
    const QSignalBlocker quiet(m_grdReturn);
    qint64 total = 0;
    for (int row = 0; row < m_sale.lines.size(); ++row) {
        const SoldLine& line = m_sale.lines.at(row);
        const QString typed = m_grdReturn->item(row, ToReturn)->text();
        const qint64 quantity = whole.match(typed).hasMatch() ? typed.trimmed().toLongLong() : 0;
        const qint64 refund = quantity <= line.returnable() ? line.refundFor(quantity) : 0;
        m_grdReturn->item(row, Refund)->setText(Cents::text(refund));
        total += refund;
    }
    m_lblRefund->setText(QStringLiteral("Refund: %1").arg(Cents::text(total)));
}

ReturnRequest frmReturn::request(bool exchange) const
{
    ReturnRequest r;
    r.exchange = exchange;
    r.saleNumber = m_sale.sale.saleNumber;
    r.reason = m_txtReason->text().trimmed();
    r.confirmation = m_confirmation;
    r.signer = {cashier(), accountType(), m_txtApprover->text().trimmed(), m_txtApproverPassword->text()};
    for (int row = 0; row < m_sale.lines.size(); ++row)
        r.lines.push_back({m_sale.lines.at(row).itemNumber, m_grdReturn->item(row, ToReturn)->text(),
                           m_grdReturn->item(row, BackToStock)->checkState() == Qt::Checked});
    return r;
}

void frmReturn::refused(const ReturnResult& result)
{
    QString text;
    QWidget* box = m_grdReturn;
    switch (result.outcome) {
    case ReturnOutcome::GuestRefused:
        text = QStringLiteral("A Guest cannot take a sale back.");
        break;
    case ReturnOutcome::ApprovalNeeded:
        text = QStringLiteral("An administrator must approve the return: type an administrator's user name and "
                              "password in the Approval boxes.");
        box = m_txtApprover;
        break;
    case ReturnOutcome::UnknownSale:
        text = QStringLiteral("Sale No. %1 is no longer stored.").arg(m_sale.sale.saleNumber);
        break;
    case ReturnOutcome::LinesGone:
        text = QStringLiteral("The lines of sale No. %1 are no longer kept; it cannot be returned here.")
                   .arg(m_sale.sale.saleNumber);
        break;
    case ReturnOutcome::StillOpen:
        text = QStringLiteral("Sale No. %1 is still being rung up at a till.").arg(m_sale.sale.saleNumber);
        break;
    case ReturnOutcome::NothingSelected:
        text = QStringLiteral("Nothing is selected to return: type a quantity in the Return column of a line.");
        break;
    case ReturnOutcome::BadQuantity:
        text = QStringLiteral("The Return column of %1 holds \"%2\": type a whole number of 1 or more.")
                   .arg(result.itemName, result.quantity);
        break;
    case ReturnOutcome::TooMany:
        text = QStringLiteral("%1 of %2 cannot be returned: %3 can still be returned.")
                   .arg(result.quantity, result.itemName)
                   .arg(result.returnable);
        break;
    case ReturnOutcome::ItemGone:
        text = QStringLiteral("%1 is no longer in the stock list, so it cannot go back to stock: untick "
                              "\"Back to stock\" for it.")
                   .arg(result.itemName);
        break;
    case ReturnOutcome::AlreadyStored:
        text = QStringLiteral("This return is already stored as return No. %1.").arg(result.returnNumber);
        break;
    case ReturnOutcome::WriteFailed:
        m_ctx.platform.writeFailed(this, QStringLiteral("The return was not stored: nothing was changed."),
                                   result.error);
        return;
    case ReturnOutcome::Stored:
        return;
    }
    m_ctx.platform.message(this, text, QStringLiteral("Return"), QMessageBox::Ok, QMessageBox::Warning);
    box->setFocus();
}

void frmReturn::finish(bool exchange)
{
    // A second Finish (or a repeated Enter) while the first is still being answered does nothing.
    if (m_finishing || m_stored.returnNumber > 0)
        return;
    m_finishing = true;
    const ReturnResult result = m_returns.store(request(exchange));
    m_finishing = false;
    if (result.outcome != ReturnOutcome::Stored) {
        refused(result);
        return;
    }
    m_stored = result;
    m_exchanged = exchange;
    m_cmdFinish->setEnabled(false);
    m_cmdExchange->setEnabled(false);
    m_grdReturn->setEnabled(false);
    m_ctx.notificationsChanged();
    const QString stored =
        exchange ? QStringLiteral("Return No. %1 is stored as an exchange.\nIts refund of %2 is a credit for the next "
                                  "sale at this till.")
                       .arg(result.returnNumber)
                       .arg(Cents::text(result.refund))
                 : QStringLiteral("Return No. %1 is stored.\nHand over the refund: %2")
                       .arg(result.returnNumber)
                       .arg(Cents::text(result.refund));
    if (m_ctx.platform.ask(this, stored + QStringLiteral("\n\nPrint the return's receipt?"), QStringLiteral("Return")))
        printReturnReceipt(m_ctx, this, result.returnNumber, ReceiptStore(m_ctx.db, m_ctx.till).settings().paper);
    closeWindow(Accepted);
}
