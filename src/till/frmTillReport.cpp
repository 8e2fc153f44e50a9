#include "till/frmTillReport.h"

#include "catalog/ShopOptions.h"
#include "platform/BandedReport.h"
#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "pricing/Pricing.h"
#include "session/AppContext.h"
#include "till/TillAmount.h"
#include "till/TillReport.h"
#include "till/TillSessions.h"
#include "till/TillWidgets.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

using namespace TillWidgets;

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
        m_txtLeft->setText(Pricing::centsText(m_figures.floatAmount));
        m_lblDifference = new QLabel(this);
        m_lblDifference->setObjectName(QStringLiteral("lblDifference"));
        // A long reason wraps inside the window instead of widening it past the screen.
        m_lblDifference->setWordWrap(true);
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
                                 .arg(Pricing::centsText(difference), difference < 0   ? QStringLiteral(" (short)")
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
