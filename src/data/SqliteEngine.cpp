#include "data/SqliteEngine.h"

#include "data/Database.h"
#include "data/TextForms.h"

#include <QDateTime>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

// How many prepared statements a connection keeps for reuse.
constexpr qsizetype kKeptStatements = 64;

// Only reads and writes of rows are kept; a PRAGMA may give what it found when it was prepared.
bool keepable(const QString& sql)
{
    const QString start = sql.trimmed().left(6).toUpper();
    return start == QLatin1String("SELECT") || start == QLatin1String("INSERT") || start == QLatin1String("UPDATE") ||
           start == QLatin1String("DELETE");
}

QVariant columnValue(sqlite3_stmt* stmt, int column)
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

} // namespace

SqliteEngine::~SqliteEngine()
{
    close();
}

void SqliteEngine::setError(const QString& what)
{
    m_lastError = what;
    if (m_db)
        m_lastError += QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(m_db));
}

bool SqliteEngine::open(const QString& path, bool create)
{
    close();
    m_path = path;
    const QByteArray name = path.toUtf8();
    const int flags = create ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(name.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        setError((create ? QStringLiteral("Cannot create %1") : QStringLiteral("Cannot open %1")).arg(path));
        close();
        return false;
    }
    return keyAndVerify();
}

bool SqliteEngine::keyAndVerify()
{
    // Wait for a second running copy's write to finish instead of failing, from the first read
    // on (the key check below is one).
    sqlite3_busy_timeout(m_db, 5000);
    const QByteArray key = Database::password();
    if (sqlite3_key(m_db, key.constData(), static_cast<int>(key.size())) != SQLITE_OK) {
        setError(QStringLiteral("Cannot key %1").arg(m_path));
        close();
        return false;
    }
    // Linking plain SQLite by mistake would make the key a silent no-op.
    QString cipher;
    run(
        QStringLiteral("PRAGMA cipher_version"), {}, nullptr,
        [&](const QVector<QVariant>& row) {
            cipher = row.value(0).toString();
            return false;
        },
        nullptr);
    if (cipher.isEmpty()) {
        m_lastError = QStringLiteral("The SQLite library in use does not encrypt (no cipher_version).");
        close();
        return false;
    }
    // A wrong password or a file that is not ours fails here.
    sqlite3_stmt* stmt = prepare(QStringLiteral("SELECT count(*) FROM sqlite_master"), {});
    const bool ok = stmt && sqlite3_step(stmt) == SQLITE_ROW;
    if (!ok)
        setError(QStringLiteral("%1 cannot be opened with the database password").arg(m_path));
    if (stmt)
        release(stmt);
    if (!ok) {
        close();
        return false;
    }
    executeScript(QStringLiteral("PRAGMA cache_size = -65536; PRAGMA foreign_keys = OFF;"));
    return true;
}

void SqliteEngine::dropKeptStatements()
{
    for (const KeptStatement& kept : std::as_const(m_kept))
        sqlite3_finalize(kept.stmt);
    m_kept.clear();
}

void SqliteEngine::release(sqlite3_stmt* stmt)
{
    for (KeptStatement& kept : m_kept) {
        if (kept.stmt == stmt) {
            // Reset at once, so a kept statement never holds a read of the file open.
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
            kept.inUse = false;
            return;
        }
    }
    sqlite3_finalize(stmt);
}

void SqliteEngine::close()
{
    dropKeptStatements();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

sqlite3_stmt* SqliteEngine::prepare(const QString& sql, const QVariantList& params)
{
    if (!m_db) {
        m_lastError = QStringLiteral("The database is not open.");
        return nullptr;
    }
    sqlite3_stmt* stmt = nullptr;
    bool known = false;
    for (qsizetype i = 0; i < m_kept.size(); ++i) {
        if (m_kept.at(i).sql != sql)
            continue;
        known = true;
        if (m_kept.at(i).inUse)
            break;
        KeptStatement kept = m_kept.takeAt(i);
        kept.inUse = true;
        stmt = kept.stmt;
        m_kept.prepend(kept);
        break;
    }
    if (!stmt) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), static_cast<int>(text.size()), &stmt, nullptr) != SQLITE_OK) {
            setError(QStringLiteral("Cannot prepare \"%1\"").arg(sql));
            sqlite3_finalize(stmt);
            return nullptr;
        }
        if (!known && stmt && keepable(sql)) {
            m_kept.prepend({sql, stmt, true});
            // The least recently used statements that are not running make room.
            for (qsizetype i = m_kept.size() - 1; i >= 0 && m_kept.size() > kKeptStatements; --i) {
                if (!m_kept.at(i).inUse) {
                    sqlite3_finalize(m_kept.at(i).stmt);
                    m_kept.removeAt(i);
                }
            }
        }
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
            const QByteArray t = DateTimeText(v.toDateTime()).toUtf8();
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
            release(stmt);
            return nullptr;
        }
    }
    return stmt;
}

bool SqliteEngine::run(const QString& sql, const QVariantList& params, QStringList* columns, const RowSink& sink,
                       qint64* changes)
{
    sqlite3_stmt* stmt = prepare(sql, params);
    if (!stmt)
        return false;
    struct Guard
    {
        SqliteEngine* engine;
        sqlite3_stmt* stmt;
        ~Guard() { engine->release(stmt); }
    } guard{this, stmt};
    // A write outside a transaction checks the file here; begin() checks it for one inside.
    if (sqlite3_get_autocommit(m_db) && !sqlite3_stmt_readonly(stmt) && !readyToWrite())
        return false;
    const int n = sqlite3_column_count(stmt);
    if (columns) {
        columns->clear();
        for (int c = 0; c < n; ++c)
            *columns << QString::fromUtf8(sqlite3_column_name(stmt, c));
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (!sink)
            continue;
        QVector<QVariant> row(n);
        for (int c = 0; c < n; ++c)
            row[c] = columnValue(stmt, c);
        if (!sink(row))
            return true;
    }
    if (rc != SQLITE_DONE) {
        setError(QStringLiteral("Statement \"%1\" failed").arg(sql));
        return false;
    }
    if (changes)
        *changes = sqlite3_changes(m_db);
    return true;
}

bool SqliteEngine::executeScript(const QString& sql)
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

bool SqliteEngine::readyToWrite()
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

bool SqliteEngine::beginOuter()
{
    return readyToWrite() && run(QStringLiteral("BEGIN IMMEDIATE"), {}, nullptr, {}, nullptr);
}

bool SqliteEngine::commitOuter()
{
    return run(QStringLiteral("COMMIT"), {}, nullptr, {}, nullptr);
}

void SqliteEngine::rollbackOuter()
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        run(QStringLiteral("ROLLBACK"), {}, nullptr, {}, nullptr);
}

qint64 SqliteEngine::lastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}
