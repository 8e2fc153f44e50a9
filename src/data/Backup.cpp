#include "data/Backup.h"

#include "data/Database.h"
#include "data/Schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Pages copied by one sqlite3_backup_step, and how long the copy runs before it lets the
// caller process events again.
constexpr int kPagesPerStep = 64;
constexpr int kStepBudgetMs = 10;
// A copy that another program's writes restarted this often is finished in one locked step.
constexpr int kRestartsBeforeOneStep = 3;

const QString kDatedFormat = QStringLiteral("yyyy-MM-dd-HHmmss");

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

// True when both paths name the same file on disk (hard links and symbolic links included).
bool sameFile(const QString& a, const QString& b)
{
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Runs `work` on a worker thread and, while it runs, tells `progress` (as busy) every few
// tens of milliseconds, so the caller's windows stay alive. The work must not touch the
// caller's connection.
bool runAside(const std::function<bool()>& work, const WorkProgress& progress)
{
    if (!progress)
        return work();
    std::future<bool> result = std::async(std::launch::async, work);
    while (result.wait_for(std::chrono::milliseconds(kStepBudgetMs)) != std::future_status::ready)
        progress(0, 0);
    return result.get();
}

// Temporary files of a backup into a folder: hidden, beside the destination, with a fixed
// prefix, so the next backup into that folder can tell them from everything else there.
QString temporaryPrefix(const QString& destinationPath)
{
    const QFileInfo destination(destinationPath);
    return QStringLiteral(".") + destination.fileName() + QStringLiteral(".tmp-");
}

bool isTemporaryName(const QString& name, const QString& prefix)
{
    static const QRegularExpression tail(QStringLiteral("^[A-Za-z0-9]{6}(-journal)?$"));
    return name.startsWith(prefix) && tail.match(name.mid(prefix.size())).hasMatch();
}

// A temporary file that a backup writes; it holds an advisory lock on the file for as long
// as it lives, so that a backup running at the same time (another copy of the program) never
// removes it as litter.
class TemporaryCopy
{
public:
    explicit TemporaryCopy(const QString& destinationPath)
        : m_file(QFileInfo(destinationPath).absolutePath() + QDir::separator() + temporaryPrefix(destinationPath) +
                 QStringLiteral("XXXXXX"))
    {
        m_file.setAutoRemove(false);
        if (m_file.open() && ::flock(m_file.handle(), LOCK_EX | LOCK_NB) == 0)
            m_path = m_file.fileName();
    }
    ~TemporaryCopy()
    {
        if (!m_kept && !m_path.isEmpty()) {
            QFile::remove(m_path);
            QFile::remove(m_path + QStringLiteral("-journal"));
        }
        m_file.close(); // drops the lock, after SQLite has closed the file
    }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    bool isValid() const { return !m_path.isEmpty(); }
    QString errorString() const { return m_file.errorString(); }
    QString path() const { return m_path; }
    // Renames the finished copy to `target`, replacing a file there in one step.
    bool renameTo(const QString& target, QString* why)
    {
        if (std::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(target).constData()) != 0) {
            *why = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        m_kept = true;
        return true;
    }

private:
    QTemporaryFile m_file;
    QString m_path;
    bool m_kept = false;
};

// Removes what interrupted backups into the destination's folder left: temporary copies no
// running backup holds, and their journals. Any other file is left alone.
void removeLitter(const QString& destinationPath)
{
    const QString prefix = temporaryPrefix(destinationPath);
    const QDir folder(QFileInfo(destinationPath).absolutePath());
    const QStringList names =
        folder.entryList({prefix + QStringLiteral("*")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (!isTemporaryName(name, prefix) || name.endsWith(QStringLiteral("-journal")))
            continue;
        const QString path = folder.filePath(name);
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            QFile::remove(path + QStringLiteral("-journal"));
            QFile::remove(path);
        }
        ::close(fd);
    }
    // A journal whose copy is gone belongs to nobody.
    for (const QString& name : names) {
        if (isTemporaryName(name, prefix) && name.endsWith(QStringLiteral("-journal")) &&
            !folder.exists(name.chopped(8)))
            QFile::remove(folder.filePath(name));
    }
}

// Opens a file with the database password, without creating it; nullptr and `why` on failure.
sqlite3* openKeyed(const QString& path, int flags, QString* why)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        *why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    const QByteArray key = Database::password();
    if (sqlite3_key(db, key.constData(), static_cast<int>(key.size())) != SQLITE_OK) {
        *why = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close_v2(db);
        return nullptr;
    }
    return db;
}

// Runs PRAGMA integrity_check on an open connection: true when it says "ok". A wrong key
// fails here too (the first page cannot be read).
bool integrityOk(sqlite3* db, QString* why)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK) {
        *why = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    const int rc = sqlite3_step(stmt);
    QString first;
    if (rc == SQLITE_ROW)
        first = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    const bool more = rc == SQLITE_ROW && sqlite3_step(stmt) == SQLITE_ROW;
    if (rc != SQLITE_ROW)
        *why = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW)
        return false;
    if (first != u"ok" || more) {
        *why = QStringLiteral("the file is damaged: %1").arg(first);
        return false;
    }
    return true;
}

// True when the open file holds this program's tables, with the columns it reads, and the
// settings row. An empty file, or another program's file keyed with the same password, opens
// and passes the integrity check, yet restoring it would leave a shop that cannot start.
bool holdsShopData(sqlite3* db, QString* why)
{
    auto firstRow = [&](const QString& sql, qint64* value) {
        sqlite3_stmt* stmt = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
            *why = QStringLiteral("it does not hold this program's tables (%1)")
                       .arg(QString::fromUtf8(sqlite3_errmsg(db)));
            return false;
        }
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW && value)
            *value = sqlite3_column_int64(stmt, 0);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            *why = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    };
    for (const QString& probe : shopTableProbes()) {
        if (!firstRow(probe, nullptr))
            return false;
    }
    qint64 settings = 0;
    if (!firstRow(QStringLiteral("SELECT count(*) FROM tblMain"), &settings))
        return false;
    if (settings < 1) {
        *why = QStringLiteral("it has no settings row (tblMain is empty)");
        return false;
    }
    return true;
}

// Copies every page of the source's main database into the keyed target, a number of pages
// per step; between steps the progress is told how far the copy has come.
bool copyPages(sqlite3* source, sqlite3* target, QString* why, const WorkProgress& progress)
{
    sqlite3_backup* backup = sqlite3_backup_init(target, "main", source, "main");
    if (!backup) {
        *why = QString::fromUtf8(sqlite3_errmsg(target));
        return false;
    }
    int rc = SQLITE_OK;
    int waits = 0;
    int restarts = 0;
    int lastRemaining = -1;
    QElapsedTimer slice;
    slice.start();
    while (true) {
        // Once another program's writes have restarted the copy a few times, the rest is copied
        // in one step, holding the read lock throughout, so it cannot restart forever.
        const int pages = restarts >= kRestartsBeforeOneStep ? -1 : kPagesPerStep;
        rc = sqlite3_backup_step(backup, pages);
        if (rc == SQLITE_DONE)
            break;
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            // A lock held by another copy of the program is waited for a while.
            if (++waits > 50)
                break;
            sqlite3_sleep(100);
        } else if (rc != SQLITE_OK) {
            break;
        }
        const int remaining = sqlite3_backup_remaining(backup);
        if (lastRemaining >= 0 && remaining > lastRemaining)
            ++restarts;
        lastRemaining = remaining;
        if (progress && slice.elapsed() >= kStepBudgetMs) {
            const int total = sqlite3_backup_pagecount(backup);
            progress(total - remaining, total);
            slice.restart();
        }
    }
    const bool done = rc == SQLITE_DONE;
    if (!done)
        *why = QString::fromUtf8(sqlite3_errstr(rc));
    if (sqlite3_backup_finish(backup) != SQLITE_OK && done) {
        *why = QString::fromUtf8(sqlite3_errmsg(target));
        return false;
    }
    return done;
}

// Writes the copy into the (empty) file at `path`. The copy's last step would wait for the
// whole file to reach the disk; the copy is written without waiting instead, and flushed to
// the disk on a worker thread (syncFile) before anything trusts it.
bool writeCopy(Database& source, const QString& path, QString* why, const WorkProgress& progress)
{
    sqlite3* target = openKeyed(path, SQLITE_OPEN_READWRITE, why);
    if (!target)
        return false;
    // Deriving the key from the password takes a while: done aside, by a first write.
    bool ok = runAside(
        [&] {
            if (sqlite3_exec(target, "PRAGMA synchronous = OFF; PRAGMA user_version = 0;", nullptr, nullptr, nullptr) ==
                SQLITE_OK)
                return true;
            *why = QString::fromUtf8(sqlite3_errmsg(target));
            return false;
        },
        progress);
    if (ok)
        ok = copyPages(source.handle(), target, why, progress);
    if (sqlite3_close(target) != SQLITE_OK && ok) {
        *why = QStringLiteral("the copy could not be closed");
        ok = false;
    }
    return ok;
}

// Makes sure every byte of the file is on the disk.
bool syncFile(const QString& path, QString* why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || ::fsync(file.handle()) != 0) {
        *why = QStringLiteral("the copy could not be written to the disk: ") + file.errorString();
        return false;
    }
    return true;
}

// Opens a file read-only with the database password and checks every page.
bool verifyFile(const QString& path, QString* why)
{
    sqlite3* db = openKeyed(path, SQLITE_OPEN_READONLY, why);
    if (!db)
        return false;
    const bool ok = integrityOk(db, why);
    sqlite3_close_v2(db);
    return ok;
}

// A file that may replace the shop: sound, keyed with the password, and the shop's own tables.
bool verifyShopFile(const QString& path, QString* why)
{
    sqlite3* db = openKeyed(path, SQLITE_OPEN_READONLY, why);
    if (!db)
        return false;
    const bool ok = integrityOk(db, why) && holdsShopData(db, why);
    sqlite3_close_v2(db);
    return ok;
}

// A file's name is one the program gives its own files in a folder where it keeps them: the
// database (`fileName`), its journals and till locks, the hidden copies a backup writes, and the
// dated and kept copies beside it.
bool isShopFileName(const QString& name, const QString& fileName)
{
    const QFileInfo base(fileName);
    return name.startsWith(fileName) || name.startsWith(QStringLiteral(".") + fileName) ||
           (name.startsWith(base.completeBaseName() + QStringLiteral("-")) &&
            name.endsWith(QStringLiteral(".") + base.suffix()));
}

} // namespace

bool backupDatabase(Database& source, const QString& destinationPath, QString* error, const WorkProgress& progress)
{
    if (!source.isOpen())
        return fail(error, QStringLiteral("The database is not open."));
    const QFileInfo destination(destinationPath);
    const QFileInfo folder(destination.absolutePath());
    if (!folder.isDir())
        return fail(error, QStringLiteral("The folder %1 does not exist.").arg(folder.filePath()));
    if (destination.isDir())
        return fail(error, QStringLiteral("%1 is a folder.").arg(destinationPath));
    // Renaming a copy over the open file would put the running program's later writes into a
    // file that no longer has a name.
    if (sameFile(destinationPath, source.filePath()))
        return fail(error, QStringLiteral("%1 is the database itself.").arg(destinationPath));

    removeLitter(destinationPath);
    // The temporary name is unique in the destination's folder, so a rename is atomic and
    // another backup running at the same time cannot write into it.
    TemporaryCopy temporary(destinationPath);
    if (!temporary.isValid())
        return fail(error, QStringLiteral("Cannot write in %1: %2").arg(folder.filePath(), temporary.errorString()));
    const QString tempPath = temporary.path();
    auto failed = [&](const QString& why) {
        return fail(error, QStringLiteral("The backup to %1 failed: %2").arg(destinationPath, why));
    };

    QString why;
    if (!writeCopy(source, tempPath, &why, progress))
        return failed(why);
    if (!runAside([&] { return syncFile(tempPath, &why) && verifyFile(tempPath, &why); }, progress))
        return failed(why);
    if (!temporary.renameTo(destinationPath, &why))
        return failed(why);
    if (error)
        error->clear();
    return true;
}

namespace DatedBackups {

QString pathFor(const QString& backupPath, const QDateTime& when)
{
    const QFileInfo backup(backupPath);
    return backup.absolutePath() + QDir::separator() + backup.completeBaseName() + QStringLiteral("-") +
           QLocale::c().toString(when, kDatedFormat) + QStringLiteral(".") + backup.suffix();
}

QStringList list(const QString& backupPath)
{
    const QFileInfo backup(backupPath);
    const QRegularExpression dated(
        QStringLiteral("^%1-\\d{4}-\\d{2}-\\d{2}-\\d{6}\\.%2$")
            .arg(QRegularExpression::escape(backup.completeBaseName()), QRegularExpression::escape(backup.suffix())));
    const QDir folder(backup.absolutePath());
    QStringList copies;
    for (const QString& name : folder.entryList({backup.completeBaseName() + QStringLiteral("-*")}, QDir::Files,
                                                QDir::Name | QDir::Reversed)) {
        if (dated.match(name).hasMatch())
            copies << folder.filePath(name);
    }
    return copies; // the date in the name sorts as text
}

bool keep(const QString& backupPath, const QDateTime& when, QString* error, const WorkProgress& progress)
{
    const QString target = pathFor(backupPath, when);
    TemporaryCopy temporary(backupPath);
    if (!temporary.isValid())
        return fail(error, QStringLiteral("Cannot write beside %1: %2").arg(backupPath, temporary.errorString()));
    QString why;
    const bool copied = runAside(
        [&] {
            QFile from(backupPath);
            QFile to(temporary.path());
            if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                why = from.isOpen() ? to.errorString() : from.errorString();
                return false;
            }
            QByteArray block;
            while (!(block = from.read(1 << 20)).isEmpty()) {
                if (to.write(block) != block.size()) {
                    why = to.errorString();
                    return false;
                }
            }
            if (from.error() != QFileDevice::NoError) {
                why = from.errorString();
                return false;
            }
            if (!to.flush() || ::fsync(to.handle()) != 0) {
                why = to.errorString();
                return false;
            }
            return true;
        },
        progress);
    if (!copied || !temporary.renameTo(target, &why))
        return fail(error, QStringLiteral("The dated copy %1 was not kept: %2").arg(target, why));
    // The newest by when they were written, not by the date in their names: a clock that was once
    // set ahead leaves names dated later than today's copy, which must not push it out. The copy
    // just made is always kept.
    QList<QFileInfo> copies;
    for (const QString& copy : list(backupPath)) {
        if (copy != target)
            copies << QFileInfo(copy);
    }
    std::stable_sort(copies.begin(), copies.end(),
                     [](const QFileInfo& a, const QFileInfo& b) { return a.lastModified() > b.lastModified(); });
    for (qsizetype i = kKept - 1; i < copies.size(); ++i)
        QFile::remove(copies.at(i).filePath());
    if (error)
        error->clear();
    return true;
}

QDateTime writtenAt(const QString& path)
{
    const QFileInfo file(path);
    static const QRegularExpression stamp(QStringLiteral("-(\\d{4}-\\d{2}-\\d{2}-\\d{6})\\.[^.]*$"));
    const QRegularExpressionMatch m = stamp.match(file.fileName());
    if (m.hasMatch()) {
        const QDateTime when = QLocale::c().toDateTime(m.captured(1), kDatedFormat);
        if (when.isValid())
            return when;
    }
    return file.lastModified();
}

} // namespace DatedBackups

bool checkBackupFile(const QString& path, QString* error, const WorkProgress& progress)
{
    if (!QFileInfo(path).isFile())
        return fail(error, QStringLiteral("%1 is not a file.").arg(path));
    QString why;
    if (!runAside([&] { return verifyShopFile(path, &why); }, progress))
        return fail(error, QStringLiteral("%1 is not a sound backup of this shop: %2").arg(path, why));
    if (error)
        error->clear();
    return true;
}

bool restoreDatabase(Database& live, const QString& backupPath, QString* error)
{
    if (!live.isOpen())
        return fail(error, QStringLiteral("The database is not open."));
    if (live.inTransaction())
        return fail(error, QStringLiteral("The database is in the middle of a change."));
    if (sameFile(backupPath, live.filePath()))
        return fail(error, QStringLiteral("%1 is the database itself.").arg(backupPath));
    QString why;
    sqlite3* backup = openKeyed(backupPath, SQLITE_OPEN_READONLY, &why);
    if (!backup)
        return fail(error, QStringLiteral("%1 cannot be opened: %2").arg(backupPath, why));
    // Checked again on the very connection that is copied: the file may have been replaced
    // since it was checked.
    if (!holdsShopData(backup, &why)) {
        sqlite3_close_v2(backup);
        return fail(error, QStringLiteral("%1 is not a backup of this shop: %2").arg(backupPath, why));
    }
    // One step: the live connection is not used by anything else until every page is in,
    // and a failure part way leaves the live data as it was (the step's write is rolled back).
    const bool ok = copyPages(backup, live.handle(), &why, {});
    sqlite3_close_v2(backup);
    if (!ok)
        return fail(error, QStringLiteral("The data of %1 could not be restored: %2").arg(backupPath, why));
    // A backup made by an earlier version gets the columns this one needs (its cart is till 1's).
    if (!upgradeSchema(live))
        return fail(error, QStringLiteral("The data of %1 was restored but could not be brought up to date: %2")
                               .arg(backupPath, live.lastError()));
    if (error)
        error->clear();
    return true;
}

qint64 salesAfter(Database& live, const QDateTime& when)
{
    // The keys the sorted lists use: "2026-12-08" for the day, "A09:05:07" / "P12:30:00" for
    // the time of day (hour 12 first within AM and PM).
    const QTime t = when.time();
    const QString timeKey = QStringLiteral("%1%2:%3:%4")
                                .arg(QLatin1Char(t.hour() >= 12 ? 'P' : 'A'))
                                .arg(t.hour() % 12, 2, 10, QLatin1Char('0'))
                                .arg(t.minute(), 2, 10, QLatin1Char('0'))
                                .arg(t.second(), 2, 10, QLatin1Char('0'));
    const QString dayKey = QLocale::c().toString(when.date(), QStringLiteral("yyyy-MM-dd"));
    const QString day = live.isServer() ? QStringLiteral("pemvix_sales_day_key(BusinessDate)") : SalesDayKeySql();
    const QString time = SortKeySql(QStringLiteral("tblSales"), QStringLiteral("BusinessTime"), live.isServer());
    // Two counts, each served by the index on the day key: later days, and that day's later times.
    qint64 total = 0;
    for (const auto& [sql, params] :
         {std::pair{QStringLiteral("SELECT count(*) FROM tblSales WHERE %1 > ?").arg(day), QVariantList{dayKey}},
          std::pair{QStringLiteral("SELECT count(*) FROM tblSales WHERE %1 = ? AND %2 > ?").arg(day, time),
                    QVariantList{dayKey, timeKey}}}) {
        const Recordset rows = live.query(sql, params);
        if (rows.State() == 0 || rows.rows().isEmpty())
            return -1;
        total += rows.rows().first().value(0).toLongLong();
    }
    return total;
}

QString shopFileRefusal(Database& db, const QString& target)
{
    if (target.isEmpty())
        return {};
    const QString live = db.filePath();
    if (!live.isEmpty() && sameFile(target, live))
        return QStringLiteral("the shop's database");
    // The folders where the program keeps its files, with every link resolved.
    struct Kept
    {
        QString folder;
        QString fileName;
        QString what;
    };
    QList<Kept> kept;
    if (!live.isEmpty()) {
        const QFileInfo file(live);
        kept.append({QFileInfo(file.absolutePath()).canonicalFilePath(), file.fileName(),
                     QStringLiteral("one of the shop's database files")});
    }
    const Recordset settings = db.query(QStringLiteral("SELECT BackupFolder FROM tblMain"));
    for (const QVector<QVariant>& row : settings.rows()) {
        const QString folder = row.value(0).toString();
        if (!folder.isEmpty())
            kept.append({QFileInfo(folder).canonicalFilePath(), Database::fileName(),
                         QStringLiteral("a backup copy of the shop")});
    }
    // The name as given and, when it is a link, the file it leads to.
    QList<QFileInfo> names{QFileInfo(target)};
    const QString resolved = QFileInfo(target).canonicalFilePath();
    if (!resolved.isEmpty())
        names << QFileInfo(resolved);
    for (const QFileInfo& name : names) {
        const QString folder = QFileInfo(name.absolutePath()).canonicalFilePath();
        for (const Kept& k : kept) {
            if (!folder.isEmpty() && folder == k.folder && isShopFileName(name.fileName(), k.fileName))
                return k.what;
        }
    }
    return {};
}
