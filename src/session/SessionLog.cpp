#include "session/SessionLog.h"

#include "data/Database.h"

namespace SessionLog {

QString listStatement()
{
    return QStringLiteral("Select * from tblLogs");
}

namespace {

// An empty text is bound as '' (not NULL), to compare with COALESCE(column, '').
QString text(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("") : value;
}

qint64 insert(Database& db, const SessionLogEntry& entry, const QString& endTime, const QString& elapsed)
{
    const QVariant end = endTime.isEmpty() ? QVariant() : QVariant(endTime);
    const QVariant length = elapsed.isEmpty() ? QVariant() : QVariant(elapsed);
    if (db.ExecuteSql(QStringLiteral("INSERT INTO tblLogs (LogDate, LogTime, UserName, Domain, Name, Position, "
                                     "EndTime, ElapsedTime) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                      {entry.date, entry.time, entry.user, entry.domain, entry.user, entry.position, end, length}) != 1)
        return -1;
    return db.lastInsertRowId();
}

} // namespace

qint64 append(Database& db, const SessionLogEntry& entry)
{
    Transaction tx(db);
    if (!tx.isActive())
        return -1;
    const qint64 row = insert(db, entry, {}, {});
    return row >= 0 && tx.commit() ? row : -1;
}

Kept update(Database& db, qint64* rowId, const SessionLogEntry& entry, const QString& endTime, const QString& elapsed)
{
    Transaction tx(db);
    if (!tx.isActive())
        return Kept::Failed;
    // The day is left out: a session past midnight still finds its row.
    const int changed = db.ExecuteSql(
        QStringLiteral("UPDATE tblLogs SET EndTime = ?, ElapsedTime = ? WHERE rowid = ? AND "
                       "COALESCE(LogTime, '') = ? AND COALESCE(UserName, '') = ? AND COALESCE(Domain, '') = ? AND "
                       "COALESCE(Position, '') = ?"),
        {endTime, elapsed, *rowId, text(entry.time), text(entry.user), text(entry.domain), text(entry.position)});
    if (changed < 0)
        return Kept::Failed;
    if (changed > 0)
        return tx.commit() ? Kept::Updated : Kept::Failed;
    const qint64 row = insert(db, entry, endTime, elapsed);
    if (row < 0 || !tx.commit())
        return Kept::Failed;
    *rowId = row;
    return Kept::Rewritten;
}

} // namespace SessionLog
