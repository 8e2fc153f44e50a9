#include "reports/frmSales.h"

#include "reports/DailySummary.h"

#include "data/DataControl.h"
#include "data/Database.h"
#include "data/MoneyTotal.h"
#include "data/TextForms.h"
#include "journal/Journal.h"
#include "platform/DataGrid.h"
#include "platform/ListExport.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "reports/SalesQueries.h"
#include "reports/frmPrint.h"
#include "returns/Returns.h"
#include "session/AppContext.h"
#include "session/SessionState.h"
#include "session/WindowFactory.h"

#include <QCalendarWidget>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* readOnlyBox(QWidget* parent, const QString& name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    return box;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

frmSales::frmSales(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmSales"));
    setWindowTitle(QStringLiteral("Sales"));

    m_adoLog1 = new DataControl(m_ctx.db, this);
    m_adoLog2 = new DataControl(m_ctx.db, this);
    m_adoNot = new DataControl(m_ctx.db, this);
    m_adoLog1->setObjectName(QStringLiteral("adoLog1"));
    m_adoLog2->setObjectName(QStringLiteral("adoLog2"));
    m_adoNot->setObjectName(QStringLiteral("adoNot"));

    buildLayout();

    // The ledger, the notifications, then the daily summaries.
    m_adoLog1->setRecordSource(AllSalesStatement());
    m_adoLog1->Refresh();
    m_adoNot->setRecordSource(NotificationsStatement());
    m_adoNot->Refresh();
    m_adoLog2->setRecordSource(DailySummary::listStatement());
    m_adoLog2->Refresh();

    bindGrid(m_DataGrid2, m_adoLog1);
    bindGrid(m_DataGrid1, m_adoLog2, true, [this](const QString& detail) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The daily sales summary was not deleted."), detail);
    });
    // Columns are as wide as what they hold in the rows on screen (measuring every fetched row
    // of a ledger of many thousand sales would cost more than the query); the last one takes
    // the rest of the width.
    for (DataGrid* grid : {m_DataGrid2, m_DataGrid1}) {
        grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        grid->horizontalHeader()->setResizeContentsPrecision(0);
    }
    bindField(m_Text4, m_adoLog2, QStringLiteral("BusinessDate"));
    bindField(m_Text2, m_adoLog2, QStringLiteral("Transactions"));
    connect(m_adoLog2, &DataControl::currentRowChanged, this, &frmSales::showSummary);
    showSummary();

    // The count and the hidden column follow every change of the ledger's rows.
    connect(m_adoLog1, &QAbstractItemModel::modelReset, this, &frmSales::ledgerChanged);
    connect(m_adoLog1, &QAbstractItemModel::rowsRemoved, this, &frmSales::ledgerChanged);
    ledgerChanged();

    connect(m_txtSearch, &QLineEdit::textChanged, this, &frmSales::onDaySearch);
}

frmSales::~frmSales() = default;

void frmSales::buildLayout()
{
    auto* root = new QHBoxLayout(this);
    root->setSpacing(12);

    // The ledger and the day's figures.
    auto* vault = new QGroupBox(QStringLiteral("Sales Vault"), this);
    vault->setObjectName(QStringLiteral("grpSalesVault"));
    auto* vaultLayout = new QVBoxLayout(vault);
    m_DataGrid2 = new DataGrid(vault);
    m_DataGrid2->setObjectName(QStringLiteral("DataGrid2"));
    m_DataGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vaultLayout->addWidget(m_DataGrid2, 1);

    auto* figures = new QGridLayout;
    figures->setHorizontalSpacing(8);
    m_txtSearch = readOnlyBox(vault, QStringLiteral("txtSearch"));
    m_txtSearch->setPlaceholderText(QStringLiteral("Pick a day"));
    m_lvButtons_H1 = button(vault, QStringLiteral("lvButtons_H1"), QStringLiteral("^"));
    m_lvButtons_H1->setFixedWidth(36);
    m_lvButtons_H1->setToolTip(QStringLiteral("Open the calendar"));
    m_txtSales = readOnlyBox(vault, QStringLiteral("txtSales"));
    m_txtSales->setAlignment(Qt::AlignRight);
    m_Text1 = readOnlyBox(vault, QStringLiteral("Text1"));
    m_Text1->setAlignment(Qt::AlignRight);
    figures->addWidget(new QLabel(QStringLiteral("Select Date:"), vault), 0, 0);
    figures->addWidget(m_txtSearch, 0, 1);
    figures->addWidget(m_lvButtons_H1, 0, 2);
    figures->addWidget(new QLabel(QStringLiteral("Sales:"), vault), 1, 0);
    figures->addWidget(m_txtSales, 1, 1);
    figures->addWidget(new QLabel(QStringLiteral("Transactions:"), vault), 2, 0);
    figures->addWidget(m_Text1, 2, 1);
    // The day's refunds (returns made that day, at any till) and its sales less them.
    m_txtRefunds = readOnlyBox(vault, QStringLiteral("txtRefunds"));
    m_txtRefunds->setAlignment(Qt::AlignRight);
    m_txtNet = readOnlyBox(vault, QStringLiteral("txtNet"));
    m_txtNet->setAlignment(Qt::AlignRight);
    figures->addWidget(new QLabel(QStringLiteral("Refunds:"), vault), 3, 0);
    figures->addWidget(m_txtRefunds, 3, 1);
    figures->addWidget(new QLabel(QStringLiteral("Net:"), vault), 4, 0);
    figures->addWidget(m_txtNet, 4, 1);
    figures->setColumnStretch(1, 1);

    auto* commands = new QVBoxLayout;
    auto* save = button(vault, QStringLiteral("lvButtons_H3"), QStringLiteral("Save"));
    auto* refresh = button(vault, QStringLiteral("lvButtons_H2"), QStringLiteral("Refresh"));
    auto* print = button(vault, QStringLiteral("lvButtons_H4"), QStringLiteral("Print Settings"));
    auto* exportLedger = ListExport::gridButton(QStringLiteral("cmdExportLedger"), vault, this, m_ctx.platform,
                                                m_DataGrid2, m_adoLog1, QStringLiteral("Sales"));
    auto* findSale = button(vault, QStringLiteral("cmdFindSale"), QStringLiteral("Find Sale..."));
    findSale->setVisible(m_ctx.windows != nullptr);
    auto* close = button(vault, QStringLiteral("cmdAccept"), QStringLiteral("Close"));
    for (QPushButton* b : {save, refresh, print, exportLedger, findSale, close}) {
        b->setMinimumWidth(120);
        commands->addWidget(b);
    }
    commands->addStretch();

    auto* lower = new QHBoxLayout;
    lower->addLayout(figures, 1);
    lower->addSpacing(24);
    lower->addLayout(commands);
    vaultLayout->addLayout(lower);
    root->addWidget(vault, 5);

    // The saved summaries.
    auto* daily = new QGroupBox(QStringLiteral("Daily Sales"), this);
    daily->setObjectName(QStringLiteral("grpDailySales"));
    auto* dailyLayout = new QVBoxLayout(daily);
    m_DataGrid1 = new DataGrid(daily);
    m_DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    m_DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dailyLayout->addWidget(m_DataGrid1, 1);
    auto* hint = new QLabel(QStringLiteral("To Delete: Select  Date and press DEL on your keyboard"), daily);
    hint->setObjectName(QStringLiteral("lblDeleteHint"));
    auto* hintRow = new QHBoxLayout;
    hintRow->addWidget(hint, 1);
    auto* exportDaily = ListExport::gridButton(QStringLiteral("cmdExportDaily"), daily, this, m_ctx.platform,
                                               m_DataGrid1, m_adoLog2, QStringLiteral("Daily Sales"));
    hintRow->addWidget(exportDaily);
    dailyLayout->addLayout(hintRow);
    auto* summary = new QFormLayout;
    m_Text4 = readOnlyBox(daily, QStringLiteral("Text4"));
    m_Text3 = readOnlyBox(daily, QStringLiteral("Text3"));
    m_Text3->setAlignment(Qt::AlignRight);
    m_Text2 = readOnlyBox(daily, QStringLiteral("Text2"));
    m_Text2->setAlignment(Qt::AlignRight);
    summary->addRow(QStringLiteral("Sales Date:"), m_Text4);
    summary->addRow(QStringLiteral("Total Sales:"), m_Text3);
    summary->addRow(QStringLiteral("Transactions:"), m_Text2);
    m_txtDailyRefunds = readOnlyBox(daily, QStringLiteral("txtDailyRefunds"));
    m_txtDailyRefunds->setAlignment(Qt::AlignRight);
    m_txtDailyNet = readOnlyBox(daily, QStringLiteral("txtDailyNet"));
    m_txtDailyNet->setAlignment(Qt::AlignRight);
    summary->addRow(QStringLiteral("Refunds:"), m_txtDailyRefunds);
    summary->addRow(QStringLiteral("Net:"), m_txtDailyNet);
    dailyLayout->addLayout(summary);
    root->addWidget(daily, 4);

    // The day picker opens over the window, below its button.
    m_Calendar1 = new QCalendarWidget(this);
    m_Calendar1->setObjectName(QStringLiteral("Calendar1"));
    m_Calendar1->setWindowFlags(Qt::Popup);
    m_Calendar1->setGridVisible(true);
    m_Calendar1->hide();

    connect(m_lvButtons_H1, &QPushButton::clicked, this, &frmSales::onCalendarButton);
    connect(m_Calendar1, &QCalendarWidget::clicked, this, &frmSales::onDayPicked);
    connect(m_Calendar1, &QCalendarWidget::activated, this, &frmSales::onDayPicked);
    connect(save, &QPushButton::clicked, this, &frmSales::onSave);
    connect(refresh, &QPushButton::clicked, this, &frmSales::onRefresh);
    connect(print, &QPushButton::clicked, this, &frmSales::onPrintSettings);
    connect(findSale, &QPushButton::clicked, this, &frmSales::onFindSale);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });

    resizeToScreen(this, QSize(1000, 640));
}

void frmSales::onCalendarButton()
{
    m_Calendar1->setSelectedDate(QDate::currentDate());
    m_Calendar1->adjustSize();
    placePopupBelow(m_Calendar1, m_lvButtons_H1);
    m_Calendar1->show();
    m_Calendar1->setFocus();
}

void frmSales::onDayPicked(const QDate& day)
{
    m_Calendar1->hide();
    m_txtSearch->setText(DateText(day));
}

void frmSales::onDaySearch()
{
    const QString day = m_txtSearch->text();
    if (day.isEmpty()) {
        m_adoLog1->setRecordSource(AllSalesStatement());
        m_adoLog1->Refresh();
    } else {
        ShowSalesForDate(*m_adoLog1, day);
    }
    SumSalesForDate();
}

void frmSales::SumSalesForDate()
{
    // A day without sales shows 0, never the figure of the day shown before.
    const QString day = m_txtSearch->text();
    m_txtSales->setText(day.isEmpty() ? QString() : ::SumSalesForDate(m_ctx.db, day));
    m_txtRefunds->clear();
    m_txtNet->clear();
    if (day.isEmpty())
        return;
    const RefundTotal refunds = refundsForDay(m_ctx.db, DateFromText(day));
    if (!refunds.ok)
        return;
    m_txtRefunds->setText(Cents::text(refunds.refunds));
    if (const auto sales = Cents::fromText(m_txtSales->text()))
        m_txtNet->setText(Cents::text(*sales - refunds.refunds));
}

void frmSales::onFindSale()
{
    if (!m_ctx.windows)
        return;
    if (const std::unique_ptr<FormDialog> window = m_ctx.windows->createFindSale(this)) {
        m_ctx.platform.showModal(*window);
        // Returns made meanwhile change the day's refunds.
        SumSalesForDate();
    }
}

void frmSales::ledgerChanged()
{
    m_DataGrid2->hideColumnAt(1);
    m_Text1->setText(QString::number(m_adoLog1->totalRowCount()));
}

void frmSales::showSummary()
{
    m_Text3->setText(FormatText(m_adoLog2->fieldText(QStringLiteral("Sales")), NumberPattern::Grouped2));
    // The refunds kept with the summary when it was saved (none for summaries saved before).
    m_txtDailyRefunds->clear();
    m_txtDailyNet->clear();
    const QString day = m_adoLog2->fieldText(QStringLiteral("BusinessDate"));
    const QString saved = m_adoLog2->fieldText(QStringLiteral("TimeSave"));
    if (day.isEmpty())
        return;
    const auto refunds = DailySummary(m_ctx.db).savedRefunds(day, saved);
    if (!refunds)
        return;
    m_txtDailyRefunds->setText(Cents::text(*refunds));
    if (const auto sales = Cents::fromText(m_adoLog2->fieldText(QStringLiteral("Sales"))))
        m_txtDailyNet->setText(Cents::text(*sales - *refunds));
}

void frmSales::onSave()
{
    const QString day = m_txtSearch->text();
    if (day.isEmpty())
        return;
    if (m_txtSales->text() == MoneyTotal::tooLargeText()) {
        m_ctx.platform.message(this,
                               QStringLiteral("The sales report for %1 cannot be saved: the day's sales are too "
                                              "large to add up.")
                                   .arg(day),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    if (!m_ctx.platform.ask(this, QStringLiteral("Save Sales report for ") + day + QStringLiteral("?"),
                            QStringLiteral("Confirm")))
        return;
    const QString sales = m_txtSales->text();
    const QString transactions = m_Text1->text();
    DailySummary summary(m_ctx.db);
    DailySummary::Outcome saved = summary.save(day, sales, transactions, false);
    if (saved == DailySummary::Outcome::AlreadySaved) {
        // A day is saved once: a second Save replaces the first only when the user says so.
        if (m_ctx.platform.message(this,
                                   QStringLiteral("The sales report for %1 was saved before. Replace the saved "
                                                  "report with these figures?")
                                       .arg(day),
                                   QStringLiteral("Confirm"), QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                                   {}, QMessageBox::No) != QMessageBox::Yes)
            return;
        saved = summary.save(day, sales, transactions, true);
    }
    if (saved != DailySummary::Outcome::Saved) {
        // Nothing was stored: the day and its figures stay on screen for another try.
        m_ctx.platform.writeFailed(this, QStringLiteral("The sales report for %1 was not saved.").arg(day),
                                   summary.lastError());
        return;
    }
    m_adoLog1->setRecordSource(AllSalesStatement());
    m_adoLog1->Refresh();
    m_ctx.platform.message(this, QStringLiteral("Report Saved!"));

    const SessionState& session = m_ctx.session();
    const QString message = NotificationSentence(session.DisplayName(), QStringLiteral(" Saved Sales Report using "),
                                                 session.DomainName()) +
                            DetailsBlock({{QStringLiteral("Date: "), day},
                                          {QStringLiteral("Sales: "), sales},
                                          {QStringLiteral("Transactions:"), transactions}});
    if (!PostNotification(*m_adoNot, NoteTitle::SalesReportSaved, message))
        m_ctx.platform.writeFailed(this, QStringLiteral("The saved report was not written to the notifications."),
                                   m_adoNot->lastError());
    m_ctx.notificationsChanged();

    m_adoLog2->Refresh();
    m_txtSearch->clear();
    m_txtSales->clear();
}

void frmSales::onRefresh()
{
    // Emptying the day lists all sales again; with no day chosen, read them afresh anyway.
    if (m_txtSearch->text().isEmpty())
        onDaySearch();
    m_txtSearch->clear();
    m_txtSales->clear();
    m_Calendar1->hide();
}

void frmSales::onPrintSettings()
{
    frmPrint print(m_ctx, this);
    m_ctx.platform.showModal(print);
}
