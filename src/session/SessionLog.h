#pragma once

#include <QString>

class Database;

// The running session's row in the sign-in log (tblLogs): who signed in, where and when.
struct SessionLogEntry
{
    QString date;     // LogDate of the sign-in
    QString time;     // LogTime
    QString user;     // UserName and Name
    QString domain;   // Domain
    QString position; // Position (the account type)
};

namespace SessionLog {

// The statement of the sign-in log's list, as the main window and the administration show it.
QString listStatement();

// Writes a row for the session (end and elapsed time empty); its row id, or -1 when it failed
// (the database's lastError says why).
qint64 append(Database& db, const SessionLogEntry& entry);

enum class Kept {
    Updated,   // the session's own row took the end and elapsed time
    Rewritten, // the row was gone or was another session's: a new row was written
    Failed,    // nothing was written (lastError)
};

// Writes the end and elapsed time into row `*rowId` when it is still the session's own (same
// start time, user, domain and account type). A restore, on this till or another, replaces the
// log with the backup's, where that row id is missing or holds someone else's session; then a
// new row is written for the session instead, and `*rowId` becomes it. One transaction.
Kept update(Database& db, qint64* rowId, const SessionLogEntry& entry, const QString& endTime, const QString& elapsed);

} // namespace SessionLog
