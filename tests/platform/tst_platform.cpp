#include "platform/Platform.h"
#include "platform/SystemFacts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QUuid>

#include <pwd.h>
#include <unistd.h>

namespace {

QString uniqueLockName()
{
    return QStringLiteral("pemvix-test-%1.lock").arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
}

QString lockDir()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

// A /proc/meminfo figure in kilobytes.
quint64 meminfoKb(const QByteArray& key)
{
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).simplified().split(' ').value(0).toULongLong();
    return 0;
}

} // namespace

class tst_Platform : public QObject
{
    Q_OBJECT

private slots:
    void memoryIsTheSystemsOwnFigure();
    void drivesListTheRootVolume();
    void loginNameIsTheUsersOwn();
    void screenSizeInPixels();
    void singleInstance();
    void lockOfAnEndedCopyDoesNotCount();
    void writeFailedKeepsTheEngineInTheDetails_data();
    void writeFailedKeepsTheEngineInTheDetails();
    void rememberedFolders_data();
    void rememberedFolders();
};

void tst_Platform::memoryIsTheSystemsOwnFigure()
{
    const MemoryStatus m = SystemFacts::memory();
    // The full 64-bit figure: on a machine with more than 4 GiB a 32-bit one would differ.
    const quint64 totalKb = meminfoKb("MemTotal");
    QVERIFY(totalKb > 0);
    QCOMPARE(m.totalPhysical / 1024, totalKb);
    QVERIFY(m.availablePhysical > 0);
    QVERIFY(m.availablePhysical <= m.totalPhysical);
    QCOMPARE(m.totalVirtual / 1024, totalKb + meminfoKb("SwapTotal"));
    QVERIFY(m.availableVirtual >= m.availablePhysical);
    QVERIFY(m.availableVirtual <= m.totalVirtual);
}

void tst_Platform::drivesListTheRootVolume()
{
    const QStringList drives = SystemFacts::drives();
    QVERIFY2(drives.contains(QStringLiteral("/")), qPrintable(drives.join(QLatin1Char(' '))));
    QCOMPARE(SystemFacts::driveCount(), int(drives.size()));
    QCOMPARE(int(QSet<QString>(drives.begin(), drives.end()).size()), int(drives.size()));
}

void tst_Platform::loginNameIsTheUsersOwn()
{
    const std::optional<QString> name = SystemFacts::loginName();
    QVERIFY(name.has_value());
    QVERIFY(!name->isEmpty());
    QVERIFY(!name->contains(QChar(0)));
    // The login name of a session, else the name of the account the program runs as.
    char buffer[1024] = {};
    if (getlogin_r(buffer, sizeof buffer) == 0 && buffer[0])
        QCOMPARE(*name, QString::fromLocal8Bit(buffer));
    else
        QCOMPARE(*name, QString::fromLocal8Bit(getpwuid(geteuid())->pw_name));
}

void tst_Platform::screenSizeInPixels()
{
    const QSize size = SystemFacts::screenSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    QVERIFY(screen);
    QCOMPARE(size, (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize());
    QVERIFY(size.width() > 0 && size.height() > 0);
}

void tst_Platform::singleInstance()
{
    const QString lock = uniqueLockName();
    {
        Platform first;
        QVERIFY(!first.anotherInstanceRunning(lock));
        Platform second;
        QVERIFY(second.anotherInstanceRunning(lock));
        QVERIFY(second.anotherInstanceRunning(lock)); // asked again: still running
        Platform other;
        QVERIFY(!other.anotherInstanceRunning(uniqueLockName())); // another program's lock
    }
    // The first copy ended: the next start is the only one again.
    Platform next;
    QVERIFY(!next.anotherInstanceRunning(lock));
}

void tst_Platform::lockOfAnEndedCopyDoesNotCount()
{
    // A copy that was killed leaves its lock file behind, naming a process that is gone.
    const QString lock = uniqueLockName();
    const QString path = QDir(lockDir()).filePath(lock);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("999999999\npemvix\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    file.close();
    Platform platform;
    QVERIFY(!platform.anotherInstanceRunning(lock));
    Platform second;
    QVERIFY(second.anotherInstanceRunning(lock));
}

void tst_Platform::writeFailedKeepsTheEngineInTheDetails_data()
{
    QTest::addColumn<bool>("realBox");
    QTest::newRow("through the test hook") << false;
    QTest::newRow("through the real message box") << true;
}

// A failed write says in the shop's words what was not saved; the engine's statement and
// error are there on "Show Details...", never in the main text.
void tst_Platform::writeFailedKeepsTheEngineInTheDetails()
{
    QFETCH(bool, realBox);
    const QString what = QStringLiteral("The new item was not registered.");
    const QString engine = QStringLiteral("Statement \"INSERT INTO tblStocks ...\" failed: database is locked");
    Platform platform;
    MessageRecord shown;
    if (!realBox) {
        platform.setMessageHook([&](const MessageRecord& m) {
            shown = m;
            return QMessageBox::Ok;
        });
    } else {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = MessageRecord{box->text(), box->windowTitle(),  box->standardButtons(),
                                  box->icon(), box->detailedText(), box->standardButton(box->defaultButton())};
            box->button(QMessageBox::Ok)->click();
        });
    }
    platform.writeFailed(nullptr, what, engine);
    QCOMPARE(shown.text, what);
    QCOMPARE(shown.details, engine);
    QCOMPARE(shown.title, QStringLiteral("Pemvix"));
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void tst_Platform::rememberedFolders_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("remembered");
    QTest::newRow("a folder of the user's") << QDir::tempPath() << true;
    QTest::newRow("the kernel's processes") << "/proc/self" << false;
    QTest::newRow("a folder that is gone") << QDir::tempPath() + QStringLiteral("/no-such-folder-here") << false;
}

// The next file dialog opens only in a folder where the shop can write files: never in the
// kernel's folders, where listing can hang the dialog.
void tst_Platform::rememberedFolders()
{
    QFETCH(QString, folder);
    QFETCH(bool, remembered);
    QCOMPARE(Platform::isRememberableFolder(folder), remembered);
}

QTEST_MAIN(tst_Platform)
#include "tst_platform.moc"
