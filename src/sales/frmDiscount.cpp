#include "sales/frmDiscount.h"

#include "platform/Platform.h"
#include "pricing/PricingStore.h"
#include "session/AppContext.h"
#include "session/Credentials.h"
#include "session/SessionState.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Pricing;

frmDiscount::frmDiscount(AppContext& ctx, const QString& saleNumber, const QString& itemNumber, const QString& what,
                         QWidget* parent)
    : FormDialog(parent), m_ctx(ctx), m_saleNumber(saleNumber), m_itemNumber(itemNumber)
{
    setObjectName(QStringLiteral("frmDiscount"));
    setWindowTitle(QStringLiteral("Discount"));

    PricingStore store(m_ctx.db, m_ctx.till);
    auto* lblWhat = new QLabel(what, this);
    lblWhat->setObjectName(QStringLiteral("lblWhat"));
    QFont bold = lblWhat->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    lblWhat->setFont(bold);

    m_optPercent = new QRadioButton(QStringLiteral("&Percentage"), this);
    m_optPercent->setObjectName(QStringLiteral("optPercent"));
    m_optAmount = new QRadioButton(QStringLiteral("A&mount"), this);
    m_optAmount->setObjectName(QStringLiteral("optAmount"));
    m_txtDiscount = new QLineEdit(this);
    m_txtDiscount->setObjectName(QStringLiteral("txtDiscount"));
    m_txtDiscount->setAlignment(Qt::AlignRight);
    // The discount given already, to change or to take away with 0.
    const auto given = store.openDiscount(m_saleNumber, m_itemNumber);
    const bool amount = given && given->kind == DiscountKind::Amount;
    (amount ? m_optAmount : m_optPercent)->setChecked(true);
    if (given)
        m_txtDiscount->setText(amount ? plainCents(given->value) : percentText(given->value));
    auto* kinds = new QHBoxLayout;
    kinds->addWidget(m_optPercent);
    kinds->addWidget(m_optAmount);
    kinds->addStretch(1);

    const bool admin = m_ctx.session().IsAdministrator();
    m_lblLimit = new QLabel(this);
    m_lblLimit->setObjectName(QStringLiteral("lblLimit"));
    m_lblLimit->setWordWrap(true);
    m_lblLimit->setText(admin ? QStringLiteral("You may give any discount.")
                              : QStringLiteral("Above %1% an administrator approves the discount.")
                                    .arg(percentText(store.discountLimit().value_or(0))));

    auto* approval = new QGroupBox(QStringLiteral("Administrator's approval"), this);
    approval->setObjectName(QStringLiteral("grpApproval"));
    m_txtApprover = new QLineEdit(approval);
    m_txtApprover->setObjectName(QStringLiteral("txtApprover"));
    m_txtApproverPassword = new QLineEdit(approval);
    m_txtApproverPassword->setObjectName(QStringLiteral("txtApproverPassword"));
    m_txtApproverPassword->setEchoMode(QLineEdit::Password);
    auto* approvalForm = new QFormLayout(approval);
    approvalForm->addRow(QStringLiteral("User name:"), m_txtApprover);
    approvalForm->addRow(QStringLiteral("Password:"), m_txtApproverPassword);
    approval->setVisible(!admin);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Kind:"), kinds);
    form->addRow(QStringLiteral("Discount:"), m_txtDiscount);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &frmDiscount::give);
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { closeWindow(QDialog::Rejected); });

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(lblWhat);
    outer->addLayout(form);
    outer->addWidget(m_lblLimit);
    outer->addWidget(approval);
    outer->addStretch(1);
    outer->addWidget(buttons);
    resize(420, admin ? 220 : 320);
    m_txtDiscount->setFocus();
    m_txtDiscount->selectAll();
}

void frmDiscount::give()
{
    Platform& p = m_ctx.platform;
    DiscountSigner signer;
    signer.giver = m_ctx.session().DisplayName();
    signer.giverType = m_ctx.session().AccountType();
    // The approver is checked as signing in checks an account; a wrong password finds no one.
    const QString user = m_txtApprover->text().trimmed();
    if (!user.isEmpty()) {
        const Credentials::Lookup found = Credentials::findAccount(m_ctx.db, user, m_txtApproverPassword->text());
        if (found.result == Credentials::Lookup::Result::ReadFailed) {
            p.writeFailed(this, found.error, found.detail);
            return;
        }
        if (found.result == Credentials::Lookup::Result::Found) {
            signer.approver = found.who.login;
            signer.approverType = found.who.type;
        }
    }
    PricingStore store(m_ctx.db, m_ctx.till);
    const DiscountKind kind = m_optAmount->isChecked() ? DiscountKind::Amount : DiscountKind::Percent;
    const DiscountResult r = store.giveDiscount(m_saleNumber, m_itemNumber, kind, m_txtDiscount->text(), signer);
    switch (r.outcome) {
    case DiscountOutcome::Given:
    case DiscountOutcome::Removed:
        m_ctx.notificationsChanged();
        closeWindow(QDialog::Accepted);
        return;
    case DiscountOutcome::BadInput:
        p.message(this, problemText(r.problem, QStringLiteral("Discount")), QStringLiteral("Discount"));
        m_txtDiscount->setFocus();
        m_txtDiscount->selectAll();
        return;
    case DiscountOutcome::ApprovalNeeded:
        p.message(this,
                  QStringLiteral("A discount above %1% needs an administrator's approval: type an administrator's "
                                 "user name and password in the User name and Password boxes.")
                      .arg(percentText(r.limit)),
                  QStringLiteral("Discount"));
        m_txtApprover->setFocus();
        return;
    case DiscountOutcome::NoLine:
        p.message(this, QStringLiteral("That line is no longer in the cart."), QStringLiteral("Discount"));
        closeWindow(QDialog::Rejected);
        return;
    case DiscountOutcome::WriteFailed:
        p.writeFailed(this, QStringLiteral("The discount was not stored: the cart is unchanged."), r.error);
        return;
    }
}
