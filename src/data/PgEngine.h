#pragma once

#include "data/Engine.h"

#include <QDeadlineTimer>
#include <QHash>

#include <deque>

struct pg_conn;
struct pg_result;

// A PostgreSQL database through libpq. Statements in the file's dialect are translated once
// per connection (? marks, the sales day key, case-sensitive comparisons, RETURNING rowid on
// inserts) and prepared on the server; later runs only bind and execute.
class PgEngine final : public Engine
{
public:
    PgEngine() = default;
    ~PgEngine() override;

    // Connects with a libpq connection string ("service=shop"); TLS is used when the server
    // offers it unless the string asks for more. A password sent without TLS must have been
    // checked with SCRAM: a server that still keeps md5 passwords is refused. When it fails
    // (lastError, connectFault), the string is kept: the next statement tries again, so a
    // till started while the server was down connects once it is back.
    bool open(const QString& conninfo);

    bool isServer() const override { return true; }
    bool isOpen() const override { return m_conn != nullptr; }
    void close() override;
    QString lastError() const override { return m_lastError; }
    ConnectFault connectFault() const override { return m_fault; }
    bool run(const QString& sql, const QVariantList& params, QStringList* columns, const RowSink& sink,
             qint64* changes) override;
    bool executeScript(const QString& sql) override;
    bool beginOuter() override;
    bool commitOuter() override;
    void rollbackOuter() override;
    bool readyToWrite() override;
    NameHold holdTillName(const QString& name) override;
    qint64 lastInsertRowId() const override { return m_lastInsertId; }
    QString quoteIdentifier(const QString& name) const override;
    QString containsSql(const QString& quotedColumn) const override;
    QString plainText(const QString& quotedColumn) const override;

    // The key of the advisory lock every writing transaction takes first.
    static constexpr qint64 kWriterLock = 0x50454D56; // "PEMV"
    // The first key of the session locks that hold tills' names; the second is the name's
    // hashtext. Two-key locks never meet the one-key writer's lock.
    static constexpr int kTillNameLocks = 0x54494C4C; // "TILL"

    // The statement as this engine runs it (exposed for tests of the translation).
    // `addedRowId` tells whether the statement (an INSERT without a RETURNING of its own) was
    // given RETURNING rowid.
    static QString translate(const QString& sql, int* markCount = nullptr, bool* addedRowId = nullptr);

private:
    struct Prepared
    {
        QByteArray name;
        int marks = 0;
        bool star = false;   // "SELECT *": the rowid the server adds to each table is not shown
        bool insert = false; // given RETURNING rowid: its one row is the new rowid
        bool reads = false;  // a SELECT, which a copy that lost its till's name may still run
    };
    // The rows of a statement still coming from the server. A statement run while another is
    // being read first takes the other's remaining results off the connection into its queue.
    struct Stream
    {
        std::deque<pg_result*> pending;
        bool done = false;
    };

    static constexpr int kMostPrepared = 500;
    // A failed attempt to connect that took longer than this holds the next one back that long.
    static constexpr int kSlowConnectMs = 500;
    static constexpr int kHoldBackMs = 3000;

    // How one run of a statement ended.
    enum class RunEnd {
        Done,
        Failed,     // the statement failed (or the connection was lost while it may have run)
        FailedSafe, // the connection was found gone before anything of it could take effect
    };
    RunEnd runOnce(const QString& sql, const QVariantList& params, QStringList* columns, const RowSink& sink,
                   qint64* changes);
    RunEnd lostBeforeRunning();
    const Prepared* prepared(const QString& sql);
    bool connect();
    bool connectNow();
    void dropConnection();
    bool connectionUsable();
    bool idleConnectionClosed();
    bool connectionLost() const;
    NameHold tillNameLock(const char* function, const QString& name);
    bool tillNameHeld();
    void setError(const QString& what);
    pg_result* nextResult(Stream& stream);
    void drainInto(Stream& stream);

    pg_conn* m_conn = nullptr;
    QString m_conninfo; // what open() was given, kept to connect again
    QString m_lastError;
    ConnectFault m_fault = ConnectFault::None;
    QDeadlineTimer m_nextAttempt; // no attempt to connect before it (expired: any time)
    QHash<QString, Prepared> m_prepared;
    int m_nextName = 0;
    qint64 m_lastInsertId = 0;
    bool m_inTransaction = false;
    Stream* m_reading = nullptr;
    QString m_tillName;          // the till name this copy holds, once it has asked for one
    bool m_tillNameLost = false; // not held now: the name is asked for again before each write
};
