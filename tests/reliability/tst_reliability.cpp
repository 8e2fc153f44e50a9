#include "Invariants.h"
#include "Workload.h"

#include "data/Backup.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/TextForms.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

namespace {

constexpr double kStock = 100000;

QString makeShop(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(Database::fileName());
    InitOptions options;
    options.adminPassword = QStringLiteral("admin-pass");
    QString error;
    if (!createDatabaseFile(path, options, &error))
        qFatal("%s", qPrintable(error));
    Database db;
    if (!db.open(path) || !seedItems(db, 20, kStock))
        qFatal("cannot seed the shop: %s", qPrintable(db.lastError()));
    return path;
}

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

QStringList workloadArgs(const QString& db, const QString& state, quint32 seed, int rate, int maxOps,
                         WorkloadFocus focus = WorkloadFocus::Mixed, const QString& backupFolder = {},
                         bool adminWork = false)
{
    QStringList args{QStringLiteral("--workload"),
                     db,
                     state,
                     QString::number(seed),
                     QString::number(rate),
                     QString::number(maxOps),
                     QString::number(int(focus)),
                     backupFolder};
    if (adminWork)
        args << QStringLiteral("--admin");
    return args;
}

// After a kill: the backup in the folder (if any) is a sound one, and the next backup into
// the folder leaves nothing there but the backup and its dated copies.
QStringList checkBackupFolder(const QString& dbPath, const QString& folder)
{
    QStringList broken;
    const QString backup = QDir(folder).filePath(Database::fileName());
    QString error;
    if (QFileInfo::exists(backup) && !checkBackupFile(backup, &error))
        broken << QStringLiteral("the backup left in place is broken: ") + error;
    Database db;
    if (!db.open(dbPath) || !backupDatabase(db, backup, &error))
        return broken << QStringLiteral("the next backup failed: ") + error + db.lastError();
    QStringList expected = DatedBackups::list(backup);
    expected << backup;
    QStringList found;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        found << file.filePath();
    expected.sort();
    found.sort();
    if (found != expected)
        broken << QStringLiteral("litter after the next backup: ") + found.join(QStringLiteral(", "));
    return broken;
}

} // namespace

class tst_Reliability : public QObject
{
    Q_OBJECT

private slots:
    void survivesKills();
    void twoCopiesAtOnce();
};

// A child sells and registers as fast as it can and is killed at a random moment; the file
// must open, pass the integrity check and keep every invariant, however often that happens.
// Every fourth child mostly pays through the payment window, every fourth mostly backs up
// through the settings window (after those kills the next backup leaves no litter), every
// fourth mostly takes units of completed sales back: each return is stored whole or not at all.
void tst_Reliability::survivesKills()
{
    QTemporaryDir dir;
    const QString db = makeShop(dir);
    const QString state = dir.filePath(QStringLiteral("state"));
    const QString backups = dir.filePath(QStringLiteral("backups"));
    QVERIFY(QDir().mkpath(backups));
    const int kills = envInt("PEMVIX_CRASH_KILLS", 50);
    int insideOperation = 0;
    int insidePayment = 0;
    int insideBackup = 0;
    int insideReturn = 0;
    int totalOps = 0;
    for (int k = 0; k < kills; ++k) {
        const auto focus = static_cast<WorkloadFocus>(k % 4);
        QFile::remove(state);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    workloadArgs(db, state, 1000 + k, 0, 1000000, focus, backups));
        QVERIFY(child.waitForStarted());
        // Wait until it works, then let it run a random while before the kill.
        QVERIFY2(child.waitForReadyRead(20000), "the workload did not start");
        QTest::qWait(0);
        QThread::msleep(20 + QRandomGenerator::global()->bounded(280));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        QFile mark(state);
        const QByteArray byte = mark.open(QIODevice::ReadOnly) ? mark.read(1) : QByteArray();
        const char where = byte.isEmpty() ? char(Idle) : byte.at(0);
        insideOperation += where != Idle;
        insidePayment += where == InsidePayment;
        insideBackup += where == InsideBackup;
        insideReturn += where == InsideReturn;
        QStringList broken = checkShopFile(db, kStock, true);
        if (focus == WorkloadFocus::Backups)
            broken += checkBackupFolder(db, backups);
        QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("after kill %1: %2").arg(k).arg(broken.join(u'\n'))));
        Database check;
        QVERIFY(check.open(db));
        totalOps = check.query(QStringLiteral("SELECT count(*) FROM tblSold")).rows().first().first().toInt();
    }
    qInfo("%d kills survived, %d of them inside an operation (%d inside a payment, %d inside a backup, %d inside a "
          "return); %d sold lines written in all",
          kills, insideOperation, insidePayment, insideBackup, insideReturn, totalOps);
    QVERIFY(insideOperation > 0);
    if (kills >= 30) { // about a quarter of the kills land in each, so fewer may miss one
        QVERIFY(insidePayment > 0);
        QVERIFY(insideBackup > 0);
        QVERIFY(insideReturn > 0);
    }
}

// Two copies sell, register items and employees and add stock in one database at ten
// operations a second each: nobody waits into a "database is locked" failure, no number is
// issued twice and no stock update is lost.
void tst_Reliability::twoCopiesAtOnce()
{
    QTemporaryDir dir;
    const QString db = makeShop(dir);
    const int ops = envInt("PEMVIX_TWO_COPIES_OPS", 80);
    QProcess a, b;
    a.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    b.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    for (auto [child, seed] : {std::pair{&a, 7u}, std::pair{&b, 8u}}) {
        child->start(QCoreApplication::applicationFilePath(),
                     workloadArgs(db, dir.filePath(QStringLiteral("state%1").arg(seed)), seed, 10, ops,
                                  WorkloadFocus::Mixed, {}, true));
    }
    QVERIFY(a.waitForFinished(120000));
    QVERIFY(b.waitForFinished(120000));
    QCOMPARE(a.exitCode(), 0);
    QCOMPARE(b.exitCode(), 0);
    QHash<QString, double> added;
    for (QProcess* child : {&a, &b}) {
        const QString out = QString::fromUtf8(child->readAllStandardOutput());
        qInfo("%s", qPrintable(out.simplified()));
        QVERIFY2(out.contains(QStringLiteral("ops %1 failed 0 locked 0").arg(ops)), qPrintable(out));
        for (const QString& line : out.split(u'\n')) {
            if (!line.startsWith(QLatin1String("added")))
                continue;
            for (const QString& word : line.split(u' ', Qt::SkipEmptyParts).mid(1))
                added[word.section(u'=', 0, 0)] += word.section(u'=', 1).toDouble();
        }
    }
    QVERIFY2(!added.isEmpty(), "no stock was added");
    {
        Database check;
        QVERIFY(check.open(db));
        const auto count = [&](const char* table) {
            return check.query(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)))
                .rows()
                .first()
                .first()
                .toInt();
        };
        qInfo("%d items and %d employees registered, stock added to %lld items", count("tblStocks") - 20,
              count("tblEmp"), static_cast<long long>(added.size()));
    }
    const QStringList broken = checkShopFile(db, kStock, false, added);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
}

int main(int argc, char* argv[])
{
    if (argc >= 9 && qstrcmp(argv[1], "--workload") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        WorkloadOptions options;
        options.dbPath = QString::fromLocal8Bit(argv[2]);
        options.statePath = QString::fromLocal8Bit(argv[3]);
        options.seed = QByteArray(argv[4]).toUInt();
        options.opsPerSecond = QByteArray(argv[5]).toInt();
        options.maxOps = QByteArray(argv[6]).toInt();
        options.focus = static_cast<WorkloadFocus>(QByteArray(argv[7]).toInt());
        options.backupFolder = QString::fromLocal8Bit(argv[8]);
        options.adminWork = argc >= 10 && qstrcmp(argv[9], "--admin") == 0;
        const WorkloadStats stats = runWorkload(options);
        return stats.ops > 0 || options.maxOps == 0 ? 0 : 1;
    }
    QApplication app(argc, argv);
    tst_Reliability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reliability.moc"
