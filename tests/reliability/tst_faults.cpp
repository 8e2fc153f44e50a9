#include "Invariants.h"

#include "TestEnv.h"

#include "data/Database.h"
#include "sales/frmPOS.h"
#include "session/frmMain.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr double kStock = 100000;

bool run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Types an item number into the sales window and presses Add, as a cashier would.
void sell(frmPOS& pos, const QString& number)
{
    auto* item = pos.findChild<QLineEdit*>(QStringLiteral("txtItem"));
    auto* add = pos.findChild<QPushButton*>(QStringLiteral("cmdSearch"));
    QVERIFY(item && add);
    item->clear();
    QTest::keyClicks(item, number);
    add->click();
}

int warnings(const TestEnv& env)
{
    int n = 0;
    for (const MessageRecord& m : env.messages)
        n += m.icon == QMessageBox::Warning ? 1 : 0;
    return n;
}

} // namespace

class tst_Faults : public QObject
{
    Q_OBJECT

private slots:
    void faultBetweenOperations_data();
    void faultBetweenOperations();
};

void tst_Faults::faultBetweenOperations_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("read-only") << "read-only";
    QTest::newRow("deleted") << "deleted";
    QTest::newRow("random bytes") << "random bytes";
    QTest::newRow("disk full") << "disk full";
}

// The database file fails under the running program; the next sale line must be refused
// with a clear message, nothing half written, and the program must go on.
void tst_Faults::faultBetweenOperations()
{
    QFETCH(QString, fault);
    TestEnv env;
    QVERIFY(seedItems(env.db, 5, kStock));
    env.setSession(QStringLiteral("Cashier One"), QStringLiteral("Cashier"));
    QString path = env.dbPath();
    QTemporaryDir mountPoint;
    bool mounted = false;
    if (fault == QLatin1String("read-only") || fault == QLatin1String("disk full")) {
        // Root ignores file modes: serve the file from a small file system remounted read-only.
        if (!run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                           QStringLiteral("size=16m"), QStringLiteral("tmpfs"), mountPoint.path()}))
            QSKIP("cannot mount a tmpfs here");
        mounted = true;
        env.db.close();
        path = QDir(mountPoint.path()).filePath(QStringLiteral("dbZarel.mdb"));
        QVERIFY(QFile::copy(env.dbPath(), path));
        QVERIFY(env.db.open(path));
    }
    auto cleanup = qScopeGuard([&] {
        if (mounted) {
            env.db.close();
            run(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint.path()});
        }
    });
    {
        frmPOS pos(env.ctx);
        sell(pos, QStringLiteral("1001"));
        QCOMPARE(warnings(env), 0);
        QCOMPARE(env.count(QStringLiteral("tblPos")), 1);

        if (fault == QLatin1String("read-only")) {
            // A file system cannot turn read-only under a file open for writing, so the file is
            // closed for the moment of the remount; the window and its views stay as they are.
            env.db.close();
            QVERIFY(
                run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), mountPoint.path()}));
            QVERIFY(env.db.open(path));
        } else if (fault == QLatin1String("disk full")) {
            QFile filler(QDir(mountPoint.path()).filePath(QStringLiteral("filler")));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(1 << 16, 'x');
            while (filler.write(block) == block.size()) {
            }
        } else if (fault == QLatin1String("deleted")) {
            QVERIFY(QFile::remove(path));
        } else {
            QFile file(path);
            const qint64 size = file.size();
            QVERIFY(file.open(QIODevice::ReadWrite));
            QByteArray noise(size, '\0');
            QRandomGenerator(42).fillRange(reinterpret_cast<quint32*>(noise.data()), size / 4);
            file.write(noise);
        }
        const int before = static_cast<int>(env.messages.size());
        sell(pos, QStringLiteral("1002"));
        QVERIFY2(warnings(env) >= 1, qPrintable(env.messageTexts().join(u'|')));
        for (qsizetype i = before; i < env.messages.size(); ++i) {
            const MessageRecord& m = env.messages.at(i);
            QVERIFY2(m.icon == QMessageBox::Warning, qPrintable(m.text));
            QVERIFY(m.text.contains(QStringLiteral("not")));
        }
        // The window stays usable: another attempt is refused the same way, without a crash.
        sell(pos, QStringLiteral("1003"));
    }
    if (mounted) {
        // Nothing of the refused lines reached the file.
        env.db.close();
        if (fault == QLatin1String("read-only"))
            QVERIFY(
                run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,rw"), mountPoint.path()}));
        QFile::remove(QDir(mountPoint.path()).filePath(QStringLiteral("filler")));
        const QStringList broken = checkShopFile(path, kStock, true);
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
        Database db;
        QVERIFY(db.open(path));
        QCOMPARE(db.query(QStringLiteral("SELECT count(*) FROM tblPos")).rows().first().first().toInt(), 1);
    }
}

QTEST_MAIN(tst_Faults)
#include "tst_faults.moc"
