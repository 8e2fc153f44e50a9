#include "TestEnv.h"

#include "session/frmMain.h"

#include <QTest>

InitOptions TestEnv::defaultOptions()
{
    InitOptions options;
    options.adminUser = adminUser();
    options.adminPassword = adminPassword();
    return options;
}

TestEnv::TestEnv(InitOptions options)
{
    m_dbPath = m_dir.filePath(Database::fileName());
    QString error;
    if (!createDatabaseFile(m_dbPath, options, &error))
        qFatal("cannot create the test database: %s", qPrintable(error));
    if (!db.open(m_dbPath))
        qFatal("cannot open the test database: %s", qPrintable(db.lastError()));
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
    ctx.main = nullptr;
    m_main.reset();
    db.close();
}

frmMain& TestEnv::main()
{
    if (!m_main) {
        m_main = std::make_unique<frmMain>(ctx);
        ctx.main = m_main.get();
    }
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

void TestEnv::answerYesToAll()
{
    platform.setMessageHook([this](const MessageRecord& m) {
        messages << m;
        return m.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
}
