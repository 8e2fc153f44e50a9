#include "TestEnv.h"

#include "data/Backup.h"
#include "session/frmMain.h"

#include <QCoreApplication>
#include <QTest>

InitOptions TestEnv::defaultOptions()
{
    InitOptions options;
    options.adminUser = adminUser();
    options.adminPassword = adminPassword();
    return options;
}

QString TestEnv::serverConnection()
{
    return qEnvironmentVariable("PEMVIX_TEST_SERVER").trimmed();
}

void TestEnv::createOnServer(const InitOptions& options)
{
    static int made = 0;
    m_serverDb = QStringLiteral("pemvix_t_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    Database maintenance;
    if (!maintenance.openServer(serverConnection()))
        qFatal("cannot connect to PEMVIX_TEST_SERVER: %s", qPrintable(maintenance.lastError()));
    // The name is made here from digits, never from input. A database is created or dropped
    // by a statement of its own.
    if (!maintenance.executeScript(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_serverDb)) ||
        !maintenance.executeScript(QStringLiteral("CREATE DATABASE %1").arg(m_serverDb)))
        qFatal("cannot create the test database %s: %s", qPrintable(m_serverDb), qPrintable(maintenance.lastError()));
    m_connection = serverConnection() + QStringLiteral(" dbname=") + m_serverDb;
    if (!db.openServer(m_connection))
        qFatal("cannot open the test database: %s", qPrintable(db.lastError()));
    QString error;
    if (!createServerDatabase(db, options, &error))
        qFatal("cannot create the test tables: %s", qPrintable(error));
}

void TestEnv::dropFromServer()
{
    Database maintenance;
    if (!maintenance.openServer(serverConnection()) ||
        !maintenance.executeScript(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_serverDb)))
        qWarning("the test database %s was not dropped: %s", qPrintable(m_serverDb),
                 qPrintable(maintenance.lastError()));
}

bool TestEnv::openAnother(Database& other) const
{
    return m_connection.isEmpty() ? other.open(m_dbPath) : other.openServer(m_connection);
}

TestEnv::TestEnv(InitOptions options)
{
    if (onServer()) {
        createOnServer(options);
    } else {
        m_dbPath = m_dir.filePath(Database::fileName());
        QString error;
        if (!createDatabaseFile(m_dbPath, options, &error))
            qFatal("cannot create the test database: %s", qPrintable(error));
        if (!db.open(m_dbPath))
            qFatal("cannot open the test database: %s", qPrintable(db.lastError()));
    }
    platform.setTargetGuard([this](const QString& path) { return shopFileRefusal(db, path); });
    platform.setMessageHook([this](const MessageRecord& record) {
        messages << record;
        if (record.buttons.testFlag(QMessageBox::Yes) || record.buttons.testFlag(QMessageBox::No)) {
            if (answers.empty())
                return QMessageBox::No;
            const auto button = answers.front();
            answers.pop_front();
            return button;
        }
        return QMessageBox::Ok;
    });
    platform.setModalHook([this](QDialog& dialog) {
        modalWindows << dialog.objectName();
        if (modalHandlers.empty())
            return static_cast<int>(QDialog::Rejected);
        auto handler = std::move(modalHandlers.front());
        modalHandlers.pop_front();
        return handler(dialog);
    });
}

TestEnv::~TestEnv()
{
    m_main.reset();
    db.close();
    if (!m_serverDb.isEmpty())
        dropFromServer();
}

frmMain& TestEnv::main()
{
    if (!m_main)
        m_main = std::make_unique<frmMain>(ctx);
    return *m_main;
}

void TestEnv::setSession(const QString& displayName, const QString& accountType, const QString& domain)
{
    SessionState& s = main().session();
    s.setDisplayName(displayName);
    s.setAccountType(accountType);
    s.setDomainName(domain);
}

QStringList TestEnv::messageTexts() const
{
    QStringList texts;
    for (const MessageRecord& m : messages)
        texts << m.text;
    return texts;
}

int TestEnv::exec(const QString& sql, const QVariantList& params)
{
    const int n = db.ExecuteSql(sql, params);
    if (n < 0)
        qWarning("statement failed: %s", qPrintable(db.lastError()));
    return n;
}

QString TestEnv::scalar(const QString& sql, const QVariantList& params)
{
    const Recordset r = db.query(sql, params);
    return r.BOF() ? QString() : r.rows().first().first().toString();
}

int TestEnv::count(const QString& table)
{
    return scalar(QStringLiteral("SELECT count(*) FROM %1").arg(table)).toInt();
}

void TestEnv::refuseWrites(const QString& name, const QString& when, const QString& message)
{
    // The message is a test's own text; quotes are doubled all the same.
    QString quoted = message;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    const bool ok =
        db.isServer()
            ? db.executeScript(QStringLiteral("CREATE OR REPLACE FUNCTION pemvix_test_%1() RETURNS trigger LANGUAGE "
                                              "plpgsql AS $$BEGIN RAISE EXCEPTION '%2'; END$$")
                                   .arg(name, quoted)) &&
                  db.executeScript(QStringLiteral("CREATE TRIGGER %1 %2 FOR EACH ROW EXECUTE FUNCTION pemvix_test_%1()")
                                       .arg(name, when))
            : db.executeScript(
                  QStringLiteral("CREATE TRIGGER %1 %2 BEGIN SELECT RAISE(ABORT, '%3'); END").arg(name, when, quoted));
    if (!ok)
        qFatal("cannot refuse writes %s: %s", qPrintable(when), qPrintable(db.lastError()));
}

void TestEnv::answerYesToAll()
{
    platform.setMessageHook([this](const MessageRecord& m) {
        messages << m;
        return m.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
}
