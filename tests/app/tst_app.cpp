// Starts the real program on a virtual X display, beside a fresh database made by the real
// database tool, waits for its windows and takes screenshots of them.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <memory>

namespace {

const QString MainTitle = QStringLiteral("Zarel's Customized Sales and Inventory System");
const QString LoadingTitle = QStringLiteral("Tolvenco System Solution");

// Reads the screen image a virtual X server keeps in its frame-buffer file (XWD format).
QImage readXwd(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    if (data.size() < 100)
        return {};
    const auto field = [&data](int i) { return qFromBigEndian<quint32>(data.constData() + 4 * i); };
    const quint32 headerSize = field(0), version = field(1), width = field(4), height = field(5);
    const quint32 byteOrder = field(7), bitsPerPixel = field(11), bytesPerLine = field(12);
    const quint32 redMask = field(14), greenMask = field(15), blueMask = field(16), colours = field(19);
    if (version != 7 || bitsPerPixel != 32 || width == 0 || height == 0 || width > 16384 || height > 16384)
        return {};
    const qint64 offset = qint64(headerSize) + qint64(colours) * 12;
    if (offset + qint64(bytesPerLine) * height > data.size())
        return {};
    const auto channel = [](quint32 pixel, quint32 mask) {
        if (mask == 0)
            return 0;
        while (!(mask & 1)) {
            mask >>= 1;
            pixel >>= 1;
        }
        return int((pixel & mask) * 255 / mask);
    };
    QImage image(int(width), int(height), QImage::Format_RGB32);
    for (quint32 y = 0; y < height; ++y) {
        const char* row = data.constData() + offset + qint64(y) * bytesPerLine;
        for (quint32 x = 0; x < width; ++x) {
            const quint32 pixel =
                byteOrder == 0 ? qFromLittleEndian<quint32>(row + 4 * x) : qFromBigEndian<quint32>(row + 4 * x);
            image.setPixel(int(x), int(y),
                           qRgb(channel(pixel, redMask), channel(pixel, greenMask), channel(pixel, blueMask)));
        }
    }
    return image;
}

int colourCount(const QImage& image, const QRect& area)
{
    QSet<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); y += 3)
        for (int x = area.left(); x <= area.right(); x += 3)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

} // namespace

class tst_App : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startsAndShowsTheMainWindow();
    void missingDatabaseIsReportedFirst();

private:
    // xwininfo's report on the viewable window with this title, or nothing.
    QString viewableWindow(const QString& title);
    bool waitForWindow(const QString& title, int ms);
    QRect windowGeometry(const QString& info);
    void saveScreen(const QString& name, QImage* image = nullptr);
    QProcessEnvironment programEnvironment(const QString& runtimeDir) const;
    void startProgram(QProcess& program, const QString& folder);
    static void stop(QProcess& process);

    QTemporaryDir m_dir;
    QString m_xwininfo;
    QString m_display;
    QProcess m_server;
    QString m_shotDir;
};

void tst_App::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    m_xwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
    if (xvfb.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        QSKIP("Xvfb is not installed");
    if (m_xwininfo.isEmpty())
        QSKIP("xwininfo (x11-utils) is not installed");
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("fb")));

    // The server picks a free display itself and writes its number to standard output.
    m_server.setProgram(xvfb);
    m_server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                           QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-fbdir"),
                           m_dir.filePath(QStringLiteral("fb")), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    m_server.start();
    QVERIFY2(m_server.waitForStarted(5000), qPrintable(m_server.errorString()));
    QByteArray out;
    QDeadlineTimer deadline(10000);
    while (!out.contains('\n') && !deadline.hasExpired() && m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(200);
        out += m_server.readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    QVERIFY2(ok, qPrintable(QStringLiteral("no display number from Xvfb: ") + QString::fromLocal8Bit(out) +
                            QString::fromLocal8Bit(m_server.readAllStandardError())));
    m_display = QStringLiteral(":%1").arg(number);

    m_shotDir = qEnvironmentVariable("PEMVIX_SCREENSHOT_DIR", m_dir.path());

    // A private copy of the program and its tool, and a fresh database beside them.
    const QString binDir = qEnvironmentVariable("PEMVIX_BIN_DIR");
    QVERIFY2(!binDir.isEmpty(), "PEMVIX_BIN_DIR is not set");
    for (const QString& name : {QStringLiteral("pemvix"), QStringLiteral("pemvix-initdb")})
        QVERIFY2(QFile::copy(QDir(binDir).filePath(name), m_dir.filePath(name)), qPrintable(name));
    QProcess initdb;
    initdb.setWorkingDirectory(m_dir.path());
    initdb.start(m_dir.filePath(QStringLiteral("pemvix-initdb")),
                 {QStringLiteral("--admin-password"), QStringLiteral("smoke-pass"), QStringLiteral("--demo"),
                  QStringLiteral("dbZarel.mdb")});
    QVERIFY(initdb.waitForFinished(20000));
    QVERIFY2(initdb.exitCode() == 0, initdb.readAllStandardError().constData());
    QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("dbZarel.mdb"))));
}

void tst_App::cleanupTestCase()
{
    stop(m_server);
}

QProcessEnvironment tst_App::programEnvironment(const QString& runtimeDir) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // A runtime folder of its own, so a copy the developer runs does not count as the first.
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

void tst_App::startProgram(QProcess& program, const QString& folder)
{
    const QString runtime = QDir(folder).filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    program.setProcessEnvironment(programEnvironment(runtime));
    program.setWorkingDirectory(folder);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QDir(folder).filePath(QStringLiteral("pemvix")), {});
    QVERIFY2(program.waitForStarted(5000), qPrintable(program.errorString()));
}

void tst_App::stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

QString tst_App::viewableWindow(const QString& title)
{
    // Several windows may carry one name (Qt's hidden leader window is named after the
    // program): look at each of them.
    const auto run = [this](const QStringList& args) {
        QProcess info;
        info.start(m_xwininfo, QStringList{QStringLiteral("-display"), m_display} + args);
        if (!info.waitForFinished(5000) || info.exitCode() != 0)
            return QString();
        return QString::fromLocal8Bit(info.readAllStandardOutput());
    };
    const QString tree = run({QStringLiteral("-root"), QStringLiteral("-tree")});
    const QRegularExpression line(QStringLiteral("^\\s*(0x[0-9a-f]+) \"%1\":").arg(QRegularExpression::escape(title)),
                                  QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(tree); it.hasNext();) {
        const QString text = run({QStringLiteral("-id"), it.next().captured(1)});
        if (text.contains(QStringLiteral("Map State: IsViewable")))
            return text;
    }
    return {};
}

bool tst_App::waitForWindow(const QString& title, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (!viewableWindow(title).isEmpty())
            return true;
        QThread::msleep(150);
    }
    return false;
}

QRect tst_App::windowGeometry(const QString& info)
{
    const auto number = [&info](const QString& key) {
        const QRegularExpression re(QRegularExpression::escape(key) + QStringLiteral(":\\s+(-?\\d+)"));
        return re.match(info).captured(1).toInt();
    };
    return QRect(number(QStringLiteral("Absolute upper-left X")), number(QStringLiteral("Absolute upper-left Y")),
                 number(QStringLiteral("Width")), number(QStringLiteral("Height")));
}

void tst_App::saveScreen(const QString& name, QImage* image)
{
    const QImage screen = readXwd(QDir(m_dir.filePath(QStringLiteral("fb"))).filePath(QStringLiteral("Xvfb_screen0")));
    QVERIFY2(!screen.isNull(), "cannot read the virtual screen");
    QVERIFY(screen.save(QDir(m_shotDir).filePath(name)));
    qInfo("screenshot: %s", qPrintable(QDir(m_shotDir).filePath(name)));
    if (image)
        *image = screen;
}

void tst_App::startsAndShowsTheMainWindow()
{
    QProcess program;
    startProgram(program, m_dir.path());
    auto cleanup = qScopeGuard([&program] { stop(program); });

    // The start-up screen comes first (and no message box stands in its way).
    QVERIFY2(waitForWindow(LoadingTitle, 10000), program.readAll().constData());
    QVERIFY(viewableWindow(QStringLiteral("Pemvix")).isEmpty());
    QThread::msleep(1500);
    saveScreen(QStringLiteral("smoke-frmLoading.png"));

    // The scan hands over to the main window and closes itself.
    QVERIFY2(waitForWindow(MainTitle, 25000), program.readAll().constData());
    QTRY_VERIFY_WITH_TIMEOUT(viewableWindow(LoadingTitle).isEmpty(), 3000);
    QThread::msleep(500); // let it paint
    QImage screen;
    saveScreen(QStringLiteral("smoke-frmMain.png"), &screen);
    const QRect mainRect = windowGeometry(viewableWindow(MainTitle)) & screen.rect();
    QVERIFY(!mainRect.isEmpty());
    QVERIFY2(colourCount(screen, mainRect) > 8, "the main window looks blank");

    // A second copy is warned, and waits for OK; the first keeps running.
    QProcess second;
    startProgram(second, m_dir.path());
    auto cleanupSecond = qScopeGuard([&second] { stop(second); });
    QVERIFY2(waitForWindow(QStringLiteral("Pemvix"), 10000), second.readAll().constData());
    saveScreen(QStringLiteral("smoke-second-copy.png"));
    QCOMPARE(program.state(), QProcess::Running);
    QCOMPARE(second.state(), QProcess::Running);
}

void tst_App::missingDatabaseIsReportedFirst()
{
    // The program alone in a folder, without its database: one message box says so before
    // the start-up screen, and the program waits for it instead of ending.
    const QString folder = m_dir.filePath(QStringLiteral("nodb"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("pemvix")), QDir(folder).filePath(QStringLiteral("pemvix"))));
    QProcess program;
    startProgram(program, folder);
    auto cleanup = qScopeGuard([&program] { stop(program); });
    QVERIFY2(waitForWindow(QStringLiteral("Pemvix"), 10000), program.readAll().constData());
    QVERIFY(viewableWindow(LoadingTitle).isEmpty());
    QThread::msleep(300);
    saveScreen(QStringLiteral("smoke-missing-database.png"));
    QCOMPARE(program.state(), QProcess::Running);
    QVERIFY(!QFile::exists(QDir(folder).filePath(QStringLiteral("dbZarel.mdb")))); // never created
}

QTEST_GUILESS_MAIN(tst_App)
#include "tst_app.moc"
