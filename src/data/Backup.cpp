#include "data/Backup.h"

#include "data/Database.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

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

// Copies every page of the source's main database into the keyed, empty target.
bool copyPages(sqlite3* source, sqlite3* target, QString* why)
{
    sqlite3_backup* backup = sqlite3_backup_init(target, "main", source, "main");
    if (!backup) {
        *why = QString::fromUtf8(sqlite3_errmsg(target));
        return false;
    }
    int rc;
    int waits = 0;
    // All pages in one step; a lock held by another copy of the program is waited for a while.
    while ((rc = sqlite3_backup_step(backup, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (++waits > 50)
            break;
        sqlite3_sleep(100);
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

// Writes the copy into the (empty) file at `path`.
bool writeCopy(Database& source, const QString& path, QString* why)
{
    sqlite3* target = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &target, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        *why = target ? QString::fromUtf8(sqlite3_errmsg(target)) : QStringLiteral("out of memory");
        sqlite3_close_v2(target);
        return false;
    }
    const QByteArray key = Database::password();
    bool ok = sqlite3_key(target, key.constData(), static_cast<int>(key.size())) == SQLITE_OK;
    if (!ok)
        *why = QString::fromUtf8(sqlite3_errmsg(target));
    if (ok)
        ok = copyPages(source.handle(), target, why);
    if (sqlite3_close(target) != SQLITE_OK && ok) {
        *why = QStringLiteral("the copy could not be closed");
        ok = false;
    }
    return ok;
}

// Opens the copy with the database password as the program would and checks every page.
bool verifyCopy(const QString& path, QString* why)
{
    Database copy;
    if (!copy.open(path)) {
        *why = copy.lastError();
        return false;
    }
    const Recordset check = copy.query(QStringLiteral("PRAGMA integrity_check"));
    const bool ok = !check.BOF() && check.rowCount() == 1 && check.rows().first().first().toString() == u"ok";
    if (!ok)
        *why = check.BOF() ? copy.lastError()
                           : QStringLiteral("the copy is damaged: %1").arg(check.rows().first().first().toString());
    copy.close();
    return ok;
}

} // namespace

bool backupDatabase(Database& source, const QString& destinationPath, QString* error)
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

    // The temporary name is unique in the destination's folder, so a rename is atomic and
    // another backup running at the same time cannot write into it.
    QTemporaryFile temporary(destinationPath + QStringLiteral(".XXXXXX"));
    temporary.setAutoRemove(false);
    if (!temporary.open())
        return fail(error, QStringLiteral("Cannot write in %1: %2").arg(folder.filePath(), temporary.errorString()));
    const QString tempPath = temporary.fileName();
    temporary.close();
    auto discard = [&](const QString& why) {
        QFile::remove(tempPath);
        QFile::remove(tempPath + QStringLiteral("-journal"));
        return fail(error, QStringLiteral("The backup to %1 failed: %2").arg(destinationPath, why));
    };

    QString why;
    if (!writeCopy(source, tempPath, &why))
        return discard(why);
    if (!verifyCopy(tempPath, &why))
        return discard(why);
    if (std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(destinationPath).constData()) != 0)
        return discard(QString::fromLocal8Bit(std::strerror(errno)));
    if (error)
        error->clear();
    return true;
}
