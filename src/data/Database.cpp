#include "data/Database.h"

#include "data/Schema.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

// How often a long query tells its progress.
constexpr int kProgressEveryMs = 10;

struct StatementGuard
{
    sqlite3_stmt* stmt;
    ~StatementGuard() { sqlite3_finalize(stmt); }
};

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

void Database::setError(const QString& what)
{
    m_lastError = what;
    if (m_db)
        m_lastError += QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(m_db));
}

bool Database::open(const QString& path)
{
    close();
    m_path = path;
    if (!QFileInfo(path).isFile()) {
        m_lastError = QStringLiteral("The database file %1 does not exist.").arg(path);
        return false;
    }
    const QByteArray name = path.toUtf8();
    if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        setError(QStringLiteral("Cannot open %1").arg(path));
        close();
        return false;
    }
    if (!keyAndVerify())
        return false;
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
    const QByteArray name = path.toUtf8();
    if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        setError(QStringLiteral("Cannot create %1").arg(path));
        close();
        return false;
    }
    return keyAndVerify();
}

bool Database::keyAndVerify()
{
    // Wait for a second running copy's write to finish instead of failing, from the first read
    // on (the key check below is one).
    sqlite3_busy_timeout(m_db, 5000);
    const QByteArray key = password();
    if (sqlite3_key(m_db, key.constData(), static_cast<int>(key.size())) != SQLITE_OK) {
        setError(QStringLiteral("Cannot key %1").arg(m_path));
        close();
        return false;
    }
    // Linking plain SQLite by mistake would make the key a silent no-op.
    const Recordset cipher = query(QStringLiteral("PRAGMA cipher_version"));
    if (cipher.BOF() || cipher.rows().first().first().toString().isEmpty()) {
        m_lastError = QStringLiteral("The SQLite library in use does not encrypt (no cipher_version).");
        close();
        return false;
    }
    // A wrong password or a file that is not ours fails here.
    sqlite3_stmt* stmt = prepare(QStringLiteral("SELECT count(*) FROM sqlite_master"), {});
    const bool ok = stmt && sqlite3_step(stmt) == SQLITE_ROW;
    if (!ok)
        setError(QStringLiteral("%1 cannot be opened with the database password").arg(m_path));
    sqlite3_finalize(stmt);
    if (!ok) {
        close();
        return false;
    }
    executeScript(QStringLiteral("PRAGMA cache_size = -65536; PRAGMA foreign_keys = OFF;"));
    return true;
}

void Database::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_depth = 0;
    m_shared = Recordset();
}

sqlite3_stmt* Database::prepare(const QString& sql, const QVariantList& params)
{
    if (!m_db) {
        m_lastError = QStringLiteral("The database is not open.");
        return nullptr;
    }
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), static_cast<int>(text.size()), &stmt, nullptr) != SQLITE_OK) {
        setError(QStringLiteral("Cannot prepare \"%1\"").arg(sql));
        sqlite3_finalize(stmt);
        return nullptr;
    }
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params.at(i);
        int rc = SQLITE_OK;
        switch (v.typeId()) {
        case QMetaType::UnknownType:
        case QMetaType::Nullptr:
            rc = sqlite3_bind_null(stmt, i + 1);
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, i + 1, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = v.toByteArray();
            rc = sqlite3_bind_blob64(stmt, i + 1, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDateTime: {
            const QByteArray t = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
            rc = sqlite3_bind_text64(stmt, i + 1, t.constData(), t.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        default: {
            if (v.isNull()) {
                rc = sqlite3_bind_null(stmt, i + 1);
                break;
            }
            const QByteArray t = v.toString().toUtf8();
            rc = sqlite3_bind_text64(stmt, i + 1, t.constData(), t.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        }
        if (rc != SQLITE_OK) {
            setError(QStringLiteral("Cannot bind value %1 of \"%2\"").arg(i + 1).arg(sql));
            sqlite3_finalize(stmt);
            return nullptr;
        }
    }
    return stmt;
}

QVariant Database::columnValue(sqlite3_stmt* stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qlonglong>(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, column);
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                 sqlite3_column_bytes(stmt, column));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    default:
        return {};
    }
}

Recordset Database::query(const QString& sql, const QVariantList& params, const RowProgress& progress)
{
    sqlite3_stmt* stmt = prepare(sql, params);
    if (!stmt)
        return {};
    StatementGuard guard{stmt};
    const int n = sqlite3_column_count(stmt);
    QStringList columns;
    for (int c = 0; c < n; ++c)
        columns << QString::fromUtf8(sqlite3_column_name(stmt, c));
    QVector<QVector<QVariant>> rows;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QVector<QVariant> row(n);
        for (int c = 0; c < n; ++c)
            row[c] = columnValue(stmt, c);
        rows.push_back(std::move(row));
        if (progress && sinceProgress.elapsed() >= kProgressEveryMs) {
            if (!progress(rows.size())) {
                m_lastError = QStringLiteral("Query \"%1\" was stopped").arg(sql);
                return {};
            }
            sinceProgress.restart();
        }
    }
    if (rc != SQLITE_DONE) {
        setError(QStringLiteral("Query \"%1\" failed").arg(sql));
        return {};
    }
    return Recordset(std::move(columns), std::move(rows));
}

Recordset& Database::OpenRecordset(const QString& sql, const QVariantList& params)
{
    m_shared = query(sql, params);
    return m_shared;
}

int Database::ExecuteSql(const QString& sql, const QVariantList& params)
{
    sqlite3_stmt* stmt = prepare(sql, params);
    if (!stmt)
        return -1;
    StatementGuard guard{stmt};
    if (m_depth == 0 && !sqlite3_stmt_readonly(stmt) && !fileStillThere())
        return -1;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        setError(QStringLiteral("Statement \"%1\" failed").arg(sql));
        return -1;
    }
    return sqlite3_changes(m_db);
}

bool Database::executeScript(const QString& sql)
{
    if (!m_db)
        return false;
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        m_lastError = QString::fromUtf8(error ? error : "unknown error");
        sqlite3_free(error);
        return false;
    }
    return true;
}

bool Database::fileStillThere()
{
    // A file deleted or replaced while it is open would take every later write into a file
    // that nobody will ever open again: refuse to write instead.
    int moved = 0;
    if (m_db && sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved) {
        m_lastError =
            QStringLiteral("The database file %1 has been deleted or replaced since it was opened.").arg(m_path);
        return false;
    }
    return true;
}

bool Database::begin()
{
    if (m_depth == 0 && !fileStillThere())
        return false;
    const bool ok = m_depth == 0 ? ExecuteSql(QStringLiteral("BEGIN IMMEDIATE")) >= 0
                                 : ExecuteSql(QStringLiteral("SAVEPOINT pemvix_%1").arg(m_depth)) >= 0;
    if (ok)
        ++m_depth;
    return ok;
}

bool Database::commit()
{
    if (m_depth <= 0)
        return false;
    const bool ok = m_depth == 1 ? ExecuteSql(QStringLiteral("COMMIT")) >= 0
                                 : ExecuteSql(QStringLiteral("RELEASE pemvix_%1").arg(m_depth - 1)) >= 0;
    if (ok) {
        --m_depth;
    } else {
        // A failed commit (disk full, I/O error) must not leave the transaction open; the
        // reason it failed is what the user is told.
        const QString why = m_lastError;
        rollback();
        m_lastError = why;
        return false;
    }
    return true;
}

void Database::rollback()
{
    if (m_depth <= 0)
        return;
    if (m_depth == 1) {
        if (!sqlite3_get_autocommit(m_db))
            ExecuteSql(QStringLiteral("ROLLBACK"));
    } else {
        ExecuteSql(QStringLiteral("ROLLBACK TO pemvix_%1").arg(m_depth - 1));
        ExecuteSql(QStringLiteral("RELEASE pemvix_%1").arg(m_depth - 1));
    }
    --m_depth;
}

qint64 Database::lastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}
