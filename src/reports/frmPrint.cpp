#include "reports/frmPrint.h"

#include "data/DataControl.h"
#include "data/Database.h"
#include "data/TextForms.h"
#include "journal/Journal.h"
#include "platform/BandedReport.h"
#include "platform/DataGrid.h"
#include "platform/ListExport.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "platform/WorkProgressDialog.h"
#include "pricing/PricingStore.h"
#include "reports/SalesQueries.h"
#include "reports/SalesReport.h"
#include "returns/Returns.h"
#include "session/AppContext.h"
#include "session/SessionState.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThreadPool>
#include <QVBoxLayout>

#include <memory>

namespace {

QLineEdit* readOnlyBox(QWidget* parent, const QString& name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setMinimumWidth(170);
    return box;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    if (caption == u"^") {
        b->setFixedWidth(36);
        b->setToolTip(QStringLiteral("Open the calendar"));
    } else {
        b->setMinimumWidth(90);
    }
    return b;
}

} // namespace

frmPrint::frmPrint(AppContext& ctx, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("Print"));

    m_adoNot = new DataControl(m_ctx.db, this);
    m_adoNot->setObjectName(QStringLiteral("adoNot"));
    m_rows = new DataControl(m_ctx.db, this);
    m_rows->setObjectName(QStringLiteral("adoSales"));

    buildLayout();

    m_adoNot->setRecordSource(NotificationsStatement());
    m_adoNot->Refresh();

    bindGrid(m_DataGrid1, m_rows);
    connect(m_rows, &QAbstractItemModel::modelReset, this, &frmPrint::gridChanged);
    connect(m_rows, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
        if (m_spanSales >= 0)
            m_spanSales = std::max<qint64>(0, m_spanSales - (last - first + 1));
        gridChanged();
    });

    // By-date mode at opening.
    m_Option1->setChecked(true);
    m_Frame2->setEnabled(false);
    gridChanged();
}

frmPrint::~frmPrint() = default;

void frmPrint::buildLayout()
{
    auto* root = new QVBoxLayout(this);
    root->setSpacing(10);
    auto* modes = new QHBoxLayout;
    modes->setSpacing(16);

    // By date: the option stays outside its frame, so it can enable the frame again.
    auto* dateColumn = new QVBoxLayout;
    m_Option1 = new QRadioButton(QStringLiteral("Select"), this);
    m_Option1->setObjectName(QStringLiteral("Option1"));
    m_Frame1 = new QGroupBox(QStringLiteral("Print by Date"), this);
    m_Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* f1 = new QGridLayout(m_Frame1);
    m_txtDate = readOnlyBox(m_Frame1, QStringLiteral("txtDate"));
    m_lvButtons_H2 = button(m_Frame1, QStringLiteral("lvButtons_H2"), QStringLiteral("^"));
    m_txtSales = readOnlyBox(m_Frame1, QStringLiteral("txtSales"));
    m_txtSales->setAlignment(Qt::AlignRight);
    auto* show1 = button(m_Frame1, QStringLiteral("lvButtons_H7"), QStringLiteral("Show"));
    m_lvButtons_H1 = button(m_Frame1, QStringLiteral("lvButtons_H1"), QStringLiteral("Print"));
    f1->addWidget(new QLabel(QStringLiteral("Date Set:"), m_Frame1), 0, 0);
    f1->addWidget(m_txtDate, 0, 1);
    f1->addWidget(m_lvButtons_H2, 0, 2);
    f1->addWidget(new QLabel(QStringLiteral("Sales:"), m_Frame1), 1, 0);
    f1->addWidget(m_txtSales, 1, 1);
    auto* b1 = new QHBoxLayout;
    b1->addStretch();
    b1->addWidget(show1);
    b1->addWidget(m_lvButtons_H1);
    f1->addLayout(b1, 3, 0, 1, 3);
    f1->setRowStretch(2, 1);
    f1->setColumnStretch(1, 1);
    dateColumn->addWidget(m_Option1, 0, Qt::AlignLeft);
    dateColumn->addWidget(m_Frame1, 1);
    modes->addLayout(dateColumn, 1);

    // By cut-off.
    auto* cutoffColumn = new QVBoxLayout;
    m_Option2 = new QRadioButton(QStringLiteral("Select"), this);
    m_Option2->setObjectName(QStringLiteral("Option2"));
    m_Frame2 = new QGroupBox(QStringLiteral("Print by Cutoff"), this);
    m_Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* f2 = new QGridLayout(m_Frame2);
    m_Text1 = readOnlyBox(m_Frame2, QStringLiteral("Text1"));
    m_lvButtons_H4 = button(m_Frame2, QStringLiteral("lvButtons_H4"), QStringLiteral("^"));
    m_Text2 = readOnlyBox(m_Frame2, QStringLiteral("Text2"));
    m_lvButtons_H5 = button(m_Frame2, QStringLiteral("lvButtons_H5"), QStringLiteral("^"));
    m_Text3 = readOnlyBox(m_Frame2, QStringLiteral("Text3"));
    m_Text3->setAlignment(Qt::AlignRight);
    auto* show2 = button(m_Frame2, QStringLiteral("lvButtons_H6"), QStringLiteral("Show"));
    m_lvButtons_H3 = button(m_Frame2, QStringLiteral("lvButtons_H3"), QStringLiteral("Print"));
    f2->addWidget(new QLabel(QStringLiteral("From:"), m_Frame2), 0, 0);
    f2->addWidget(m_Text1, 0, 1);
    f2->addWidget(m_lvButtons_H4, 0, 2);
    f2->addWidget(new QLabel(QStringLiteral("To:"), m_Frame2), 1, 0);
    f2->addWidget(m_Text2, 1, 1);
    f2->addWidget(m_lvButtons_H5, 1, 2);
    f2->addWidget(new QLabel(QStringLiteral("Sales:"), m_Frame2), 2, 0);
    f2->addWidget(m_Text3, 2, 1);
    auto* b2 = new QHBoxLayout;
    b2->addStretch();
    b2->addWidget(show2);
    b2->addWidget(m_lvButtons_H3);
    f2->addLayout(b2, 3, 0, 1, 3);
    f2->setColumnStretch(1, 1);
    cutoffColumn->addWidget(m_Option2, 0, Qt::AlignLeft);
    cutoffColumn->addWidget(m_Frame2, 1);
    modes->addLayout(cutoffColumn, 1);
    root->addLayout(modes);

    // The sales of the last Show or Print.
    m_DataGrid1 = new DataGrid(this);
    m_DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    m_DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_DataGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_DataGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    root->addWidget(m_DataGrid1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Result Found:"), this));
    m_Label7 = new QLabel(QStringLiteral("0"), this);
    m_Label7->setObjectName(QStringLiteral("Label7"));
    m_Label7->setMinimumWidth(80);
    bottom->addWidget(m_Label7);
    bottom->addStretch();
    auto* exportRows = ListExport::gridButton(QStringLiteral("cmdExport"), this, this, m_ctx.platform, m_DataGrid1,
                                              m_rows, QStringLiteral("Sales Report"));
    bottom->addWidget(exportRows);
    auto* close = button(this, QStringLiteral("cmdAccept"), QStringLiteral("Close"));
    bottom->addWidget(close);
    root->addLayout(bottom);

    m_Calendar1 = makeCalendar(QStringLiteral("Calendar1"), m_txtDate);
    m_Calendar2 = makeCalendar(QStringLiteral("Calendar2"), m_Text1);
    m_Calendar3 = makeCalendar(QStringLiteral("Calendar3"), m_Text2);

    connect(m_Option1, &QRadioButton::clicked, this, &frmPrint::onOption1);
    connect(m_Option2, &QRadioButton::clicked, this, &frmPrint::onOption2);
    connect(m_lvButtons_H2, &QPushButton::clicked, this, [this] { openCalendar(m_Calendar1, m_lvButtons_H2); });
    connect(m_lvButtons_H4, &QPushButton::clicked, this, [this] { openCalendar(m_Calendar2, m_lvButtons_H4); });
    connect(m_lvButtons_H5, &QPushButton::clicked, this, [this] { openCalendar(m_Calendar3, m_lvButtons_H5); });
    connect(show1, &QPushButton::clicked, this, &frmPrint::onShowByDate);
    connect(show2, &QPushButton::clicked, this, &frmPrint::onShowByCutoff);
    connect(m_lvButtons_H1, &QPushButton::clicked, this, &frmPrint::onPrintByDate);
    connect(m_lvButtons_H3, &QPushButton::clicked, this, &frmPrint::onPrintByCutoff);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(); });

    resizeToScreen(this, QSize(900, 600));
}

QCalendarWidget* frmPrint::makeCalendar(const QString& name, QLineEdit* target)
{
    auto* calendar = new QCalendarWidget(this);
    calendar->setObjectName(name);
    calendar->setWindowFlags(Qt::Popup);
    calendar->setGridVisible(true);
    calendar->hide();
    auto pick = [calendar, target](const QDate& day) {
        calendar->hide();
        target->setText(DateText(day));
    };
    connect(calendar, &QCalendarWidget::clicked, this, pick);
    connect(calendar, &QCalendarWidget::activated, this, pick);
    return calendar;
}

void frmPrint::openCalendar(QCalendarWidget* calendar, QWidget* below)
{
    calendar->setSelectedDate(QDate::currentDate());
    calendar->adjustSize();
    placePopupBelow(calendar, below);
    calendar->show();
    calendar->setFocus();
}

void frmPrint::onOption1()
{
    m_Frame1->setEnabled(true);
    m_Frame2->setEnabled(false);
    gridChanged();
}

void frmPrint::onOption2()
{
    m_Frame2->setEnabled(true);
    m_Frame1->setEnabled(false);
    gridChanged();
}

void frmPrint::gridChanged()
{
    // Printing is possible only while the grid shows at least one sale (and, through its
    // frame, only in the chosen mode). A span's sales were counted as they were added up.
    const int rows = m_spanSales >= 0 ? static_cast<int>(m_spanSales) : m_rows->totalRowCount();
    m_Label7->setText(QString::number(rows));
    m_lvButtons_H1->setEnabled(rows != 0);
    m_lvButtons_H3->setEnabled(rows != 0);
}

void frmPrint::SumSalesForDate()
{
    const QString day = m_txtDate->text();
    m_txtSales->setText(day.isEmpty() ? QString() : ::SumSalesForDate(m_ctx.db, day));
}

bool frmPrint::SumSalesForRange()
{
    m_spanSales = -1;
    if (m_Text1->text().isEmpty() || m_Text2->text().isEmpty()) {
        m_Text3->setText(QString());
        return true;
    }
    // A year of a large shop holds a million sales: added up with a progress window.
    WorkProgressDialog progress(this, QStringLiteral("Adding up the sales..."), true);
    const auto sum = ::SumSalesForRange(m_ctx.db, m_Text1->text(), m_Text2->text(), [&progress](qint64 read) {
        progress.setLabel(QStringLiteral("Adding up the sales... %1").arg(read));
        return progress.step(0, 0);
    });
    if (!sum)
        return false;
    m_spanSales = sum->sales;
    m_Text3->setText(sum->total);
    return true;
}

void frmPrint::onShowByDate()
{
    m_spanSales = -1;
    ShowSalesForDate(*m_rows, m_txtDate->text());
    SumSalesForDate();
}

void frmPrint::onShowByCutoff()
{
    // Stopped while adding up: the grid and the total stay as they were.
    if (SumSalesForRange())
        ShowSalesForRange(*m_rows, m_Text1->text(), m_Text2->text());
}

void frmPrint::onPrintByDate()
{
    const QString day = m_txtDate->text();
    if (day.isEmpty())
        return;
    // The report, the grid and the total are all read now, for the day shown now. The total
    // shown and noted is that of the rows printed, also when a till sells meanwhile.
    const Recordset rows = SelectSalesForDate(m_ctx.db, day);
    m_spanSales = -1;
    ShowSalesForDate(*m_rows, day);
    const QString total = SumAmountDue(rows);
    m_txtSales->setText(total);
    const SessionState& session = m_ctx.session();
    notify(NoteTitle::SalesReportDatePrint,
           NotificationSentence(session.DisplayName(), QStringLiteral(" accessed Sales Report by Date Print using "),
                                session.DomainName()) +
               DetailsBlock({{QStringLiteral("Date: "), day}, {QStringLiteral("Sales: "), total}}));
    printReport(rows, total, refundsForDay(m_ctx.db, DateFromText(day)), {day});
}

void frmPrint::onPrintByCutoff()
{
    const QString from = m_Text1->text();
    const QString to = m_Text2->text();
    if (from.isEmpty() || to.isEmpty())
        return;
    Recordset rows;
    QString total; // of exactly the rows the report prints
    {
        // A span of a year holds a hundred thousand sales: read and summed with a progress window.
        WorkProgressDialog progress(this, QStringLiteral("Reading the sales..."), true);
        rows = SelectSalesForRange(m_ctx.db, from, to, [&progress](qint64 read) {
            progress.setLabel(QStringLiteral("Reading the sales... %1").arg(read));
            return progress.step(0, 0);
        });
        if (progress.wasCanceled())
            return;
        progress.setLabel(QStringLiteral("Adding up the sales..."));
        total = SumAmountDue(rows, [&progress](qint64 done, qint64 all) { return progress.step(done, all); });
        if (progress.wasCanceled())
            return;
    }
    m_spanSales = rows.rowCount();
    ShowSalesForRange(*m_rows, from, to);
    m_Text3->setText(total);
    const SessionState& session = m_ctx.session();
    notify(NoteTitle::SalesReportCutoffPrint,
           NotificationSentence(session.DisplayName(), QStringLiteral(" accessed Sales Report by Cutoff Print using "),
                                session.DomainName()) +
               DetailsBlock({{QStringLiteral("Date: From"), from + QStringLiteral(" - ") + to},
                             {QStringLiteral("Sales: "), m_Text3->text()}}));
    QStringList days;
    for (QDate d = DateFromText(from); d.isValid() && d <= DateFromText(to) && days.size() < 3700; d = d.addDays(1))
        days << DateText(d);
    printReport(rows, total, refundsForSpan(m_ctx.db, DateFromText(from), DateFromText(to)), days);
    // A year's rows take tens of milliseconds to free, and nothing shares them by now: they are
    // freed on a worker thread while the window goes on.
    auto doomed = std::make_shared<Recordset>(std::move(rows));
    QThreadPool::globalInstance()->start([doomed] { const Recordset freedHere = std::move(*doomed); });
}

void frmPrint::notify(const QString& title, const QString& message)
{
    if (!PostNotification(*m_adoNot, title, message))
        m_ctx.platform.writeFailed(this, QStringLiteral("The print was not written to the notifications."),
                                   m_adoNot->lastError());
    m_ctx.notificationsChanged();
}

void frmPrint::printReport(const Recordset& rows, const QString& total, const RefundTotal& refunds,
                           const QStringList& days)
{
    const auto pricing = PricingStore(m_ctx.db).figuresForDays(days);
    const BandedReport report = SalesReport(
        rows, total, refunds.ok ? std::optional<qint64>(refunds.refunds) : std::nullopt, pricing ? &*pricing : nullptr);
    showReportPreview(report, m_ctx.platform, this);
}
