#pragma once

#include "data/Database.h"
#include "data/Schema.h"
#include "platform/Platform.h"
#include "session/AppContext.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>

class frmMain;
class WindowFactory;

// A fresh encrypted database in a temporary folder, made by the same code as pemvix-initdb,
// with the application context around it. With PEMVIX_TEST_SERVER set to the libpq connection
// string (keyword=value form) of a maintenance database on a PostgreSQL cluster where the
// test's role may create databases, it is a fresh database on that server instead
// (pemvix_t_<pid>_<n>, made by the code of pemvix-initdb --server and dropped at the end). Message boxes and modal
// windows are answered through the platform's hooks: every message is recorded, questions take the queued answers (No
// when none is queued), and modal windows run the queued handlers (or are recorded and rejected at once).
class TestEnv
{
public:
    static QString adminUser() { return QStringLiteral("Admin"); }
    static QString adminPassword() { return QStringLiteral("admin-pass"); }

    explicit TestEnv(InitOptions options = defaultOptions());
    ~TestEnv();

    static InitOptions defaultOptions();

    // The maintenance connection string of PEMVIX_TEST_SERVER; empty: tests run on files.
    static QString serverConnection();
    static bool onServer() { return !serverConnection().isEmpty(); }

    QString dir() const { return m_dir.path(); }
    // The database file; empty on a server.
    QString dbPath() const { return m_dbPath; }
    // The test database's connection string on a server; empty for a file.
    QString connection() const { return m_connection; }
    // Opens another connection to the test's database (a second till), file or server.
    bool openAnother(Database& other) const;

    Database db;
    Platform platform;
    AppContext ctx{db, platform};

    // Creates the main window (once) and puts it into the context.
    frmMain& main();
    // Sets the session as a sign-in would (for windows tested on their own).
    void setSession(const QString& displayName, const QString& accountType, const QString& domain = QStringLiteral("frontdesk"));

    // Message boxes.
    QList<MessageRecord> messages;
    std::deque<QMessageBox::StandardButton> answers;
    void answer(QMessageBox::StandardButton button) { answers.push_back(button); }
    // From now on every question is answered Yes (and every message still recorded).
    void answerYesToAll();
    MessageRecord lastMessage() const { return messages.isEmpty() ? MessageRecord{} : messages.last(); }
    QStringList messageTexts() const;

    // Modal windows.
    using ModalHandler = std::function<int(QDialog&)>;
    std::deque<ModalHandler> modalHandlers;
    QStringList modalWindows; // objectNames of every window shown modally, in order
    void onModal(ModalHandler handler) { modalHandlers.push_back(std::move(handler)); }

    // Runs a statement on the test's own connection; fails the test when it fails.
    int exec(const QString& sql, const QVariantList& params = {});
    // The first column of the first row, as text (empty when no row).
    QString scalar(const QString& sql, const QVariantList& params = {});
    int count(const QString& table);
    // Makes a write fail as a full disk would: a trigger `name` that aborts with `message`
    // `when` ("BEFORE UPDATE ON tblStocks") on either engine; fails the test when it cannot.
    void refuseWrites(const QString& name, const QString& when, const QString& message);

private:
    void createOnServer(const InitOptions& options);
    void dropFromServer();

    QTemporaryDir m_dir;
    QString m_dbPath;
    QString m_serverDb;
    QString m_connection;
    std::unique_ptr<frmMain> m_main;
};
