#pragma once

#include "data/Recordset.h"

#include <QString>
#include <QVariant>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// The program's one connection to its SQLCipher database file. It is opened once, keyed with
// the database password and kept open for the life of the process. Every value that comes
// from a user or a row is passed as a bound parameter, never pasted into the statement.
class Database
{
public:
    // The file's fixed name, beside the executable.
    static QString fileName() { return QStringLiteral("dbZarel.mdb"); }
    // The database password, as UTF-8 bytes.
    static QByteArray password();

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing file (never creates one), keys it and verifies key and cipher.
    bool open(const QString& path);
    // Creates a new, empty, keyed file; refuses a path that already exists.
    bool create(const QString& path);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString filePath() const { return m_path; }
    QString lastError() const { return m_lastError; }
    sqlite3* handle() const { return m_db; }

    // Runs a query and leaves its rows in the shared recordset (closed if anything failed).
    Recordset& OpenRecordset(const QString& sql, const QVariantList& params = {});
    Recordset& SharedRecordset() { return m_shared; }
    // Told the number of rows read so far, every few tens of milliseconds while a long query
    // runs (so it may process events); returning false stops the query, which then fails.
    using RowProgress = std::function<bool(qint64 rows)>;
    // Runs a query into a recordset of the caller's own; the shared one is left alone.
    Recordset query(const QString& sql, const QVariantList& params = {}, const RowProgress& progress = {});
    // Runs an action statement; the number of rows it affected, or -1 when it failed.
    int ExecuteSql(const QString& sql, const QVariantList& params = {});
    // Runs statements without parameters (schema scripts, pragmas); false on the first failure.
    bool executeScript(const QString& sql);

    // A prepared statement with its values bound; nullptr (and lastError set) on failure.
    sqlite3_stmt* prepare(const QString& sql, const QVariantList& params);
    // Reads one column of the current row of a stepped statement.
    static QVariant columnValue(sqlite3_stmt* stmt, int column);

    // Transactions nest: the outermost begins IMMEDIATE, inner ones are savepoints.
    bool begin();
    bool commit();
    void rollback();
    bool inTransaction() const { return m_depth > 0; }

    qint64 lastInsertRowId() const;

private:
    bool keyAndVerify();
    bool fileStillThere();
    void setError(const QString& what);

    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_lastError;
    Recordset m_shared;
    int m_depth = 0;
};

// All-or-nothing work: begins on construction, rolls back on destruction unless committed.
class Transaction
{
public:
    explicit Transaction(Database& db) : m_db(db), m_active(db.begin()) {}
    ~Transaction()
    {
        if (m_active)
            m_db.rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool isActive() const { return m_active; }
    bool commit()
    {
        if (!m_active)
            return false;
        m_active = false;
        return m_db.commit();
    }

private:
    Database& m_db;
    bool m_active;
};
