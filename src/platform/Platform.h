#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>

class QDialog;
class QLockFile;
class QWidget;

// One message box as the program asked for it.
struct MessageRecord
{
    QString text;
    QString title;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    QString details; // the box's "Show Details..." text
    // The button Enter presses; NoButton leaves the choice to the box (Yes of Yes/No).
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Everything the windows ask of the system: message boxes, showing windows modally, the
// single-instance test. One instance lives in the application context; tests install hooks
// on it to answer message boxes and modal windows without nested event loops.
class Platform
{
public:
    // The application title, used by every message box that names no title of its own.
    static QString applicationTitle() { return QStringLiteral("Pemvix"); }

    Platform();
    ~Platform();

    // A modal message box; returns the button pressed. `details`, when given, is shown only on
    // "Show Details...".
    QMessageBox::StandardButton message(QWidget* parent, const QString& text, const QString& title = applicationTitle(),
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::Icon icon = QMessageBox::Information, const QString& details = {},
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    // A Yes/No question with the question icon; true on Yes. `defaultButton` is the one Enter
    // presses (No for a question whose Yes cannot be undone).
    bool ask(QWidget* parent, const QString& text, const QString& title = applicationTitle(),
             QMessageBox::Icon icon = QMessageBox::Question,
             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    // The message of a failed write (title "Pemvix", exclamation icon): its text says in the
    // shop's words what was not saved; the engine's statement and error go to its details.
    void writeFailed(QWidget* parent, const QString& what, const QString& detail = {});

    // Shows a window modally and returns its result (QDialog::exec, or the modal hook).
    int showModal(QDialog& dialog);

    // The file dialog: a file to open, or the name to save under (`suffix` is added when the
    // name typed has none). `filter` as for QFileDialog. Empty when the user cancels.
    QString openFileName(QWidget* parent, const QString& caption, const QString& filter);
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestedName, const QString& filter,
                         const QString& suffix);

    // Says why no file may be written at a path (the shop's own files), or nothing when it may.
    // A save dialog that names such a file tells the user so and returns empty.
    using TargetGuard = std::function<QString(const QString& path)>;
    void setTargetGuard(TargetGuard guard) { m_targetGuard = std::move(guard); }
    // True for a folder the next file dialog may open in: one where files can be written, on a
    // disk or share (not the kernel's own folders such as /proc, where a dialog can hang).
    static bool isRememberableFolder(const QString& folder);

    // Test hooks. The message hook answers every message box; the modal hook is given each
    // window that would be shown modally and returns its result instead of exec().
    using MessageHook = std::function<QMessageBox::StandardButton(const MessageRecord&)>;
    using ModalHook = std::function<int(QDialog&)>;
    void setMessageHook(MessageHook hook) { m_messageHook = std::move(hook); }
    void setModalHook(ModalHook hook) { m_modalHook = std::move(hook); }
    // The file hook is given the dialog's caption and the name suggested (empty when opening)
    // and returns the file chosen instead of the file dialog.
    using FileHook = std::function<QString(const QString& caption, const QString& suggestedName)>;
    void setFileHook(FileHook hook) { m_fileHook = std::move(hook); }

    // True when another copy of the program already runs for this user. The first copy holds
    // a lock file until it ends; `lockName` lets tests use a lock of their own.
    bool anotherInstanceRunning(const QString& lockName = QStringLiteral("pemvix.lock"));

    // The till this copy of the program is for the database file at `databasePath`: the lowest
    // number no other running copy holds for that file (1 for the first copy). The number is
    // held by a lock file beside the database file until this Platform ends; a copy that
    // ended in any way frees its number, also when a power cut left its lock file empty or
    // garbled. 0 when every number is held (or no lock could be made): this copy is no till.
    int claimTill(const QString& databasePath, int highest = 99);
    int till() const { return m_till; }

private:
    MessageHook m_messageHook;
    ModalHook m_modalHook;
    FileHook m_fileHook;
    TargetGuard m_targetGuard;
    QString fileDialog(QWidget* parent, const QString& caption, const QString& suggestedName, const QString& filter,
                       const QString& suffix, bool save);
    QString m_fileFolder; // where the last file was chosen
    std::unique_ptr<QLockFile> m_instanceLock;
    QString m_instanceLockPath;
    std::unique_ptr<QLockFile> m_tillLock;
    int m_till = 0;
};
