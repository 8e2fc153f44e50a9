#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class Database;

// How far a long piece of work has come: `done` of `total` units; a total of 0 means the rest
// cannot be counted (show it as busy). Called on the caller's thread between steps, every few
// tens of milliseconds, so it may process events to keep the windows alive.
using WorkProgress = std::function<void(qint64 done, qint64 total)>;

// Copies the open database into `destinationPath` as a consistent snapshot, keyed with the
// same database password. The copy is made with SQLite's online backup, a number of pages per
// step, into a hidden temporary file beside the destination, reopened with the password and
// checked (PRAGMA integrity_check) on a worker thread, and only then renamed over the
// destination. On any failure the temporary file is removed, an earlier file at the
// destination is left as it was, false is returned and `error` says why. The destination may
// not be the database's own file. Temporary files that an interrupted backup left in the
// destination's folder are removed first; no other file there is touched.
bool backupDatabase(Database& source, const QString& destinationPath, QString* error,
                    const WorkProgress& progress = {});

// The dated copies kept beside a backup: "dbZarel.mdb" in a folder gets companions named
// "dbZarel-2026-12-09-153000.mdb" in that folder.
namespace DatedBackups {

constexpr int kKept = 10;

// The dated name for a backup written at `when`.
QString pathFor(const QString& backupPath, const QDateTime& when);
// The dated copies beside `backupPath`, newest first (only names of the dated form).
QStringList list(const QString& backupPath);
// Copies `backupPath` (finished and checked) to its dated name for `when`, then removes all
// but the newest kKept dated copies, newest by when each was written (never the one just
// made). The copy runs on a worker thread.
bool keep(const QString& backupPath, const QDateTime& when, QString* error, const WorkProgress& progress = {});
// When a backup file was written: the date in a dated name, else the file's modification time.
QDateTime writtenAt(const QString& path);

} // namespace DatedBackups

// Checks that the file at `path` opens with the database password, passes
// PRAGMA integrity_check and holds this program's tables and its settings row, on a worker
// thread; the file is opened read-only.
bool checkBackupFile(const QString& path, QString* error, const WorkProgress& progress = {});

// Replaces every page of the live database with the backup's, through SQLite's online
// backup into the open connection: all or nothing (on a failure the live data stays as it
// was). The backup must pass checkBackupFile first (its tables are checked again here); the
// connection may hold no transaction.
bool restoreDatabase(Database& live, const QString& backupPath, QString* error);

// How many sales of the open database were made after `when` (by their stored day and time);
// -1 when they could not be counted.
qint64 salesAfter(Database& live, const QDateTime& when);

// Why no export may be written at `target`: it is the shop's database, a file beside it that
// the program keeps (journals, till locks, copies kept at a restore, a backup's temporary
// copy), or a backup copy in the backup folder. Empty when the target is none of them.
QString shopFileRefusal(Database& db, const QString& target);
