#include "till/frmCashMove.h"

#include "platform/Platform.h"
#include "platform/ScreenFit.h"
#include "pricing/Pricing.h"
#include "session/AppContext.h"
#include "till/TillSessions.h"
#include "till/TillWidgets.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace TillWidgets;

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
                   .arg(Pricing::centsText(r.figures.expectedCash())),
               m_txtAmount);
        return;
    default:
        failed(m_ctx, this, QStringLiteral("The cash %1 was not stored.").arg(in ? "in" : "out"), r);
        return;
    }
}
