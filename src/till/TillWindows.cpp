#include "till/TillWindows.h"

#include "catalog/ShopOptions.h"
#include "platform/BandedReport.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "session/AppContext.h"
#include "till/TillAmount.h"
#include "till/TillReport.h"
#include "till/TillSessions.h"

#include <QComboBox>
#include <QFrame>
#include <QRegularExpression>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString money(qint64 cents)
{
    QString digits = QString::number(std::abs(cents / 100));
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString(), digits)
        .arg(std::abs(cents % 100), 2, 10, QLatin1Char('0'));
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumSize(120, 36);
    b->setAutoDefault(false);
    return b;
}

QLineEdit* amountBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAlignment(Qt::AlignRight);
    QFont f = box->font();
    f.setPointSize(f.pointSize() + 6);
    box->setFont(f);
    return box;
}

QComboBox* paperBox(QWidget* parent, bool roll)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("cboPaper"));
    box->addItem(QStringLiteral("80 mm roll"), true);
    box->addItem(QStringLiteral("A4"), false);
    box->setCurrentIndex(roll ? 0 : 1);
    return box;
}

// The amount in a box, or a message naming the box (and the box selected for a new try).
std::optional<qint64> amountIn(AppContext& ctx, QWidget* parent, QLineEdit* box, const QString& name)
{
    const AmountReading r = readAmount(box->text());
    if (r.cents)
        return r.cents;
    ctx.platform.message(parent, QStringLiteral("The %1 box holds no amount: %2.").arg(name, r.why),
                         Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
    box->setFocus();
    box->selectAll();
    return std::nullopt;
}

void failed(AppContext& ctx, QWidget* parent, const QString& what, const TillResult& r)
{
    ctx.platform.writeFailed(parent, what, r.error);
}

} // namespace

frmOpenTill::frmOpenTill(AppContext& ctx, const QString& who, QWidget* parent)
    : FormDialog(parent), m_ctx(ctx), m_who(who)
{
    setObjectName(QStringLiteral("frmOpenTill"));
    setWindowTitle(QStringLiteral("Open Till %1").arg(ctx.till));
    m_txtFloat = amountBox(this, "txtFloat");
    m_txtFloat->setText(money(TillSessions(ctx.db, ctx.till).proposedFloat()));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Float:"), m_txtFloat);
    auto* hint = new QLabel(QStringLiteral("The cash in the drawer at the start. The last close's \"left in drawer\" "
                                           "is proposed."),
                            this);
    hint->setWordWrap(true);
    auto* ok = button(this, "cmdOpen", QStringLiteral("Open Till"));
    ok->setDefault(true);
    auto* cancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addWidget(hint);
    outer->addStretch(1);
    outer->addLayout(buttons);
    resizeToScreen(this, QSize(420, 200));
    connect(ok, &QPushButton::clicked, this, &frmOpenTill::openTill);
    connect(cancel, &QPushButton::clicked, this, [this] { closeWindow(QDialog::Rejected); });
    m_txtFloat->selectAll();
    m_txtFloat->setFocus();
}

void frmOpenTill::openTill()
{
    const auto cents = amountIn(m_ctx, this, m_txtFloat, QStringLiteral("Float"));
    if (!cents)
        return;
    const TillResult r = TillSessions(m_ctx.db, m_ctx.till).open(*cents, m_who);
    switch (r.outcome) {
    case TillOutcome::Done:
        m_ctx.notificationsChanged();
        closeWindow(QDialog::Accepted);
        return;
    case TillOutcome::AlreadyOpen:
        m_ctx.platform.message(this,
                               QStringLiteral("Till %1 is open already: its session goes on until its Z.\nUse Cash "
                                              "In/Out to put more cash into the drawer.")
                                   .arg(m_ctx.till),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        closeWindow(QDialog::Rejected);
        return;
    default:
        failed(m_ctx, this, QStringLiteral("The till was not opened."), r);
        return;
    }
}

frmCashMove::frmCashMove(AppContext& ctx, const QString& who, QWidget* parent)
    : FormDialog(parent), m_ctx(ctx), m_who(who)
{
    setObjectName(QStringLiteral("frmCashMove"));
    setWindowTitle(QStringLiteral("Cash In/Out - Till %1").arg(ctx.till));
    m_optIn = new QRadioButton(QStringLiteral("Cash &in"), this);
    m_optIn->setObjectName(QStringLiteral("optIn"));
    m_optOut = new QRadioButton(QStringLiteral("Cash &out"), this);
    m_optOut->setObjectName(QStringLiteral("optOut"));
    m_optOut->setChecked(true);
    auto* kind = new QHBoxLayout;
    kind->addWidget(m_optIn);
    kind->addWidget(m_optOut);
    kind->addStretch(1);
    m_txtAmount = amountBox(this, "txtAmount");
    m_txtReason = new QLineEdit(this);
    m_txtReason->setObjectName(QStringLiteral("txtReason"));
    m_txtReason->setMaxLength(TillSessions::kMaxReason);
    m_txtReason->setPlaceholderText(QStringLiteral("required, up to 100 characters"));
    auto* form = new QFormLayout;
    form->addRow(QString(), kind);
    form->addRow(QStringLiteral("Amount:"), m_txtAmount);
    form->addRow(QStringLiteral("Reason:"), m_txtReason);
    auto* ok = button(this, "cmdStore", QStringLiteral("Store"));
    auto* cancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addStretch(1);
    outer->addLayout(buttons);
    resizeToScreen(this, QSize(460, 220));
    connect(ok, &QPushButton::clicked, this, &frmCashMove::store);
    connect(m_txtReason, &QLineEdit::returnPressed, this, &frmCashMove::store);
    connect(cancel, &QPushButton::clicked, this, [this] { closeWindow(QDialog::Rejected); });
    m_txtAmount->setFocus();
}

void frmCashMove::store()
{
    const auto cents = amountIn(m_ctx, this, m_txtAmount, QStringLiteral("Amount"));
    if (!cents)
        return;
    const bool in = m_optIn->isChecked();
    const TillResult r = TillSessions(m_ctx.db, m_ctx.till).moveCash(in, *cents, m_txtReason->text(), m_who);
    const auto refuse = [this](const QString& text, QLineEdit* box) {
        m_ctx.platform.message(this, text, Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        box->setFocus();
        box->selectAll();
    };
    switch (r.outcome) {
    case TillOutcome::Done:
        m_ctx.notificationsChanged();
        closeWindow(QDialog::Accepted);
        return;
    case TillOutcome::BadAmount:
        refuse(QStringLiteral("The Amount must be above 0.00."), m_txtAmount);
        return;
    case TillOutcome::BadReason:
        refuse(QStringLiteral("The Reason is required (up to %1 characters).").arg(TillSessions::kMaxReason),
               m_txtReason);
        return;
    case TillOutcome::AboveExpected:
        refuse(QStringLiteral("The Amount is more than the drawer should hold: the expected cash is %1.")
                   .arg(money(r.figures.expectedCash())),
               m_txtAmount);
        return;
    default:
        failed(m_ctx, this, QStringLiteral("The cash %1 was not stored.").arg(in ? "in" : "out"), r);
        return;
    }
}

frmTillReport::frmTillReport(AppContext& ctx, Kind kind, const QString& who, bool roll, QWidget* parent)
    : FormDialog(parent), m_ctx(ctx), m_kind(kind), m_who(who)
{
    setObjectName(kind == Kind::X ? QStringLiteral("frmXReport") : QStringLiteral("frmZClose"));
    setWindowTitle(kind == Kind::X ? QStringLiteral("X Report - Till %1").arg(ctx.till)
                                   : QStringLiteral("Z Close - Till %1").arg(ctx.till));
    const TillResult x = TillSessions(ctx.db, ctx.till).xReport();
    if (x.outcome == TillOutcome::NoSession) {
        ctx.platform.message(
            parent, QStringLiteral("Till %1 has no open session: it has not sold since its last Z.").arg(ctx.till),
            Platform::applicationTitle());
        return;
    }
    if (x.outcome != TillOutcome::Done) {
        failed(ctx, parent, QStringLiteral("The till's figures could not be read."), x);
        return;
    }
    m_figures = x.figures;
    m_blind = kind == Kind::Z && ShopOptions::flag(ctx.db, ShopOptions::BlindCount).value_or(false);

    auto* outer = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("<b>%1</b> &nbsp; Till %2, opened %3 by %4")
                                   .arg(kind == Kind::X ? QStringLiteral("X REPORT") : QStringLiteral("Z CLOSE"),
                                        ctx.till, m_figures.openedAt, m_figures.openedBy.toHtmlEscaped()),
                               this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    outer->addWidget(heading);
    m_grid = new QGridLayout;
    m_grid->setColumnStretch(0, 1);
    outer->addLayout(m_grid);
    if (kind == Kind::Z) {
        m_txtCounted = amountBox(this, "txtCounted");
        m_txtLeft = amountBox(this, "txtLeft");
        m_txtLeft->setText(money(m_figures.floatAmount));
        m_lblDifference = new QLabel(this);
        m_lblDifference->setObjectName(QStringLiteral("lblDifference"));
        QFont f = m_lblDifference->font();
        f.setBold(true);
        f.setPointSize(f.pointSize() + 2);
        m_lblDifference->setFont(f);
        auto* count = new QWidget(this);
        count->setObjectName(QStringLiteral("fraCount"));
        auto* form = new QFormLayout(count);
        form->setContentsMargins(0, 8, 0, 0);
        form->addRow(QStringLiteral("Counted cash:"), m_txtCounted);
        form->addRow(QStringLiteral("Left in drawer:"), m_txtLeft);
        form->addRow(QString(), m_lblDifference);
        outer->addWidget(count);
        connect(m_txtCounted, &QLineEdit::textChanged, this, &frmTillReport::updateCount);
    }
    outer->addStretch(1);
    m_cboPaper = paperBox(this, roll);
    m_cmdPrint = button(this, "cmdPrint", QStringLiteral("Print..."));
    m_cmdClose = button(this, "cmdCloseTill", QStringLiteral("Close Till (Z)"));
    auto* done = button(this, "cmdDone", kind == Kind::X ? QStringLiteral("Close") : QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Paper:"), this));
    buttons->addWidget(m_cboPaper);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdPrint);
    if (kind == Kind::Z)
        buttons->addWidget(m_cmdClose);
    else
        m_cmdClose->hide();
    buttons->addWidget(done);
    outer->addLayout(buttons);
    connect(m_cmdPrint, &QPushButton::clicked, this, &frmTillReport::print);
    connect(m_cmdClose, &QPushButton::clicked, this, &frmTillReport::closeTill);
    connect(done, &QPushButton::clicked, this, [this, done] {
        closeWindow(done->text() == QLatin1String("Close") && m_figures.isZ() ? QDialog::Accepted : QDialog::Rejected);
    });
    // A Z prints once it is taken; before, the count is the cashier's to type.
    m_cmdPrint->setVisible(kind == Kind::X);
    showFigures(m_figures, m_blind);
    if (kind == Kind::Z)
        updateCount();
    resizeToScreen(this, QSize(520, 480));
    m_ready = true;
    if (m_txtCounted)
        m_txtCounted->setFocus();
}

void frmTillReport::showFigures(const TillFigures& figures, bool blind)
{
    while (QLayoutItem* item = m_grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    int row = 0;
    for (const auto& [caption, value] : figures.lines(blind)) {
        if (caption.isEmpty()) {
            auto* rule = new QFrame(this);
            rule->setFrameShape(QFrame::HLine);
            m_grid->addWidget(rule, row++, 0, 1, 2);
            continue;
        }
        auto* c = new QLabel(caption, this);
        auto* v = new QLabel(value, this);
        v->setObjectName(QStringLiteral("fig") + QString(caption).remove(QRegularExpression(QStringLiteral("\\W"))));
        v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // The drawer's bottom line stands out.
        if (caption == u"Expected cash" || caption == u"Counted cash" || caption == u"Difference") {
            QFont bold = v->font();
            bold.setBold(true);
            c->setFont(bold);
            v->setFont(bold);
        }
        m_grid->addWidget(c, row, 0);
        m_grid->addWidget(v, row++, 1);
    }
}

void frmTillReport::updateCount()
{
    if (m_figures.isZ())
        return;
    const AmountReading counted = readAmount(m_txtCounted->text());
    // With a blind count, the expected cash shows only once a count is typed.
    showFigures(m_figures, m_blind && !counted.cents);
    if (!counted.cents) {
        m_lblDifference->setText(m_txtCounted->text().trimmed().isEmpty()
                                     ? QString()
                                     : QStringLiteral("The Counted cash box holds no amount: %1.").arg(counted.why));
        return;
    }
    const qint64 difference = *counted.cents - m_figures.expectedCash();
    m_lblDifference->setText(QStringLiteral("Difference: %1%2")
                                 .arg(money(difference), difference < 0   ? QStringLiteral(" (short)")
                                                         : difference > 0 ? QStringLiteral(" (over)")
                                                                          : QString()));
}

void frmTillReport::closeTill()
{
    const auto counted = amountIn(m_ctx, this, m_txtCounted, QStringLiteral("Counted cash"));
    if (!counted)
        return;
    const auto left = amountIn(m_ctx, this, m_txtLeft, QStringLiteral("Left in drawer"));
    if (!left)
        return;
    const TillResult r = TillSessions(m_ctx.db, m_ctx.till).closeZ(*counted, *left, m_who);
    switch (r.outcome) {
    case TillOutcome::Done:
        break;
    case TillOutcome::CartNotEmpty:
        m_ctx.platform.message(this,
                               QStringLiteral("The till's cart holds lines: finish or clear the sale before the Z."),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    case TillOutcome::LeftAboveCounted:
        m_ctx.platform.message(this, QStringLiteral("The Left in drawer is more than the Counted cash."),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        m_txtLeft->setFocus();
        m_txtLeft->selectAll();
        return;
    case TillOutcome::NoSession:
        m_ctx.platform.message(this, QStringLiteral("The till was closed meanwhile (at another window)."),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        closeWindow(QDialog::Rejected);
        return;
    default:
        failed(m_ctx, this, QStringLiteral("The Z was not taken: the session stays open."), r);
        return;
    }
    m_figures = r.figures;
    m_ctx.notificationsChanged();
    setWindowTitle(QStringLiteral("Z Report %1 - Till %2").arg(m_figures.zNumber).arg(m_ctx.till));
    findChild<QLabel*>(QStringLiteral("lblHeading"))
        ->setText(QStringLiteral("<b>Z REPORT No. %1</b> &nbsp; Till %2").arg(m_figures.zNumber).arg(m_ctx.till));
    showFigures(m_figures, false);
    // The Z shows what it stored; the boxes it was typed into are done with.
    findChild<QWidget*>(QStringLiteral("fraCount"))->hide();
    m_cmdClose->hide();
    m_cmdPrint->show();
    if (auto* done = findChild<QPushButton*>(QStringLiteral("cmdDone")))
        done->setText(QStringLiteral("Close"));
    m_cmdPrint->setFocus();
}

void frmTillReport::print()
{
    const BandedReport report =
        TillReport(m_figures, TillSessions::companyName(m_ctx.db), m_cboPaper->currentData().toBool());
    if (!showReportPreview(report, m_ctx.platform, this, true))
        m_ctx.platform.message(this,
                               m_figures.isZ() ? QStringLiteral("The Z was not printed; it is stored and can be "
                                                                "reprinted from Reports, Z Reports.")
                                               : QStringLiteral("The X was not printed."),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
}

frmZReports::frmZReports(AppContext& ctx, bool roll, QWidget* parent) : FormDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmZReports"));
    setWindowTitle(QStringLiteral("Z Reports"));
    m_txtTill = new QLineEdit(this);
    m_txtTill->setObjectName(QStringLiteral("txtTill"));
    m_txtTill->setPlaceholderText(QStringLiteral("every till"));
    auto* find = button(this, "cmdFind", QStringLiteral("Find"));
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Till:"), this));
    top->addWidget(m_txtTill, 1);
    top->addWidget(find);
    m_list = new QTableWidget(0, 7, this);
    m_list->setObjectName(QStringLiteral("lstZ"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("Z No."), QStringLiteral("Till"), QStringLiteral("Closed"),
                                       QStringLiteral("By"), QStringLiteral("Expected"), QStringLiteral("Counted"),
                                       QStringLiteral("Difference")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_cboPaper = paperBox(this, roll);
    auto* reprint = button(this, "cmdReprint", QStringLiteral("Reprint..."));
    auto* close = button(this, "cmdClose", QStringLiteral("Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Paper:"), this));
    buttons->addWidget(m_cboPaper);
    buttons->addStretch(1);
    buttons->addWidget(reprint);
    buttons->addWidget(close);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addWidget(m_list, 1);
    outer->addLayout(buttons);
    resizeToScreen(this, QSize(760, 480));
    connect(find, &QPushButton::clicked, this, &frmZReports::load);
    connect(m_txtTill, &QLineEdit::returnPressed, this, &frmZReports::load);
    connect(reprint, &QPushButton::clicked, this, &frmZReports::reprint);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, &frmZReports::reprint);
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(QDialog::Accepted); });
    load();
}

void frmZReports::load()
{
    QVector<ZSummary> list;
    QString error;
    if (!TillSessions::zReports(m_ctx.db, list, m_txtTill->text().trimmed(), &error)) {
        m_ctx.platform.message(this, QStringLiteral("The Z reports could not be read."), Platform::applicationTitle(),
                               QMessageBox::Ok, QMessageBox::Warning, error);
        return;
    }
    m_list->setRowCount(static_cast<int>(list.size()));
    for (int row = 0; row < list.size(); ++row) {
        const ZSummary& z = list.at(row);
        const QStringList cells{QString::number(z.zNumber), z.till,           z.closedAt,         z.closedBy,
                                money(z.expected),          money(z.counted), money(z.difference)};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells.at(column));
            if (column >= 4 || column == 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_list->setItem(row, column, item);
        }
    }
    m_list->resizeColumnsToContents();
    if (!list.isEmpty())
        m_list->selectRow(0);
}

void frmZReports::reprint()
{
    const int row = m_list->currentRow();
    if (row < 0 || !m_list->item(row, 0))
        return;
    const qint64 number = m_list->item(row, 0)->text().toLongLong();
    const auto z = TillSessions::storedZ(m_ctx.db, number);
    if (!z) {
        m_ctx.platform.message(this, QStringLiteral("Z %1 could not be read.").arg(number),
                               Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    showReportPreview(TillReport(*z, TillSessions::companyName(m_ctx.db), m_cboPaper->currentData().toBool()),
                      m_ctx.platform, this, true);
}
