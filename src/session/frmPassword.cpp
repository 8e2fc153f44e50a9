#include "session/frmPassword.h"

#include "platform/Platform.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("Change Password");

// The boxes take any length, so a pasted passphrase is never cut short unseen; the length is
// checked on "Change".
QLineEdit* passwordBox(const QString& name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setEchoMode(QLineEdit::Password);
    box->setMinimumWidth(240);
    return box;
}

} // namespace

frmPassword::frmPassword(Platform& platform, const QString& whose, Credentials::Kind kind, bool askCurrent, Save save,
                         QWidget* parent)
    : FormDialog(parent), m_platform(platform), m_save(std::move(save)), m_kind(kind)
{
    setObjectName(QStringLiteral("frmPassword"));
    setWindowTitle(kTitle);

    auto* lblWhose = new QLabel(whose, this);
    lblWhose->setObjectName(QStringLiteral("lblWhose"));
    lblWhose->setWordWrap(true);
    QFont bold = lblWhose->font();
    bold.setBold(true);
    lblWhose->setFont(bold);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    if (askCurrent) {
        m_txtCurrent = passwordBox(QStringLiteral("txtCurrent"), this);
        form->addRow(QStringLiteral("Current Password:"), m_txtCurrent);
    }
    m_txtNew = passwordBox(QStringLiteral("txtNew"), this);
    m_txtVerify = passwordBox(QStringLiteral("txtVerify"), this);
    form->addRow(QStringLiteral("New Password:"), m_txtNew);
    form->addRow(QStringLiteral("Verify Password:"), m_txtVerify);

    // Enter in any box presses "Change"; the window closes only through its two buttons.
    auto* cmdChange = new QPushButton(QStringLiteral("Change"), this);
    cmdChange->setObjectName(QStringLiteral("cmdChange"));
    cmdChange->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    for (QPushButton* b : {cmdChange, cmdCancel})
        b->setMinimumWidth(96);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdChange);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(12);
    layout->addWidget(lblWhose);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdChange, &QPushButton::clicked, this, &frmPassword::cmdChange_Click);
    connect(cmdCancel, &QPushButton::clicked, this, [this] { closeWindow(QDialog::Rejected); });
    (m_txtCurrent ? m_txtCurrent : m_txtNew)->setFocus();
}

frmPassword::~frmPassword() = default;

void frmPassword::refuse(const QString& text, QLineEdit* focus, QMessageBox::Icon icon)
{
    m_platform.message(this, text, kTitle, QMessageBox::Ok, icon);
    focus->setFocus();
}

void frmPassword::cmdChange_Click()
{
    if (m_txtCurrent && m_txtCurrent->text().isEmpty())
        return refuse(QStringLiteral("Enter your current password!"), m_txtCurrent);
    if (m_txtNew->text().isEmpty())
        return refuse(QStringLiteral("Enter the new password!"), m_txtNew);
    if (m_txtVerify->text().isEmpty())
        return refuse(QStringLiteral("Verify the new password!"), m_txtVerify);
    if (m_txtNew->text() != m_txtVerify->text()) { // exact: letter case counts here
        m_txtNew->clear();
        m_txtVerify->clear();
        return refuse(QStringLiteral("Password didn't matched!"), m_txtNew, QMessageBox::Warning);
    }
    // What was typed stays, so it can be shortened.
    if (const QString refused =
            Credentials::passwordRefusal(m_kind, m_txtNew->text(), QStringLiteral("The New Password"));
        !refused.isEmpty())
        return refuse(refused, m_txtNew, QMessageBox::Warning);
    QString error;
    switch (m_save(m_txtCurrent ? m_txtCurrent->text() : QString(), m_txtNew->text(), &error)) {
    case Credentials::Outcome::Changed:
        m_stored = m_txtNew->text();
        closeWindow(QDialog::Accepted);
        break;
    case Credentials::Outcome::WrongCurrent:
        if (m_txtCurrent) {
            m_txtCurrent->clear();
            refuse(QStringLiteral("The current password is not correct. Nothing was changed."), m_txtCurrent,
                   QMessageBox::Warning);
        }
        break;
    case Credentials::Outcome::Failed:
        // What was typed stays, so the change can be tried again.
        m_platform.writeFailed(this, QStringLiteral("The password was not changed."), error);
        break;
    }
}
