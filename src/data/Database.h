#pragma once

#include "data/Engine.h"
#include "data/Recordset.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class Engine;
struct sqlite3;

// The program's one connection to its database: the SQLCipher file beside the program (opened
// once, keyed with the database password) or a PostgreSQL server chosen by a libpq connection
// string. It is kept open for the life of the process. Statements are written in one dialect
// and the engine behind this class runs them in its own. Every value that comes from a user
// or a row is passed as a bound parameter, never pasted into the statement.
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
    // Connects to a PostgreSQL database: `conninfo` is a libpq connection string such as
    // "service=shop" (resolved through pg_service.conf, the password through .pgpass). False
    // when the server could not be reached or refused the connection (connectFault); the
    // server stays chosen, and the next statement connects.
    bool openServer(const QString& conninfo);
    // The connection string for a service of pg_service.conf: "service='shop'".
    static QString serviceConnection(const QString& service);
    void close();
    bool isOpen() const;
    // True on a PostgreSQL server (for the data layer and what only the file can do).
    bool isServer() const;
    // The file's path; empty on a server.
    QString filePath() const { return m_path; }
    QString lastError() const { return m_lastError; }
    // Whether the last failure was the connection to the server, and which: then it says
    // nothing about the data asked for (no rows is not "no such account").
    Engine::ConnectFault connectFault() const;
    // The sentence for a connection fault, to put after what could not be done: "The database
    // server cannot be reached." Empty when the last failure was not the connection.
    QString connectFaultSentence() const;
    // On a server, the till name this running copy holds for as long as its connection lives
    // (taken again after a reconnect): `wanted`, or when another copy holds that, the first free
    // of "wanted 2", "wanted 3", ... "wanted highest", so no two copies sell into one cart. A
    // name held by a copy that ended a moment ago is waited for briefly: the server lets go of
    // it once it notices. Empty (and lastError) when no name could be held, and on the file.
    // While the server cannot be reached, `wanted` is asked for at the first connection, and
    // nothing is written while another copy holds it.
    QString claimTillName(const QString& wanted, int highest = 99);
    // The open file's SQLite handle (backup, restore); nullptr on a server.
    sqlite3* handle() const;

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
    // Runs statements without parameters (schema scripts); false on the first failure.
    bool executeScript(const QString& sql);
    // Reads a query's rows one at a time, without keeping them: `row` is told each one and
    // returns false to stop early. False when the query failed.
    using RowFunction = std::function<bool(const QVector<QVariant>& row)>;
    bool forEachRow(const QString& sql, const QVariantList& params, const RowFunction& row);

    // A column name quoted for a statement, and the condition "the column contains the bound
    // LIKE pattern, letter case ignored" (escape character \).
    QString quoteIdentifier(const QString& name) const;
    QString containsSql(const QString& quotedColumn) const;
    // A column's values as plain text, for grouping values whose letter case cannot matter
    // (amounts): the same values on the file, faster groups on the server.
    QString plainText(const QString& quotedColumn) const;

    // Transactions nest: the outermost takes the one writer's lock at once (BEGIN IMMEDIATE on
    // the file), inner ones are savepoints.
    bool begin();
    bool commit();
    void rollback();
    bool inTransaction() const { return m_depth > 0; }

    qint64 lastInsertRowId() const;

private:
    bool run(const QString& sql, const QVariantList& params, QStringList* columns, const RowFunction& row,
             qint64* changes);
    void takeError();
    // On a server: brings an earlier version's database up to date once it is reached.
    bool upgradeWhenConnected();

    std::unique_ptr<Engine> m_engine;
    QString m_path;
    QString m_lastError;
    Recordset m_shared;
    int m_depth = 0;
    bool m_upgradePending = false;
    bool m_upgrading = false;
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
