#include "till/frmOpenTill.h"

#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "pricing/Pricing.h"
#include "session/AppContext.h"
#include "till/TillSessions.h"
#include "till/TillWidgets.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace TillWidgets;

frmOpenTill::frmOpenTill(AppContext& ctx, const QString& who, QWidget* parent)
    : FormDialog(parent), m_ctx(ctx), m_who(who)
{
    setObjectName(QStringLiteral("frmOpenTill"));
    setWindowTitle(QStringLiteral("Open Till %1").arg(ctx.till));
    m_txtFloat = amountBox(this, "txtFloat");
    m_txtFloat->setText(Pricing::centsText(TillSessions(ctx.db, ctx.till).proposedFloat()));
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
