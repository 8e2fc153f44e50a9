#include "platform/Platform.h"

#include <QDialog>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

Platform::Platform() = default;
Platform::~Platform() = default;

QMessageBox::StandardButton Platform::message(QWidget* parent, const QString& text, const QString& title,
                                              QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                              const QString& details)
{
    const QString shownTitle = title.isEmpty() ? applicationTitle() : title;
    if (m_messageHook)
        return m_messageHook(MessageRecord{text, shownTitle, buttons, icon, details});
    QMessageBox box(icon, shownTitle, text, buttons, parent);
    if (!details.isEmpty())
        box.setDetailedText(details);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool Platform::ask(QWidget* parent, const QString& text, const QString& title, QMessageBox::Icon icon)
{
    return message(parent, text, title, QMessageBox::Yes | QMessageBox::No, icon) == QMessageBox::Yes;
}

void Platform::writeFailed(QWidget* parent, const QString& what, const QString& detail)
{
    message(parent, what, applicationTitle(), QMessageBox::Ok, QMessageBox::Warning, detail);
}

int Platform::showModal(QDialog& dialog)
{
    if (m_modalHook)
        return m_modalHook(dialog);
    return dialog.exec();
}

bool Platform::anotherInstanceRunning(const QString& lockName)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    auto lock = std::make_unique<QLockFile>(dir + QLatin1Char('/') + lockName);
    lock->setStaleLockTime(0); // a lock left by a crashed copy is recognised by its dead process
    if (lock->tryLock(0)) {
        m_instanceLock = std::move(lock);
        return false;
    }
    return true;
}
