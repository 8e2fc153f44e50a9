#include "TestEnv.h"
#include "TestWindows.h"

#include "platform/FormDialog.h"
#include "session/AppContext.h"
#include "session/WindowFactory.h"
#include "session/frmMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>

// The main window driven with real pointer events from the X server (xdotool on a virtual
// display, the xcb platform), as a mouse or a touch screen sends them: the offscreen platform
// delivers a synthetic click straight to its widget and cannot show what focus and hover
// changes do to a real one.
class tst_RealClicks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void oneClickOpensAnEntry_data();
    void oneClickOpensAnEntry();

private:
    QString m_xdotool;
};

void tst_RealClicks::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs the xcb platform on an X server (run through xvfb-run)");
    m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    QVERIFY2(!m_xdotool.isEmpty(), "xdotool is not installed");
}

void tst_RealClicks::oneClickOpensAnEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("pointer"); // where the pointer rests before the click
    QTest::newRow("Purchase Items, pointer moved there first") << "imgPos"
                                                               << "frmPOS"
                                                               << "over";
    QTest::newRow("Register, pointer moved there first") << "imgRep"
                                                         << "frmReg"
                                                         << "over";
    QTest::newRow("Admin Settings, pointer jumps there with the press (a tap)") << "imgAdm"
                                                                                << "frmSetting"
                                                                                << "away";
}

// One press and release over a menu entry opens its window, whether the pointer hovered there
// first (a mouse) or arrives with the press (a touch tap). The header fits a long company name.
void tst_RealClicks::oneClickOpensAnEntry()
{
    QFETCH(QString, entry);
    QFETCH(QString, window);
    QFETCH(QString, pointer);
    TestEnv env;
    const QString company = QStringLiteral("ROSA'S CORNER STORE & CAFE OF THE NORTH");
    env.exec(QStringLiteral("UPDATE tblMain SET CompanyName = ?"), {company});
    TestWindows windows;
    env.ctx.windows = &windows;
    frmMain& main = env.main();
    main.resize(1024, 768);
    main.move(0, 0);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    // As on a shop's screen, the window is the active one: focus changes reach its widgets.
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::mouseClick(main.findChild<QRadioButton*>(QStringLiteral("Option1")), Qt::LeftButton);
    QTest::keyClicks(main.findChild<QLineEdit*>(QStringLiteral("txtUsername")), TestEnv::adminUser());
    QTest::keyClicks(main.findChild<QLineEdit*>(QStringLiteral("txtPassword")), TestEnv::adminPassword());
    QTest::mouseClick(main.findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    auto* title = main.findChild<QLabel*>(QStringLiteral("lblTitle"));
    QTRY_COMPARE(title->text(), company);
    QVERIFY2(title->fontMetrics().horizontalAdvance(company) <= title->contentsRect().width(),
             qPrintable(QStringLiteral("the company name is cut at %1 points").arg(title->font().pointSize())));

    auto* target = main.findChild<QLabel*>(entry);
    QVERIFY(target && target->isVisible());
    const QPoint at = target->mapToGlobal(target->rect().center());
    const auto xdotool = [this](const QStringList& args) {
        QProcess tool;
        tool.start(m_xdotool, args);
        // The event loop runs while the tool works, so the window sees each event as it comes.
        for (int waited = 0; tool.state() != QProcess::NotRunning && waited < 5000; waited += 10)
            QTest::qWait(10);
        return tool.state() == QProcess::NotRunning && tool.exitCode() == 0;
    };
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("5"), QStringLiteral("5")}));
    QTest::qWait(100);
    env.onModal([](QDialog&) { return int(QDialog::Rejected); });
    if (pointer == QLatin1String("over")) {
        QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())}));
        QTest::qWait(100);
        QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    } else {
        QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                         QStringLiteral("click"), QStringLiteral("1")}));
    }
    QTRY_COMPARE_WITH_TIMEOUT(env.modalWindows, QStringList{window}, 2000);
}

QTEST_MAIN(tst_RealClicks)
#include "tst_realclicks.moc"
