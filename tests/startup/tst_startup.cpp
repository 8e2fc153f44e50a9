#include "TestEnv.h"

#include "session/frmMain.h"
#include "startup/ScanStep.h"
#include "startup/frmLoading.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QUuid>

#include <memory>
#include <random>

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

constexpr std::uint64_t GiB = 1024ull * 1024 * 1024;

// Facts of a machine with more than 4 GiB everywhere, so a 32-bit figure would show.
ScanSource fakeSource(std::optional<QString> userName = QStringLiteral("clerk"))
{
    ScanSource source;
    source.memory = [] {
        MemoryStatus m;
        m.availableVirtual = 5 * GiB;           // 5,242,880 kb
        m.totalVirtual = 12 * GiB + 512 * 1024; // 12,583,424 kb
        m.availablePhysical = 3 * GiB + 1023;   // 3,145,729 kb (1023 bytes round up)
        m.totalPhysical = 8 * GiB + 511;        // 8,388,608 kb (511 bytes round down)
        return m;
    };
    source.drives = [] {
        return QStringList{QStringLiteral("/"), QStringLiteral("/home"), QStringLiteral("/media/usb")};
    };
    source.osVersion = [] { return OsVersion{2, 5, 1}; };
    source.screenSize = [] { return QSize(1920, 1080); };
    source.userName = [userName] { return userName; };
    return source;
}

// A start-up screen with its main window loader counting the loads.
struct Startup
{
    explicit Startup(TestEnv& env, ScanSource source = fakeSource())
        : loading(
              env.ctx,
              [this, &env] {
                  ++loads;
                  return &env.main();
              },
              nullptr, std::move(source))
    {
    }

    void stepTo(int value)
    {
        while (bar()->value() < value && !loading.finished())
            loading.SystemScanStep();
    }
    QString label() const { return loading.findChild<QLabel*>(QStringLiteral("Label1"))->text(); }
    QProgressBar* bar() const { return loading.findChild<QProgressBar*>(QStringLiteral("XP_ProgressBar1")); }
    QTimer* timer1() const { return loading.findChild<QTimer*>(QStringLiteral("Timer1")); }
    QTimer* timer2() const { return loading.findChild<QTimer*>(QStringLiteral("Timer2")); }

    int loads = 0;
    frmLoading loading;
};

QString uniqueLockName()
{
    return QStringLiteral("pemvix-test-%1.lock").arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void initialState();
    void stepTexts_data();
    void stepTexts();
    void memoryFigures_data();
    void memoryFigures();
    void intervalFactors_data();
    void intervalFactors();
    void intervalsFollowTheSameSequenceAtEveryStart();
    void zeroIntervalStallsUntilTheGuard();
    void scanKeepsItsPace();
    void getVersionTable_data();
    void getVersionTable();
    void singleInstanceWarning();
    void handOver_data();
    void handOver();
    void cannotBeClosedBeforeTheHandOver();
    void looksRight();
};

void tst_Startup::initialState()
{
    TestEnv env;
    Startup s(env);
    QCOMPARE(s.loading.windowTitle(), QStringLiteral("Tolvenco System Solution"));
    QCOMPARE(s.label(), QStringLiteral("Preparing System..."));
    QCOMPARE(s.bar()->value(), 0);
    QCOMPARE(s.bar()->maximum(), 100);
    QVERIFY(s.bar()->isTextVisible());
    QCOMPARE(s.timer1()->interval(), 0);
    QVERIFY(!s.timer1()->isActive());
    QCOMPARE(s.timer2()->interval(), 1000);
    QCOMPARE(s.loading.findChild<QComboBox*>(QStringLiteral("Drive1"))->count(), 3);
    QCOMPARE(s.loads, 0);
}

void tst_Startup::stepTexts_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("before the first step") << 0 << "Preparing System...";
    QTest::newRow("1") << 1 << "Scanning Computer...";
    QTest::newRow("9 keeps step 1") << 9 << "Scanning Computer...";
    QTest::newRow("10") << 10 << "Virtual Memory: \r\n5,242,880 kb";
    QTest::newRow("24 keeps step 10") << 24 << "Virtual Memory: \r\n5,242,880 kb";
    QTest::newRow("25 on one line") << 25 << "Physical Memory: 3,145,729 kb";
    QTest::newRow("35") << 35 << "Total Virtual Memory: \r\n12,583,424 kb";
    QTest::newRow("45") << 45 << "Total Physical Memory: \r\n8,388,608 kb";
    QTest::newRow("55 counts Drive1") << 55 << "Total Drives: \r\n3 drive(s) found!";
    QTest::newRow("65") << 65 << "Detecting System...";
    QTest::newRow("75") << 75 << "OS Detected: \r\nWindows XP";
    QTest::newRow("85") << 85 << "Screen Resolution:\r\n1920 x 1080";
    QTest::newRow("90") << 90 << "Domain: \r\nclerk";
    QTest::newRow("99 keeps step 90") << 99 << "Domain: \r\nclerk";
}

void tst_Startup::stepTexts()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    TestEnv env;
    Startup s(env);
    s.stepTo(value);
    QCOMPARE(s.bar()->value(), value);
    QCOMPARE(s.label(), text);
}

void tst_Startup::memoryFigures_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing") << quint64(0) << "0 kb";
    QTest::newRow("half a kb rounds up") << quint64(512) << "1 kb";
    QTest::newRow("under half rounds down") << quint64(511) << "0 kb";
    QTest::newRow("the usual example") << quint64(2147352576) << "2,097,024 kb";
    QTest::newRow("2 GiB, past signed 32-bit") << quint64(2 * GiB) << "2,097,152 kb";
    QTest::newRow("4 GiB, past unsigned 32-bit") << quint64(4 * GiB) << "4,194,304 kb";
    QTest::newRow("1 TiB") << quint64(1024 * GiB) << "1,073,741,824 kb";
}

void tst_Startup::memoryFigures()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(memoryText(bytes), text);
}

void tst_Startup::intervalFactors_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("factor");

    QTest::newRow("1") << 1 << 310;
    QTest::newRow("10") << 10 << 100;
    QTest::newRow("25") << 25 << 55;
    QTest::newRow("35") << 35 << 100;
    QTest::newRow("45") << 45 << 400;
    QTest::newRow("55") << 55 << 200;
    QTest::newRow("65") << 65 << 55;
    QTest::newRow("75") << 75 << 110;
    QTest::newRow("85") << 85 << 200;
    QTest::newRow("90") << 90 << 55;
}

void tst_Startup::intervalFactors()
{
    QFETCH(int, value);
    QFETCH(int, factor);
    TestEnv env;
    Startup s(env);

    // The largest fraction below 1 gives factor - 1.
    double fraction = 0.999999;
    s.loading.setRandomSource([&fraction] { return fraction; });
    s.stepTo(value);
    QCOMPARE(s.timer1()->interval(), factor - 1);
    QVERIFY(s.timer1()->isActive());

    fraction = 0.5;
    const int before = s.timer1()->interval();
    s.loading.SystemScanStep(); // value + 1 has no step: the interval stays
    QCOMPARE(s.timer1()->interval(), before);
}

void tst_Startup::intervalsFollowTheSameSequenceAtEveryStart()
{
    // The guard and the listed steps draw from one never-seeded generator, in that order.
    auto run = [] {
        TestEnv env;
        Startup s(env);
        QList<int> intervals;
        s.loading.RestartGuard();
        intervals << s.timer1()->interval();
        for (int value = 1; value <= HandOverStep; ++value) {
            s.loading.SystemScanStep();
            if (scanIntervalFactor(value) > 0)
                intervals << s.timer1()->interval();
        }
        return intervals;
    };
    const QList<int> first = run();
    QCOMPARE(run(), first);

    std::minstd_rand generator;
    generator.discard(1); // its first draw is always near 0
    const auto fraction = [&generator] {
        return double(generator() - std::minstd_rand::min()) /
               (double(std::minstd_rand::max() - std::minstd_rand::min()) + 1.0);
    };
    QList<int> expected;
    expected << int(fraction() * 55);
    for (int value = 1; value <= HandOverStep; ++value) {
        if (const int factor = scanIntervalFactor(value))
            expected << int(fraction() * factor);
    }
    QCOMPARE(first, expected);
}

void tst_Startup::zeroIntervalStallsUntilTheGuard()
{
    TestEnv env;
    Startup s(env);
    double fraction = 0.5;
    s.loading.setRandomSource([&fraction] { return fraction; });

    s.loading.RestartGuard(); // Timer1 at 0: started
    QCOMPARE(s.timer1()->interval(), 27);
    QVERIFY(s.timer1()->isActive());

    fraction = 0.0;
    s.stepTo(10); // a zero interval stops Timer1: a timer of interval 0 never fires
    QCOMPARE(s.timer1()->interval(), 0);
    QVERIFY(!s.timer1()->isActive());

    s.loading.RestartGuard(); // still 0: stays stopped
    QVERIFY(!s.timer1()->isActive());

    fraction = 0.3;
    s.loading.RestartGuard();
    QCOMPARE(s.timer1()->interval(), 16);
    QVERIFY(s.timer1()->isActive());

    fraction = 0.9;
    s.loading.RestartGuard(); // Timer1 runs: the guard leaves it alone
    QCOMPARE(s.timer1()->interval(), 16);
    QCOMPARE(s.bar()->value(), 10);
    QCOMPARE(s.label(), QStringLiteral("Virtual Memory: \r\n5,242,880 kb"));
}

void tst_Startup::scanKeepsItsPace()
{
    // The scan's timeline, stepped on a simulated clock from the intervals the window sets:
    // Timer2 fires every whole second, Timer1 after its interval while it is not 0.
    TestEnv env;
    Startup s(env);
    int now = 1000; // the guard's first firing
    s.loading.RestartGuard();
    QVERIFY2(s.timer1()->isActive(), "the first firing of the guard starts the scan");
    int firstStep = -1;
    while (!s.loading.finished()) {
        if (!s.timer1()->isActive()) {
            now = (now / 1000 + 1) * 1000;
            s.loading.RestartGuard();
            continue;
        }
        now += s.timer1()->interval();
        s.loading.SystemScanStep();
        if (firstStep < 0)
            firstStep = now;
    }
    QVERIFY2(firstStep >= 1000 && firstStep < 1100, qPrintable(QString::number(firstStep)));
    QVERIFY2(now >= 7000 && now <= 9500, qPrintable(QString::number(now)));
}

void tst_Startup::getVersionTable_data()
{
    QTest::addColumn<int>("platformId");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("name");

    QTest::newRow("95") << 1 << 4 << 0 << "Windows 95";
    QTest::newRow("98") << 1 << 4 << 10 << "Windows 98";
    QTest::newRow("Me") << 1 << 4 << 90 << "Windows Millennium";
    QTest::newRow("9x other minor") << 1 << 4 << 3 << "";
    QTest::newRow("9x ignores major") << 1 << 7 << 10 << "Windows 98";
    QTest::newRow("NT 3") << 2 << 3 << 51 << "Windows NT 3.51";
    QTest::newRow("NT 4") << 2 << 4 << 0 << "Windows NT 4.0";
    QTest::newRow("2000") << 2 << 5 << 0 << "Windows 2000";
    QTest::newRow("XP") << 2 << 5 << 1 << "Windows XP";
    QTest::newRow("5.2 is XP too") << 2 << 5 << 2 << "Windows XP";
    QTest::newRow("NT 6.0 unnamed") << 2 << 6 << 0 << "";
    QTest::newRow("NT 10 unnamed") << 2 << 10 << 0 << "";
    QTest::newRow("unknown platform") << 3 << 6 << 1 << "Advance Windows Detected";
    QTest::newRow("platform 0") << 0 << 5 << 0 << "Advance Windows Detected";
    QTest::newRow("this system") << SystemFacts::osVersion().platformId << 0 << 0 << "Advance Windows Detected";
}

void tst_Startup::getVersionTable()
{
    QFETCH(int, platformId);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, name);
    QCOMPARE(getVersion(OsVersion{platformId, major, minor}), name);

    // The step text carries the name after its line break, empty or not.
    ScanFacts facts;
    facts.os = OsVersion{platformId, major, minor};
    QCOMPARE(scanStepText(75, facts), QStringLiteral("OS Detected: \r\n") + name);
}

void tst_Startup::singleInstanceWarning()
{
    const QString lock = uniqueLockName();

    // The first copy: no warning, and it holds the lock while it runs.
    TestEnv first;
    Startup one(first);
    one.loading.start(lock);
    QVERIFY(first.messages.isEmpty());
    QVERIFY(one.loading.isVisible());

    // A second copy is warned once, and goes on to its own scan.
    TestEnv second;
    Startup two(second);
    two.loading.start(lock);
    QCOMPARE(second.messages.size(), 1);
    const MessageRecord m = second.lastMessage();
    QCOMPARE(m.text, QStringLiteral("System is already in used!"));
    QCOMPARE(m.title, QStringLiteral("Pemvix"));
    QCOMPARE(m.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(m.icon, QMessageBox::Information);
    QVERIFY(two.loading.isVisible());
    QVERIFY(two.timer2()->isActive());
    two.stepTo(100);
    QVERIFY(two.loading.finished());
    QVERIFY(second.main().isVisible());
}

void tst_Startup::handOver_data()
{
    QTest::addColumn<std::optional<QString>>("userName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("domain");

    QTest::newRow("found") << std::optional<QString>(QStringLiteral("clerk")) << "Domain: \r\nclerk"
                           << "clerk";
    QTest::newRow("not found") << std::optional<QString>() << "Domain is not detected!"
                               << "";
    QTest::newRow("markup stays text") << std::optional<QString>(QStringLiteral("<b>o'neil</b>"))
                                       << "Domain: \r\n<b>o'neil</b>"
                                       << "<b>o'neil</b>";
}

void tst_Startup::handOver()
{
    QFETCH(std::optional<QString>, userName);
    QFETCH(QString, text);
    QFETCH(QString, domain);
    TestEnv env;
    Startup s(env, fakeSource(userName));
    s.loading.start(uniqueLockName());

    s.stepTo(HandOverStep - 1);
    QCOMPARE(s.loads, 0);
    s.loading.SystemScanStep();
    QCOMPARE(s.loads, 1); // the main window is loaded at the hand-over step...
    QCOMPARE(s.label(), text);
    QCOMPARE(env.main().session().DomainName(), domain);
    QVERIFY(!env.main().isVisible()); // ...but shown only at the end
    QVERIFY(s.loading.isVisible());
    const QLabel* label = s.loading.findChild<QLabel*>(QStringLiteral("Label1"));
    QCOMPARE(label->textFormat(), Qt::PlainText);

    s.stepTo(FinalStep - 1);
    QVERIFY(!s.loading.finished());
    s.loading.SystemScanStep();
    QCOMPARE(s.bar()->value(), 100);
    QVERIFY(s.loading.finished());
    QVERIFY(!s.loading.isVisible());
    QVERIFY(env.main().isVisible());
    QVERIFY(!env.main().isModal());
    QCOMPARE(s.loads, 1);
    QVERIFY(!s.timer1()->isActive());
    QVERIFY(!s.timer2()->isActive());

    // A late firing after the end changes nothing.
    s.loading.SystemScanStep();
    s.loading.RestartGuard();
    QCOMPARE(s.bar()->value(), 100);
    QCOMPARE(s.loads, 1);
    QCOMPARE(env.main().session().DomainName(), domain);
}

void tst_Startup::cannotBeClosedBeforeTheHandOver()
{
    TestEnv env;
    Startup s(env);
    s.loading.start(uniqueLockName());
    s.stepTo(50);
    QVERIFY(!s.loading.close());
    QTest::keyClick(&s.loading, Qt::Key_Escape);
    QVERIFY(s.loading.isVisible());
    QVERIFY(s.timer2()->isActive());
    QCOMPARE(s.bar()->value(), 50);
}

void tst_Startup::looksRight()
{
    TestEnv env;
    Startup s(env, fakeSource(QStringLiteral("a-rather-long-login-name-of-a-shop-computer")));
    s.loading.start(uniqueLockName());
    const QString dir = qEnvironmentVariable("PEMVIX_SCREENSHOT_DIR");
    for (int value : {0, 10, 25, 55, 85, 90}) {
        s.stepTo(value);
        QLabel* label = s.loading.findChild<QLabel*>(QStringLiteral("Label1"));
        // Two lines of the step text fit the label, and it sits inside the window.
        QVERIFY2(label->heightForWidth(label->width()) <= label->height() ||
                     label->sizeHint().height() <= label->height(),
                 qPrintable(label->text()));
        QVERIFY(s.loading.rect().contains(label->geometry()));
        QVERIFY(s.loading.rect().contains(s.bar()->geometry()));
        QVERIFY(label->geometry().bottom() < s.bar()->geometry().top());
        if (!dir.isEmpty())
            QVERIFY(s.loading.grab().save(QDir(dir).filePath(QStringLiteral("frmLoading-%1.png").arg(value))));
    }
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
