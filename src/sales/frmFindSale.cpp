#include "sales/frmFindSale.h"

#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "sales/Receipt.h"
#include "sales/ReceiptStore.h"
#include "sales/frmReturn.h"
#include "session/AppContext.h"
#include "session/SessionState.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidget* table(QWidget* parent, const char* name, const QStringList& headings)
{
    auto* grid = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setHorizontalHeaderLabels(headings);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->setVisible(false);
    return grid;
}

QTableWidgetItem* cell(const QString& text, bool figure = false)
{
    auto* item = new QTableWidgetItem(text);
    if (figure)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

frmFindSale::frmFindSale(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx), m_returns(ctx.db, ctx.till)
{
    setObjectName(QStringLiteral("frmFindSale"));
    setWindowTitle(QStringLiteral("Find Sale"));
    buildLayout();
    connect(m_cmdFind, &QPushButton::clicked, this, &frmFindSale::findSale);
    // A scanner types the number and then Enter.
    connect(m_txtSaleNumber, &QLineEdit::returnPressed, this, &frmFindSale::findSale);
    connect(m_cmdListDay, &QPushButton::clicked, this, &frmFindSale::listDay);
    connect(m_grdSales, &QTableWidget::itemSelectionChanged, this, &frmFindSale::showSelected);
    connect(m_cmdReprint, &QPushButton::clicked, this, &frmFindSale::reprint);
    connect(m_cmdReturn, &QPushButton::clicked, this, &frmFindSale::returnSale);
    connect(m_cmdClose, &QPushButton::clicked, this, [this] { closeWindow(); });
    listDay();
    m_txtSaleNumber->setFocus();
}

frmFindSale::~frmFindSale() = default;

void frmFindSale::buildLayout()
{
    m_txtSaleNumber = new QLineEdit(this);
    m_txtSaleNumber->setObjectName(QStringLiteral("txtSaleNumber"));
    m_txtSaleNumber->setPlaceholderText(QStringLiteral("Scan the receipt or type the sale number"));
    m_cmdFind = new QPushButton(QStringLiteral("Find"), this);
    m_cmdFind->setObjectName(QStringLiteral("cmdFind"));
    m_cmdFind->setAutoDefault(false);
    m_dtpDay = new QDateEdit(QDate::currentDate(), this);
    m_dtpDay->setObjectName(QStringLiteral("dtpDay"));
    m_dtpDay->setCalendarPopup(true);
    m_dtpDay->setDisplayFormat(QStringLiteral("MMMM dd, yyyy"));
    m_cmdListDay = new QPushButton(QStringLiteral("List Day"), this);
    m_cmdListDay->setObjectName(QStringLiteral("cmdListDay"));
    m_cmdListDay->setAutoDefault(false);

    auto* search = new QHBoxLayout;
    search->addWidget(new QLabel(QStringLiteral("Sale No.:"), this));
    search->addWidget(m_txtSaleNumber, 1);
    search->addWidget(m_cmdFind);
    search->addSpacing(24);
    search->addWidget(new QLabel(QStringLiteral("Day:"), this));
    search->addWidget(m_dtpDay);
    search->addWidget(m_cmdListDay);

    m_grdSales =
        table(this, "grdSales",
              {QStringLiteral("Sale No."), QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Till"),
               QStringLiteral("Cashier"), QStringLiteral("Total"), QStringLiteral("Refunded")});
    m_lblLines = new QLabel(QStringLiteral("Select a sale to see its lines."), this);
    m_lblLines->setObjectName(QStringLiteral("lblLines"));
    m_grdLines = table(this, "grdLines",
                       {QStringLiteral("Item No."), QStringLiteral("Item"), QStringLiteral("Sold"),
                        QStringLiteral("Returned"), QStringLiteral("Amount"), QStringLiteral("Refunded")});
    m_grdLines->setSelectionMode(QAbstractItemView::NoSelection);

    m_cmdReprint = new QPushButton(QStringLiteral("Reprint"), this);
    m_cmdReprint->setObjectName(QStringLiteral("cmdReprint"));
    m_cmdReturn = new QPushButton(QStringLiteral("Return..."), this);
    m_cmdReturn->setObjectName(QStringLiteral("cmdReturn"));
    m_cmdClose = new QPushButton(QStringLiteral("Close"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* b : {m_cmdReprint, m_cmdReturn, m_cmdClose}) {
        b->setAutoDefault(false);
        b->setMinimumHeight(36);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdReprint);
    buttons->addWidget(m_cmdReturn);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdClose);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(search);
    outer->addWidget(m_grdSales, 3);
    outer->addWidget(m_lblLines);
    outer->addWidget(m_grdLines, 2);
    outer->addLayout(buttons);
    resizeToScreen(this, QSize(900, 620));
}

void frmFindSale::showSales(const QVector<SaleSummary>& sales)
{
    m_sales = sales;
    const QSignalBlocker quiet(m_grdSales);
    m_grdSales->clearContents();
    m_grdSales->setRowCount(static_cast<int>(sales.size()));
    for (int row = 0; row < sales.size(); ++row) {
        const SaleSummary& s = sales.at(row);
        m_grdSales->setItem(row, 0, cell(s.saleNumber, true));
        m_grdSales->setItem(row, 1, cell(s.date));
        m_grdSales->setItem(row, 2, cell(s.time));
        m_grdSales->setItem(row, 3, cell(s.till));
        m_grdSales->setItem(row, 4, cell(s.cashier));
        m_grdSales->setItem(row, 5, cell(Cents::text(s.total), true));
        m_grdSales->setItem(row, 6, cell(Cents::text(s.refunded), true));
    }
    m_grdSales->resizeColumnsToContents();
    m_grdSales->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
    m_grdLines->setRowCount(0);
    m_lblLines->setText(sales.isEmpty() ? QStringLiteral("No sale is listed.")
                                        : QStringLiteral("Select a sale to see its lines."));
    if (sales.size() == 1)
        m_grdSales->selectRow(0);
    showSelected();
}

void frmFindSale::refusal(const FoundSale& found, const QString& number)
{
    QString text;
    switch (found.outcome) {
    case FindOutcome::Unknown:
        text = QStringLiteral("No sale has the number \"%1\". Check the number in the Sale No. box.").arg(number);
        break;
    case FindOutcome::LinesGone:
        text = QStringLiteral("Sale No. %1 is known, but its lines are no longer kept; it cannot be returned here.")
                   .arg(number);
        break;
    case FindOutcome::StillOpen:
        text = QStringLiteral("Sale No. %1 is still being rung up at a till; it can be found once it is paid.")
                   .arg(number);
        break;
    case FindOutcome::ReadFailed:
        m_ctx.platform.message(this, QStringLiteral("The sale could not be read."), Platform::applicationTitle(),
                               QMessageBox::Ok, QMessageBox::Warning, found.error);
        return;
    case FindOutcome::Found:
        return;
    }
    m_ctx.platform.message(this, text, QStringLiteral("Find Sale"), QMessageBox::Ok, QMessageBox::Information);
}

bool frmFindSale::findSale()
{
    const QString number = m_txtSaleNumber->text().trimmed();
    const FoundSale found = m_returns.find(number);
    if (found.outcome != FindOutcome::Found) {
        refusal(found, number);
        m_txtSaleNumber->selectAll();
        m_txtSaleNumber->setFocus();
        return false;
    }
    showSales({found.sale});
    return true;
}

void frmFindSale::listDay()
{
    QVector<SaleSummary> sales;
    QString error;
    if (!m_returns.listDay(m_dtpDay->date(), sales, &error)) {
        m_ctx.platform.message(this, QStringLiteral("The day's sales could not be read."), Platform::applicationTitle(),
                               QMessageBox::Ok, QMessageBox::Warning, error);
        return;
    }
    showSales(sales);
}

std::optional<FoundSale> frmFindSale::selected(bool tell)
{
    const QList<QTableWidgetItem*> items = m_grdSales->selectedItems();
    if (items.isEmpty() || items.first()->row() >= m_sales.size()) {
        if (tell)
            m_ctx.platform.message(this, QStringLiteral("Select a sale in the list first."),
                                   QStringLiteral("Find Sale"));
        return std::nullopt;
    }
    const QString number = m_sales.at(items.first()->row()).saleNumber;
    FoundSale found = m_returns.find(number);
    if (found.outcome != FindOutcome::Found) {
        if (tell)
            refusal(found, number);
        return std::nullopt;
    }
    return found;
}

void frmFindSale::showSelected()
{
    m_grdLines->setRowCount(0);
    const auto found = selected(false);
    m_cmdReprint->setEnabled(found.has_value());
    m_cmdReturn->setEnabled(found.has_value());
    if (!found)
        return;
    m_lblLines->setText(QStringLiteral("Sale No. %1: %2 line(s), total %3, refunded %4")
                            .arg(found->sale.saleNumber)
                            .arg(found->lines.size())
                            .arg(Cents::text(found->sale.total), Cents::text(found->sale.refunded)));
    m_grdLines->setRowCount(static_cast<int>(found->lines.size()));
    for (int row = 0; row < found->lines.size(); ++row) {
        const SoldLine& line = found->lines.at(row);
        m_grdLines->setItem(row, 0, cell(line.itemNumber));
        m_grdLines->setItem(row, 1, cell(line.itemName));
        m_grdLines->setItem(row, 2, cell(QString::number(line.sold), true));
        m_grdLines->setItem(row, 3, cell(QString::number(line.returned), true));
        m_grdLines->setItem(row, 4, cell(Cents::text(line.amount), true));
        m_grdLines->setItem(row, 5, cell(Cents::text(line.refunded), true));
    }
    m_grdLines->resizeColumnsToContents();
    m_grdLines->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
}

void frmFindSale::reprint()
{
    const auto found = selected(true);
    if (!found)
        return;
    if (found->sale.salesRow < 0) {
        m_ctx.platform.message(this,
                               QStringLiteral("Sale No. %1 was stored before receipts could be found again; its "
                                              "receipt cannot be reprinted.")
                                   .arg(found->sale.saleNumber),
                               QStringLiteral("Reprint"));
        return;
    }
    const SaleRef sale{found->sale.saleNumber, found->sale.salesRow, found->sale.date, found->sale.time};
    if (!printReceipt(m_ctx, this, sale, ReceiptStore(m_ctx.db, m_ctx.till).settings().paper, true))
        return;
    const QString who = m_ctx.session().DisplayName();
    QString error;
    if (!m_returns.noteReprint(sale.saleNumber, who, &error))
        m_ctx.platform.writeFailed(this, QStringLiteral("The reprint was not journaled."), error);
    else
        m_ctx.notificationsChanged();
}

void frmFindSale::returnSale()
{
    if (m_ctx.session().AccountType() == QLatin1String("Guest")) {
        m_ctx.platform.message(this, QStringLiteral("A Guest cannot take a sale back."), QStringLiteral("Return"),
                               QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    const auto found = selected(true);
    if (!found)
        return;
    frmReturn window(m_ctx, *found, this);
    m_ctx.platform.showModal(window);
    if (window.storedReturn() > 0)
        m_ctx.notificationsChanged();
    // An exchange goes on in the cart, where the credit waits.
    if (window.exchanged()) {
        closeWindow(QDialog::Accepted);
        return;
    }
    // The sale as it stands now: returned so far, refunded so far.
    const int row = m_grdSales->currentRow();
    if (const auto again = m_returns.find(found->sale.saleNumber);
        again.outcome == FindOutcome::Found && row >= 0 && row < m_sales.size()) {
        m_sales[row].refunded = again.sale.refunded;
        m_grdSales->item(row, 6)->setText(Cents::text(again.sale.refunded));
    }
    showSelected();
}
