#pragma once

#include "platform/FormDialog.h"
#include "session/Credentials.h"

#include <QMessageBox>

#include <functional>

class Platform;
class QLineEdit;

// Asks for a new password twice (and, for one's own, the current one first) in masked boxes.
// An empty or unverified password is refused with a message and the window stays open; a
// password that passes goes to the save function, which stores it. The window closes
// (Accepted) once it was stored, and stays open with what was typed when it was not, saying so.
class frmPassword : public FormDialog
{
    Q_OBJECT

public:
    // Stores the password; on Failed, `error` says why (shown in the message's details).
    using Save = std::function<Credentials::Outcome(const QString& current, const QString& password, QString* error)>;

    // `whose` names the account or employee; `kind` says how long a password its row takes (a
    // longer one is refused with a message, never cut short).
    frmPassword(Platform& platform, const QString& whose, Credentials::Kind kind, bool askCurrent, Save save,
                QWidget* parent = nullptr);
    ~frmPassword() override;

    // The password that was stored (empty until then).
    QString storedPassword() const { return m_stored; }

private:
    void cmdChange_Click();
    void refuse(const QString& text, QLineEdit* focus, QMessageBox::Icon icon = QMessageBox::Information);

    Platform& m_platform;
    Save m_save;
    Credentials::Kind m_kind;
    QLineEdit* m_txtCurrent = nullptr;
    QLineEdit* m_txtNew = nullptr;
    QLineEdit* m_txtVerify = nullptr;
    QString m_stored;
};
