#include "platform/Platform.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QStorageInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

Platform::Platform() = default;
Platform::~Platform() = default;

QMessageBox::StandardButton Platform::message(QWidget* parent, const QString& text, const QString& title,
                                              QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                              const QString& details, QMessageBox::StandardButton defaultButton)
{
    const QString shownTitle = title.isEmpty() ? applicationTitle() : title;
    if (m_messageHook)
        return m_messageHook(MessageRecord{text, shownTitle, buttons, icon, details, defaultButton});
    QMessageBox box(icon, shownTitle, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    if (!details.isEmpty())
        box.setDetailedText(details);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool Platform::ask(QWidget* parent, const QString& text, const QString& title, QMessageBox::Icon icon,
                   QMessageBox::StandardButton defaultButton)
{
    return message(parent, text, title, QMessageBox::Yes | QMessageBox::No, icon, {}, defaultButton) ==
           QMessageBox::Yes;
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

QString Platform::openFileName(QWidget* parent, const QString& caption, const QString& filter)
{
    return fileDialog(parent, caption, {}, filter, {}, false);
}

QString Platform::saveFileName(QWidget* parent, const QString& caption, const QString& suggestedName,
                               const QString& filter, const QString& suffix)
{
    return fileDialog(parent, caption, suggestedName, filter, suffix, true);
}

QString Platform::fileDialog(QWidget* parent, const QString& caption, const QString& suggestedName,
                             const QString& filter, const QString& suffix, bool save)
{
    QString chosen;
    if (m_fileHook) {
        chosen = m_fileHook(caption, suggestedName);
    } else {
        if (m_fileFolder.isEmpty())
            m_fileFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QFileDialog dialog(parent, caption, m_fileFolder, filter);
        dialog.setObjectName(QStringLiteral("fileDialog"));
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (save) {
            dialog.setDefaultSuffix(suffix);
            dialog.selectFile(suggestedName);
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().first();
    }
    if (chosen.isEmpty())
        return chosen;
    const QString folder = QFileInfo(chosen).absolutePath();
    if (isRememberableFolder(folder))
        m_fileFolder = folder;
    QString refusal = save && m_targetGuard ? m_targetGuard(chosen) : QString();
    const QString chosenFile = QFileInfo(chosen).canonicalFilePath();
    if (save && !m_instanceLockPath.isEmpty() && !chosenFile.isEmpty() &&
        chosenFile == QFileInfo(m_instanceLockPath).canonicalFilePath())
        refusal = QStringLiteral("the lock file of the running program");
    if (!refusal.isEmpty()) {
        message(parent,
                QStringLiteral("%1 is %2; nothing is written over it.\n\nChoose another name or folder.")
                    .arg(QDir::toNativeSeparators(chosen), refusal),
                caption, QMessageBox::Ok, QMessageBox::Warning);
        return {};
    }
    return chosen;
}

bool Platform::isRememberableFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        return false;
    // The kernel's folders show files that are not files; a dialog listing them can block.
    static const QStringList kernelKinds{
        QStringLiteral("proc"),       QStringLiteral("sysfs"),    QStringLiteral("devtmpfs"), QStringLiteral("devpts"),
        QStringLiteral("cgroup"),     QStringLiteral("cgroup2"),  QStringLiteral("debugfs"),  QStringLiteral("tracefs"),
        QStringLiteral("securityfs"), QStringLiteral("configfs"), QStringLiteral("bpf"),      QStringLiteral("pstore")};
    const QStorageInfo volume(info.canonicalFilePath());
    return info.isWritable() && volume.isValid() && !volume.isReadOnly() &&
           !kernelKinds.contains(QString::fromLatin1(volume.fileSystemType()));
}

namespace {

// Where the program's lock files live: the user's runtime folder.
QString lockFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

// Removes the lock file `path` when no running copy holds it, whatever it holds: a running copy
// keeps an exclusive flock on its lock file for as long as it runs, which the system lets go of
// when the copy ends, however it ends. A file left empty or half written by a power cut, or
// naming a process number that a later process now has, is no one's. True when it was removed.
bool removeUnheldLock(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool removed = false;
    struct stat opened = {};
    struct stat named = {};
    // Only the file still under that name: another copy may have taken its place meanwhile.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 && ::stat(name.constData(), &named) == 0 &&
        opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
        removed = ::unlink(name.constData()) == 0;
    ::close(fd);
    return removed;
}

} // namespace

int Platform::claimTill(const QString& databasePath, int highest)
{
    if (m_till > 0)
        return m_till;
    // One lock per till number, beside the database file: every copy that sells from this file
    // sees them, whichever user runs it (anyone who can write the file can write its folder,
    // where the database keeps its journal), and copies on other files do not count.
    const QFileInfo file(databasePath);
    for (int till = 1; till <= highest; ++till) {
        auto lock = std::make_unique<QLockFile>(
            file.absoluteDir().filePath(QStringLiteral("%1.till-%2.lock").arg(file.fileName()).arg(till)));
        lock->setStaleLockTime(0); // a crashed copy's lock names a dead process and is taken over
        if (lock->tryLock(0) || (removeUnheldLock(lock->fileName()) && lock->tryLock(0))) {
            m_tillLock = std::move(lock);
            m_till = till;
            return till;
        }
    }
    return 0;
}

bool Platform::anotherInstanceRunning(const QString& lockName)
{
    const QString path = lockFolder() + QLatin1Char('/') + lockName;
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0); // a lock left by a crashed copy is recognised by its dead process
    if (lock->tryLock(0)) {
        m_instanceLock = std::move(lock);
        m_instanceLockPath = path;
        return false;
    }
    return true;
}
