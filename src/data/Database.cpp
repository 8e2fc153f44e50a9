#include "data/Database.h"

#include "data/PgEngine.h"
#include "data/Schema.h"
#include "data/SqliteEngine.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace {

// How often a long query tells its progress.
constexpr int kProgressEveryMs = 10;
// How long a wanted till name is asked for again before the next one is taken, and how often.
constexpr int kTillNameWaitMs = 1000;
constexpr int kTillNameRetryMs = 100;

} // namespace

QByteArray Database::password()
{
    return QStringLiteral("\u00A5\u00A6\u00A7\u00B6\u00B5\u00D7\u00F7").toUtf8();
}

Database::Database() = default;

Database::~Database()
{
    close();
}

void Database::takeError()
{
    m_lastError = m_engine ? m_engine->lastError() : QStringLiteral("The database is not open.");
}

bool Database::isOpen() const
{
    return m_engine && m_engine->isOpen();
}

bool Database::isServer() const
{
    return m_engine && m_engine->isServer();
}

sqlite3* Database::handle() const
{
    return m_engine && !m_engine->isServer() ? static_cast<SqliteEngine*>(m_engine.get())->handle() : nullptr;
}

bool Database::open(const QString& path)
{
    close();
    m_path = path;
    if (!QFileInfo(path).isFile()) {
        m_lastError = QStringLiteral("The database file %1 does not exist.").arg(path);
        return false;
    }
    auto engine = std::make_unique<SqliteEngine>();
    if (!engine->open(path, false)) {
        m_lastError = engine->lastError();
        return false;
    }
    m_engine = std::move(engine);
    // A file made by an earlier version gets the columns this one needs, once.
    if (!upgradeSchema(*this)) {
        m_lastError = QStringLiteral("%1 could not be brought up to date: %2").arg(path, m_lastError);
        close();
        return false;
    }
    return true;
}

bool Database::create(const QString& path)
{
    close();
    m_path = path;
    if (QFileInfo::exists(path)) {
        m_lastError = QStringLiteral("%1 already exists; it is never overwritten.").arg(path);
        return false;
    }
    // A link whose file is missing (a share not mounted) would get a new, empty shop written
    // through it where the real one is expected.
    if (QFileInfo(path).isSymLink()) {
        m_lastError = QStringLiteral("%1 is a link to a missing file; no database is created through it.").arg(path);
        return false;
    }
    auto engine = std::make_unique<SqliteEngine>();
    if (!engine->open(path, true)) {
        m_lastError = engine->lastError();
        return false;
    }
    m_engine = std::move(engine);
    return true;
}

QString Database::serviceConnection(const QString& service)
{
    QString quoted = service;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QStringLiteral("service='%1'").arg(quoted);
}

bool Database::openServer(const QString& conninfo)
{
    close();
    m_path.clear();
    auto engine = std::make_unique<PgEngine>();
    const bool connected = engine->open(conninfo);
    if (!connected)
        m_lastError = engine->lastError();
    // Kept unconnected: the next statement connects, once the server is there.
    m_engine = std::move(engine);
    // A shop's database made by an earlier version gets the tables this one needs, once: now,
    // or before the first statement once the server is there.
    m_upgradePending = true;
    if (connected && !upgradeWhenConnected()) {
        m_lastError = QStringLiteral("The server's database could not be brought up to date: %1").arg(m_lastError);
        close();
        return false;
    }
    return connected;
}

bool Database::upgradeWhenConnected()
{
    if (!m_upgradePending || m_upgrading)
        return true;
    m_upgrading = true;
    const bool upgraded = upgradeServerSchema(*this);
    m_upgrading = false;
    if (upgraded)
        m_upgradePending = false;
    return upgraded;
}

Engine::ConnectFault Database::connectFault() const
{
    return m_engine ? m_engine->connectFault() : Engine::ConnectFault::None;
}

QString Database::connectFaultSentence() const
{
    switch (connectFault()) {
    case Engine::ConnectFault::None:
        break;
    case Engine::ConnectFault::Unreachable:
        return QStringLiteral("The database server cannot be reached.");
    case Engine::ConnectFault::PasswordRefused:
        return QStringLiteral("The database server refused the password (pg_service.conf, .pgpass).");
    case Engine::ConnectFault::Refused:
        return QStringLiteral("The database server refused the connection.");
    }
    return {};
}

QString Database::claimTillName(const QString& wanted, int highest)
{
    if (!isServer()) {
        m_lastError = QStringLiteral("Till names are held on a database server only.");
        return {};
    }
    // A copy closed or killed just now holds its name until the server has noticed; the copy
    // started in its place should find its cart rather than begin another.
    QDeadlineTimer patience(kTillNameWaitMs);
    QString name = wanted;
    Engine::NameHold hold = m_engine->holdTillName(name);
    while (hold == Engine::NameHold::Taken && !patience.hasExpired()) {
        QThread::msleep(kTillNameRetryMs);
        hold = m_engine->holdTillName(name);
    }
    for (int n = 2; hold == Engine::NameHold::Taken && n <= highest; ++n) {
        name = QStringLiteral("%1 %2").arg(wanted).arg(n);
        hold = m_engine->holdTillName(name);
    }
    if (hold == Engine::NameHold::Held)
        return name;
    if (hold == Engine::NameHold::Taken)
        m_lastError = QStringLiteral("Running copies of the program hold every till name from \"%1\" to \"%2\".")
                          .arg(wanted, name);
    else
        takeError();
    return {};
}

void Database::close()
{
    if (m_engine)
        m_engine->close();
    m_engine.reset();
    m_depth = 0;
    m_upgradePending = false;
    m_shared = Recordset();
}

bool Database::run(const QString& sql, const QVariantList& params, QStringList* columns, const RowFunction& row,
                   qint64* changes)
{
    if (!m_engine) {
        m_lastError = QStringLiteral("The database is not open.");
        return false;
    }
    if (m_depth == 0 && !upgradeWhenConnected())
        return false;
    if (m_engine->run(sql, params, columns, row, changes))
        return true;
    takeError();
    return false;
}

Recordset Database::query(const QString& sql, const QVariantList& params, const RowProgress& progress)
{
    QStringList columns;
    QVector<QVector<QVariant>> rows;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    bool stopped = false;
    const bool ok = run(
        sql, params, &columns,
        [&](const QVector<QVariant>& row) {
            rows.push_back(row);
            if (progress && sinceProgress.elapsed() >= kProgressEveryMs) {
                if (!progress(rows.size())) {
                    stopped = true;
                    return false;
                }
                sinceProgress.restart();
            }
            return true;
        },
        nullptr);
    if (stopped) {
        m_lastError = QStringLiteral("Query \"%1\" was stopped").arg(sql);
        return {};
    }
    if (!ok)
        return {};
    return Recordset(std::move(columns), std::move(rows));
}

bool Database::forEachRow(const QString& sql, const QVariantList& params, const RowFunction& row)
{
    return run(sql, params, nullptr, row, nullptr);
}

Recordset& Database::OpenRecordset(const QString& sql, const QVariantList& params)
{
    m_shared = query(sql, params);
    return m_shared;
}

int Database::ExecuteSql(const QString& sql, const QVariantList& params)
{
    qint64 changes = 0;
    if (!run(sql, params, nullptr, {}, &changes))
        return -1;
    return static_cast<int>(changes);
}

bool Database::executeScript(const QString& sql)
{
    if (!m_engine)
        return false;
    if (m_engine->executeScript(sql))
        return true;
    takeError();
    return false;
}

QString Database::quoteIdentifier(const QString& name) const
{
    return m_engine ? m_engine->quoteIdentifier(name) : quotedIdentifier(name);
}

QString Database::plainText(const QString& quotedColumn) const
{
    return m_engine ? m_engine->plainText(quotedColumn) : quotedColumn;
}

QString Database::containsSql(const QString& quotedColumn) const
{
    return m_engine ? m_engine->containsSql(quotedColumn) : likeContainsSql(quotedColumn);
}

bool Database::begin()
{
    if (!m_engine) {
        m_lastError = QStringLiteral("The database is not open.");
        return false;
    }
    if (m_depth == 0 && !upgradeWhenConnected())
        return false;
    const bool ok = m_depth == 0
                        ? m_engine->beginOuter()
                        : m_engine->run(QStringLiteral("SAVEPOINT pemvix_%1").arg(m_depth), {}, nullptr, {}, nullptr);
    if (!ok) {
        takeError();
        return false;
    }
    ++m_depth;
    return true;
}

bool Database::commit()
{
    if (m_depth <= 0 || !m_engine)
        return false;
    const bool ok = m_depth == 1
                        ? m_engine->commitOuter()
                        : m_engine->run(QStringLiteral("RELEASE pemvix_%1").arg(m_depth - 1), {}, nullptr, {}, nullptr);
    if (ok) {
        --m_depth;
        return true;
    }
    // A failed commit (disk full, I/O error, a lost connection) must not leave the transaction
    // open; the reason it failed is what the user is told.
    takeError();
    const QString why = m_lastError;
    rollback();
    m_lastError = why;
    return false;
}

void Database::rollback()
{
    if (m_depth <= 0 || !m_engine)
        return;
    if (m_depth == 1) {
        m_engine->rollbackOuter();
    } else {
        m_engine->run(QStringLiteral("ROLLBACK TO pemvix_%1").arg(m_depth - 1), {}, nullptr, {}, nullptr);
        m_engine->run(QStringLiteral("RELEASE pemvix_%1").arg(m_depth - 1), {}, nullptr, {}, nullptr);
    }
    --m_depth;
}

qint64 Database::lastInsertRowId() const
{
    return m_engine ? m_engine->lastInsertRowId() : 0;
}
