#include "TestEnv.h"
#include "TestWindows.h"

#include "data/DataControl.h"
#include "data/TextForms.h"
#include "platform/DataGrid.h"
#include "platform/FormDialog.h"
#include "session/WindowFactory.h"
#include "session/frmMain.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

template <class T> T* child(frmMain& main, const char* name)
{
    T* widget = main.findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no child %s", name);
    return widget;
}

QString text(frmMain& main, const char* name)
{
    return child<QLabel>(main, name)->text();
}

bool signedOut(frmMain& main)
{
    return child<QWidget>(main, "Picture1")->isVisible();
}

frmMain& shownMain(TestEnv& env)
{
    frmMain& main = env.main();
    main.show();
    if (!QTest::qWaitForWindowExposed(&main))
        qFatal("main window not exposed");
    return main;
}

void typeCredentials(frmMain& main, const QString& user, const QString& password, bool adminGuest)
{
    QTest::mouseClick(child<QRadioButton>(main, adminGuest ? "Option1" : "Option2"), Qt::LeftButton);
    auto* name = child<QLineEdit>(main, "txtUsername");
    auto* pass = child<QLineEdit>(main, "txtPassword");
    name->clear();
    pass->clear();
    QTest::keyClicks(name, user);
    QTest::keyClicks(pass, password);
}

void signInAs(frmMain& main, const QString& user, const QString& password, bool adminGuest)
{
    typeCredentials(main, user, password, adminGuest);
    QTest::mouseClick(child<QPushButton>(main, "cmdCancel"), Qt::LeftButton);
}

void signInAdmin(frmMain& main)
{
    signInAs(main, TestEnv::adminUser(), TestEnv::adminPassword(), true);
}

void addGuest(TestEnv& env, const QString& name = QStringLiteral("Guest1"),
              const QString& password = QStringLiteral("guest-pass"))
{
    env.exec(QStringLiteral("INSERT INTO tblClient (UserName, Password, Account) VALUES (?, ?, 'Guest')"),
             {name, password});
}

void addEmployee(TestEnv& env)
{
    env.exec(QStringLiteral("INSERT INTO tblEmp (EmployeeID, EmployeeName, Position, Password) "
                            "VALUES ('7', 'Maria Santos', 'Cashier', 'cash7')"));
}

void addNotes(TestEnv& env, int n, const QString& date = DateText(), const QString& time = TimeText())
{
    for (int i = 1; i <= n; ++i)
        env.exec(QStringLiteral("INSERT INTO tblNot (NoteDate, NoteTime, RE, Notification) VALUES (?, ?, ?, ?)"),
                 {date, time, QStringLiteral("Item Void"), QStringLiteral("Note %1\r\n\r\nDETAILS:\r\nLine").arg(i)});
}

QString logValue(TestEnv& env, const char* column, int rowid = 1)
{
    return env.scalar(QStringLiteral("SELECT %1 FROM tblLogs WHERE rowid = ?").arg(QLatin1String(column)), {rowid});
}

void hover(QWidget* widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QColor colour(frmMain& main, const char* label)
{
    return child<QLabel>(main, label)->palette().color(QPalette::WindowText);
}

} // namespace

class tst_session : public QObject
{
    Q_OBJECT

private slots:
    void signIn_data();
    void signIn();
    void enterKeys();
    // Runs real dialog loops: before exitWritesNothing, whose exit request ends every event loop
    // started after it in this process.
    void menuByKeyboard();
    void logRowColumns();
    void tickCounters();
    void logOutAndBackIn();
    void logRowFoundByIdentity();
    void logWriteFailureSaidOnce();
    void exitWritesNothing();

    void countTexts();
    void notificationLink_data();
    void notificationLink();
    void adminSettingsGate_data();
    void adminSettingsGate();
    void menuEntriesOpenWindows();
    void hoverEffect();
    void deleteOne();
    void deleteWithoutRowOrFailing();
    void deleteAll();
    void companyName();
    void aboutText();
    void placedBelowTop();
};

void tst_session::signIn_data()
{
    QTest::addColumn<bool>("adminGuest");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("name"); // empty: refused
    QTest::addColumn<QString>("type");

    QTest::newRow("administrator") << true << "Admin"
                                   << "admin-pass"
                                   << "Admin"
                                   << "Administrator";
    QTest::newRow("letter case ignored") << true << "aDMIN"
                                         << "ADMIN-PASS"
                                         << "Admin"
                                         << "Administrator";
    QTest::newRow("guest") << true << "Guest1"
                           << "guest-pass"
                           << "Guest1"
                           << "Guest";
    QTest::newRow("employee") << false << "7"
                              << "cash7"
                              << "Maria Santos"
                              << "Cashier";
    QTest::newRow("wrong password") << true << "Admin"
                                    << "admin-pas"
                                    << ""
                                    << "";
    QTest::newRow("unknown user") << true << "Nobody"
                                  << "admin-pass"
                                  << ""
                                  << "";
    QTest::newRow("administrator with Client") << false << "Admin"
                                               << "admin-pass"
                                               << ""
                                               << "";
    QTest::newRow("employee with Admin/Guest") << true << "7"
                                               << "cash7"
                                               << ""
                                               << "";
    QTest::newRow("empty fields") << true << ""
                                  << ""
                                  << ""
                                  << "";
    QTest::newRow("quote trick accounts") << true << "' or ''='"
                                          << "' or ''='"
                                          << ""
                                          << "";
    QTest::newRow("quote trick employees") << false << "' or ''='"
                                           << "' or ''='"
                                           << ""
                                           << "";
    QTest::newRow("quote in both fields") << true << "O'Brien"
                                          << "it's"
                                          << "O'Brien"
                                          << "Guest";
    // Two accounts share a user name: the password decides which one signs in.
    QTest::newRow("shared name, first password") << true << "Shared"
                                                 << "first-pw"
                                                 << "Shared"
                                                 << "Guest";
    QTest::newRow("shared name, second password") << true << "Shared"
                                                  << "second-pw"
                                                  << "Shared"
                                                  << "Administrator";
}

void tst_session::signIn()
{
    QFETCH(bool, adminGuest);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, name);
    QFETCH(QString, type);

    TestEnv env;
    addGuest(env);
    addGuest(env, QStringLiteral("O'Brien"), QStringLiteral("it's"));
    addGuest(env, QStringLiteral("Shared"), QStringLiteral("first-pw"));
    env.exec(QStringLiteral("INSERT INTO tblClient (UserName, Password, Account) "
                            "VALUES ('Shared', 'second-pw', 'Administrator')"));
    addEmployee(env);
    frmMain& main = shownMain(env);
    signInAs(main, user, password, adminGuest);

    auto* timer = main.findChild<QTimer*>(QStringLiteral("Timer1"));
    if (name.isEmpty()) {
        QCOMPARE(env.messageTexts(), QStringList{QStringLiteral("Incorrect username/password")});
        QCOMPARE(env.lastMessage().title, QStringLiteral("Pemvix"));
        QCOMPARE(env.lastMessage().icon, QMessageBox::Information);
        QVERIFY(child<QLineEdit>(main, "txtUsername")->text().isEmpty());
        QVERIFY(child<QLineEdit>(main, "txtPassword")->text().isEmpty());
        QVERIFY(signedOut(main));
        QVERIFY(!timer->isActive());
        QCOMPARE(env.count(QStringLiteral("tblLogs")), 0);
        QVERIFY(main.session().DisplayName().isEmpty());
    } else {
        QVERIFY(env.messages.isEmpty());
        QVERIFY(!signedOut(main));
        QVERIFY(timer->isActive());
        QCOMPARE(text(main, "lblUsername"), name);
        QCOMPARE(text(main, "lblType"), type);
        QCOMPARE(main.session().DisplayName(), name);
        QCOMPARE(main.session().IsAdministrator(), type == QLatin1String("Administrator"));
        QCOMPARE(env.count(QStringLiteral("tblLogs")), 1);
        QCOMPARE(child<QLineEdit>(main, "txtUsername")->text(), user); // kept while signed in
    }
}

void tst_session::enterKeys()
{
    TestEnv env;
    frmMain& main = shownMain(env);
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    auto* name = child<QLineEdit>(main, "txtUsername");
    auto* pass = child<QLineEdit>(main, "txtPassword");

    QTest::mouseClick(child<QRadioButton>(main, "Option1"), Qt::LeftButton);
    QTRY_VERIFY(name->hasFocus());
    QTest::keyClicks(name, TestEnv::adminUser());
    QTest::keyClick(name, Qt::Key_Return);
    QTRY_VERIFY(pass->hasFocus());
    QVERIFY(signedOut(main)); // Enter in the name only moves on
    QVERIFY(env.messages.isEmpty());
    QCOMPARE(pass->echoMode(), QLineEdit::Password);

    QTest::keyClicks(pass, TestEnv::adminPassword());
    QTest::keyClick(pass, Qt::Key_Return);
    QVERIFY(!signedOut(main));
    QCOMPARE(main.session().AccountType(), QStringLiteral("Administrator"));
    QCOMPARE(env.count(QStringLiteral("tblLogs")), 1);
}

void tst_session::logRowColumns()
{
    TestEnv env;
    frmMain& main = shownMain(env);
    main.setDomainName(QStringLiteral("frontdesk"));
    QCOMPARE(text(main, "Label5"), QStringLiteral("frontdesk"));
    signInAdmin(main);

    QCOMPARE(logValue(env, "LogDate"), DateText());
    QCOMPARE(logValue(env, "LogTime"), text(main, "lblStart"));
    QVERIFY(QTime::fromString(logValue(env, "LogTime"), QStringLiteral("h:mm:ss AP")).isValid());
    QCOMPARE(logValue(env, "UserName"), QStringLiteral("Admin"));
    QCOMPARE(logValue(env, "Domain"), QStringLiteral("frontdesk"));
    QCOMPARE(logValue(env, "Name"), QStringLiteral("Admin"));
    QCOMPARE(logValue(env, "Position"), QStringLiteral("Administrator"));
    QVERIFY(logValue(env, "EndTime").isEmpty());
    QVERIFY(logValue(env, "ElapsedTime").isEmpty());

    main.SessionTick();
    QCOMPARE(logValue(env, "ElapsedTime"), QStringLiteral("0 Hr 0 Min 1 Sec"));
    QCOMPARE(logValue(env, "EndTime"), text(main, "lblEnd"));
    QCOMPARE(text(main, "Label4"), QStringLiteral("0 Hr 0 Min 1 Sec"));
}

void tst_session::tickCounters()
{
    TestEnv env;
    env.exec(QStringLiteral("PRAGMA synchronous = OFF")); // thousands of ticks, each a write
    frmMain& main = shownMain(env);
    signInAdmin(main);

    const std::map<int, QString> expected = {
        {1, QStringLiteral("0 Hr 0 Min 1 Sec")},      {59, QStringLiteral("0 Hr 0 Min 59 Sec")},
        {60, QStringLiteral("0 Hr 1 Min 0 Sec")},     {61, QStringLiteral("0 Hr 1 Min 1 Sec")},
        {3599, QStringLiteral("0 Hr 59 Min 59 Sec")}, {3600, QStringLiteral("0 Hr 60 Min 0 Sec")},
        {3601, QStringLiteral("1 Hr 0 Min 1 Sec")},   {3660, QStringLiteral("1 Hr 1 Min 0 Sec")},
    };
    for (int tick = 1; tick <= 3660; ++tick) {
        main.SessionTick();
        if (auto it = expected.find(tick); it != expected.end()) {
            QCOMPARE(text(main, "Label4"), it->second);
            QCOMPARE(main.session().ElapsedText(), it->second);
        }
        if (tick == 3600) {
            QCOMPARE(child<QPushButton>(main, "m")->text(), QStringLiteral("60"));
            QCOMPARE(child<QPushButton>(main, "h")->text(), QStringLiteral("0"));
        }
    }
    QCOMPARE(logValue(env, "ElapsedTime"), QStringLiteral("1 Hr 1 Min 0 Sec"));
    QVERIFY(child<QPushButton>(main, "s")->isHidden());
}

void tst_session::logOutAndBackIn()
{
    TestEnv env;
    frmMain& main = shownMain(env);
    signInAdmin(main);
    for (int i = 0; i < 5; ++i)
        main.SessionTick();

    // No: still signed in.
    QTest::mouseClick(child<QLabel>(main, "imgOut"), Qt::LeftButton);
    QCOMPARE(env.lastMessage().text, QStringLiteral("Log out?"));
    QCOMPARE(env.lastMessage().title, QStringLiteral("Log out"));
    QCOMPARE(env.lastMessage().icon, QMessageBox::Question);
    QCOMPARE(env.lastMessage().buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(!signedOut(main));

    env.answer(QMessageBox::Yes);
    main.SignOut();
    QVERIFY(signedOut(main));
    QVERIFY(child<QLineEdit>(main, "txtUsername")->text().isEmpty());
    QVERIFY(child<QLineEdit>(main, "txtPassword")->text().isEmpty());
    QVERIFY(text(main, "lblUsername").isEmpty());
    QVERIFY(text(main, "lblType").isEmpty());
    QVERIFY(!main.session().IsAdministrator());
    QVERIFY(!main.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    QVERIFY(!text(main, "lblEnd").isEmpty());
    QCOMPARE(text(main, "Label4"), QStringLiteral("0 Hr 0 Min 5 Sec")); // kept until the next tick
    for (const char* counter : {"h", "m", "s"})
        QCOMPARE(child<QPushButton>(main, counter)->text(), QStringLiteral("0"));
    QCOMPARE(logValue(env, "ElapsedTime"), QStringLiteral("0 Hr 0 Min 5 Sec")); // log out writes nothing

    addGuest(env);
    signInAs(main, QStringLiteral("Guest1"), QStringLiteral("guest-pass"), true);
    main.SessionTick();
    QCOMPARE(text(main, "Label4"), QStringLiteral("0 Hr 0 Min 1 Sec"));
    QCOMPARE(env.count(QStringLiteral("tblLogs")), 2);
    QCOMPARE(logValue(env, "ElapsedTime", 1), QStringLiteral("0 Hr 0 Min 5 Sec"));
    QCOMPARE(logValue(env, "ElapsedTime", 2), QStringLiteral("0 Hr 0 Min 1 Sec"));
    QCOMPARE(logValue(env, "Position", 2), QStringLiteral("Guest"));
}

void tst_session::logRowFoundByIdentity()
{
    TestEnv env;
    frmMain& main = shownMain(env);
    signInAdmin(main);
    // Another session started in the same second of the same day.
    env.exec(QStringLiteral("INSERT INTO tblLogs (LogDate, LogTime, UserName) VALUES (?, ?, 'Other')"),
             {logValue(env, "LogDate"), logValue(env, "LogTime")});
    main.SessionTick();
    QCOMPARE(logValue(env, "ElapsedTime", 1), QStringLiteral("0 Hr 0 Min 1 Sec"));
    QVERIFY(logValue(env, "ElapsedTime", 2).isEmpty());

    // Past midnight the running session still finds its own row.
    env.exec(QStringLiteral("UPDATE tblLogs SET LogDate = 'January 01, 2000' WHERE rowid = 1"));
    main.SessionTick();
    QCOMPARE(logValue(env, "ElapsedTime", 1), QStringLiteral("0 Hr 0 Min 2 Sec"));
    QVERIFY(env.messages.isEmpty());
}

void tst_session::logWriteFailureSaidOnce()
{
    {
        TestEnv env;
        frmMain& main = shownMain(env);
        signInAdmin(main);
        env.exec(QStringLiteral(
            "CREATE TRIGGER noUpdate BEFORE UPDATE ON tblLogs BEGIN SELECT RAISE(ABORT, 'locked'); END"));
        for (int i = 0; i < 3; ++i)
            main.SessionTick();
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
        QCOMPARE(env.lastMessage().title, QStringLiteral("Pemvix"));
        QVERIFY(env.lastMessage().text.contains(QStringLiteral("session log")));
        QCOMPARE(text(main, "Label4"), QStringLiteral("0 Hr 0 Min 3 Sec")); // the session goes on

        // A new session may say it again, once.
        env.answer(QMessageBox::Yes);
        main.SignOut();
        signInAdmin(main);
        main.SessionTick();
        main.SessionTick();
        QCOMPARE(env.messages.size(), 3);
    }
    {
        TestEnv env;
        env.exec(
            QStringLiteral("CREATE TRIGGER noInsert BEFORE INSERT ON tblLogs BEGIN SELECT RAISE(ABORT, 'full'); END"));
        frmMain& main = shownMain(env);
        signInAdmin(main);
        QVERIFY(!signedOut(main));
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
        main.SessionTick();
        QCOMPARE(env.messages.size(), 1);
    }
}

void tst_session::exitWritesNothing()
{
    TestEnv env;
    frmMain& main = shownMain(env);
    QSignalSpy exits(&main, &frmMain::exitRequested);
    QTest::mouseClick(child<QPushButton>(main, "cmdOrder"), Qt::LeftButton);
    QCOMPARE(exits.size(), 1);
    QVERIFY(env.messages.isEmpty());
    QCOMPARE(env.count(QStringLiteral("tblLogs")), 0);
    QCOMPARE(child<QPushButton>(main, "cmdOrder")->text(), QStringLiteral("Exit"));
}

void tst_session::countTexts()
{
    TestEnv env;
    addNotes(env, 12);
    frmMain& main = shownMain(env);
    QCOMPARE(text(main, "Label6"), QStringLiteral("Notification(12)"));
    signInAdmin(main);
    QCOMPARE(text(main, "Label6"), QStringLiteral("Notification(12)"));
    main.SessionTick();
    QCOMPARE(text(main, "Label6"), QStringLiteral("Notifications(12)"));
    addNotes(env, 1);
    env.ctx.notificationsChanged();
    main.SessionTick();
    QCOMPARE(text(main, "Label6"), QStringLiteral("Notifications(13)"));
}

void tst_session::notificationLink_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("message"); // empty: the centre opens

    QTest::newRow("nobody signed in") << "none"
                                      << "Login first before you access Notifications!";
    QTest::newRow("name typed, no password") << "typed"
                                             << "Login first before you access Notifications!";
    QTest::newRow("guest") << "guest"
                           << "For Admin use only";
    QTest::newRow("employee") << "employee"
                              << "For Admin use only";
    QTest::newRow("administrator") << "admin"
                                   << "";
}

void tst_session::notificationLink()
{
    QFETCH(QString, state);
    QFETCH(QString, message);
    TestEnv env;
    addGuest(env);
    addEmployee(env);
    addNotes(env, 3);
    frmMain& main = shownMain(env);
    if (state == QLatin1String("typed"))
        QTest::keyClicks(child<QLineEdit>(main, "txtUsername"), TestEnv::adminUser());
    else if (state == QLatin1String("guest"))
        signInAs(main, QStringLiteral("Guest1"), QStringLiteral("guest-pass"), true);
    else if (state == QLatin1String("employee"))
        signInAs(main, QStringLiteral("7"), QStringLiteral("cash7"), false);
    else if (state == QLatin1String("admin"))
        signInAdmin(main);
    QVERIFY(env.messages.isEmpty());

    QTest::mouseClick(child<QLabel>(main, "Label6"), Qt::LeftButton);
    auto* centre = child<QWidget>(main, "Picture3");
    if (message.isEmpty()) {
        QVERIFY(env.messages.isEmpty());
        QVERIFY(centre->isVisible());
        auto* grid = child<DataGrid>(main, "DataGrid1");
        QCOMPARE(grid->model()->rowCount(), 3);
        QCOMPARE(grid->model()->columnCount(), 4);
        for (int c = 0; c < 4; ++c)
            QVERIFY(!grid->isColumnHidden(c) && grid->columnWidth(c) > 60);
        QTest::mouseClick(child<QPushButton>(main, "lvButtons_H2"), Qt::LeftButton);
        QVERIFY(!centre->isVisible());
    } else {
        QCOMPARE(env.messageTexts(), QStringList{message});
        QCOMPARE(env.lastMessage().title, QStringLiteral("Admin"));
        QCOMPARE(env.lastMessage().icon, QMessageBox::Information);
        QCOMPARE(env.lastMessage().buttons, QMessageBox::Ok);
        QVERIFY(!centre->isVisible());
    }
}

void tst_session::adminSettingsGate_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("adminGuest");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("guest") << "Guest1"
                           << "guest-pass" << true << false;
    QTest::newRow("employee") << "7"
                              << "cash7" << false << false;
    QTest::newRow("administrator") << "Admin"
                                   << "admin-pass" << true << true;
}

void tst_session::adminSettingsGate()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, adminGuest);
    QFETCH(bool, allowed);
    TestEnv env;
    TestWindows windows;
    env.ctx.windows = &windows;
    addGuest(env);
    addEmployee(env);
    frmMain& main = shownMain(env);
    signInAs(main, user, password, adminGuest);

    QPoint placed;
    env.onModal([&](QDialog& d) {
        placed = d.pos();
        return int(QDialog::Rejected);
    });
    QTest::mouseClick(child<QLabel>(main, "imgAdm"), Qt::LeftButton);
    if (allowed) {
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(env.modalWindows, QStringList{QStringLiteral("frmSetting")});
        QCOMPARE(placed.y(), main.frameGeometry().top() + qRound(4000.0 * main.logicalDpiY() / 1440.0));
    } else {
        QCOMPARE(env.messageTexts(), QStringList{QStringLiteral("For Admin used only!")});
        QCOMPARE(env.lastMessage().title, QStringLiteral("Admin"));
        QCOMPARE(env.lastMessage().icon, QMessageBox::Information);
        QVERIFY(env.modalWindows.isEmpty());
    }
}

void tst_session::menuEntriesOpenWindows()
{
    TestEnv env;
    addEmployee(env);
    frmMain& main = shownMain(env);
    signInAs(main, QStringLiteral("7"), QStringLiteral("cash7"), false);

    // Without a window factory the entries do nothing.
    QTest::mouseClick(child<QLabel>(main, "imgPos"), Qt::LeftButton);
    QVERIFY(main.isVisible());
    QVERIFY(env.modalWindows.isEmpty());

    TestWindows windows;
    env.ctx.windows = &windows;
    bool hiddenWhileOpen = true;
    auto pos = [&](int result) {
        return [&, result](QDialog&) {
            hiddenWhileOpen = hiddenWhileOpen && !main.isVisible();
            return result;
        };
    };
    env.onModal(pos(FormDialog::Reopen)); // a completed sale opens the window afresh
    env.onModal(pos(QDialog::Rejected));
    QTest::mouseClick(child<QLabel>(main, "imgPos"), Qt::LeftButton);
    QCOMPARE(env.modalWindows, (QStringList{QStringLiteral("frmPOS"), QStringLiteral("frmPOS")}));
    QVERIFY(hiddenWhileOpen);
    QVERIFY(main.isVisible());

    bool visibleWhileOpen = false;
    env.onModal([&](QDialog&) {
        visibleWhileOpen = main.isVisible();
        return int(QDialog::Rejected);
    });
    QTest::mouseClick(child<QLabel>(main, "imgRep"), Qt::LeftButton);
    QCOMPARE(env.modalWindows.last(), QStringLiteral("frmReg"));
    QVERIFY(visibleWhileOpen);
    QVERIFY(env.messages.isEmpty());

    // A copy that is no till (every till number held, a till name it cannot keep) opens no cart.
    env.ctx.noTill = QStringLiteral("This copy of the program sells nothing.");
    QTest::mouseClick(child<QLabel>(main, "imgPos"), Qt::LeftButton);
    QCOMPARE(env.messageTexts(), QStringList{env.ctx.noTill});
    QCOMPARE(env.modalWindows.count(QStringLiteral("frmPOS")), 2);
}

void tst_session::hoverEffect()
{
    TestEnv env;
    frmMain& main = shownMain(env);
    signInAdmin(main);
    hover(child<QWidget>(main, "menuArea")); // the mouse takes over from the keyboard's highlight
    const char* const imgs[] = {"imgPos", "imgAdm", "imgRep", "imgOut"};
    const char* const cmds[] = {"cmdPos", "cmdAdm", "cmdRep", "cmdOut"};
    const char* const labels[] = {"lblPos", "lblAdm", "lblRep", "lblOut"};
    const char* const captions[] = {"Purchase Items", "Admin Settings", "Register", "Log Out"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(text(main, labels[i]), QString::fromLatin1(captions[i]));
        auto* img = child<QLabel>(main, imgs[i]);
        auto* cmd = child<QLabel>(main, cmds[i]);
        QVERIFY(cmd->isHidden());
        QCOMPARE(cmd->mapTo(&main, QPoint()), img->mapTo(&main, QPoint())); // exactly over its twin
        QCOMPARE(cmd->size(), img->size());
        QVERIFY(cmd->pixmap().toImage() != img->pixmap().toImage());

        hover(img);
        QVERIFY(cmd->isVisible());
        QCOMPARE(colour(main, labels[i]), QColor(Qt::black));
        hover(cmd);
        QCOMPARE(colour(main, labels[i]), QColor(Qt::red));
        hover(child<QWidget>(main, "menuArea"));
        QVERIFY(cmd->isHidden());
        QCOMPARE(colour(main, labels[i]), QColor(Qt::black));
    }
    for (const char* link : {"Label6", "Label11"}) {
        hover(child<QLabel>(main, link));
        QCOMPARE(colour(main, link), QColor(Qt::red));
    }
    hover(child<QWidget>(main, "topBar"));
    QCOMPARE(colour(main, "Label6"), QColor(Qt::black));
    QCOMPARE(colour(main, "Label11"), QColor(Qt::black));
}

void tst_session::menuByKeyboard()
{
    TestEnv env;
    addEmployee(env);
    TestWindows windows;
    env.ctx.windows = &windows;
    frmMain& main = shownMain(env);
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    auto* name = child<QLineEdit>(main, "txtUsername");
    auto* pass = child<QLineEdit>(main, "txtPassword");
    QTRY_COMPARE(QApplication::focusWidget(), name); // the sign-in panel has the keyboard
    // Signing in from the keyboard: name, Enter, password, Enter.
    const auto type = [](const QString& keys) {
        for (const QChar c : keys)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    };
    const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    type(QStringLiteral("7"));
    press(Qt::Key_Return);
    type(QStringLiteral("cash7"));
    press(Qt::Key_Return);
    QCOMPARE(main.session().DisplayName(), QStringLiteral("Maria Santos"));

    // The focus is on the first entry, with the hover look; keys move it around the four.
    const char* const imgs[] = {"imgPos", "imgAdm", "imgRep", "imgOut"};
    const char* const cmds[] = {"cmdPos", "cmdAdm", "cmdRep", "cmdOut"};
    const char* const labels[] = {"lblPos", "lblAdm", "lblRep", "lblOut"};
    // Entry 4 is the session bar's "Change Password..." button, which Tab reaches after the four.
    const auto focused = [&](int entry) {
        QWidget* expected = entry < 4 ? static_cast<QWidget*>(child<QLabel>(main, imgs[entry]))
                                      : child<QPushButton>(main, "cmdPassword");
        if (QApplication::focusWidget() != expected)
            return false;
        for (int i = 0; i < 4; ++i) {
            if (child<QLabel>(main, cmds[i])->isVisible() != (i == entry) ||
                (colour(main, labels[i]) == QColor(Qt::red)) != (i == entry))
                return false;
        }
        return true;
    };
    QVERIFY(focused(0));
    press(Qt::Key_Backspace); // reaches no hidden box
    QCOMPARE(pass->text(), QStringLiteral("cash7"));
    const struct
    {
        Qt::Key key;
        int entry;
    } moves[] = {{Qt::Key_Tab, 1},  {Qt::Key_Right, 2},   {Qt::Key_Down, 3},    {Qt::Key_Tab, 4},
                 {Qt::Key_Tab, 0},  {Qt::Key_Backtab, 4}, {Qt::Key_Backtab, 3}, {Qt::Key_Right, 0},
                 {Qt::Key_Left, 3}, {Qt::Key_Up, 2},      {Qt::Key_Backtab, 1}};
    for (const auto& move : moves) {
        press(move.key);
        QVERIFY2(focused(move.entry), move.entry < 4 ? imgs[move.entry] : "cmdPassword");
    }

    // Enter opens the focused entry (each window closed in its own loop); coming back from the
    // till, the menu has the focus again.
    env.platform.setModalHook({});
    QStringList opened;
    const auto enterAndClose = [&] {
        QTimer::singleShot(30, &main, [&] {
            if (auto* window = qobject_cast<FormDialog*>(QApplication::activeModalWidget())) {
                opened << window->objectName();
                window->closeWindow();
            }
        });
        press(Qt::Key_Return);
    };
    press(Qt::Key_Right);
    enterAndClose();
    QTRY_VERIFY(focused(2));
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    enterAndClose();
    QCOMPARE(opened, (QStringList{QStringLiteral("frmReg"), QStringLiteral("frmPOS")}));
    QVERIFY(main.isVisible());
    QTRY_VERIFY(focused(0));

    // Log Out by Enter; the sign-in panel has the focus and Tab no longer reaches the menu.
    press(Qt::Key_Left);
    env.answer(QMessageBox::Yes);
    press(Qt::Key_Return);
    QCOMPARE(env.lastMessage().text, QStringLiteral("Log out?"));
    QVERIFY(signedOut(main));
    QCOMPARE(QApplication::focusWidget(), name);
    for (int i = 0; i < 8; ++i) {
        press(Qt::Key_Tab);
        QVERIFY(!QApplication::focusWidget()->objectName().startsWith(QLatin1String("img")));
    }
}

void tst_session::deleteOne()
{
    TestEnv env;
    // Two notes posted in the same second, and one earlier.
    env.exec(QStringLiteral("INSERT INTO tblNot VALUES ('May 02, 2026', '9:00:00 AM', 'Item Void', 'first')"));
    env.exec(QStringLiteral("INSERT INTO tblNot VALUES ('May 02, 2026', '9:00:01 AM', 'Logs Cleared', 'second')"));
    env.exec(QStringLiteral("INSERT INTO tblNot VALUES ('May 02, 2026', '9:00:01 AM', 'Database Backup', 'third')"));
    frmMain& main = shownMain(env);
    signInAdmin(main);
    QTest::mouseClick(child<QLabel>(main, "Label6"), Qt::LeftButton);
    auto* grid = child<DataGrid>(main, "DataGrid1");
    QVERIFY(grid->isVisible());

    // The clicked row becomes current and is shown in full.
    const QRect cell = grid->visualRect(grid->model()->index(1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(child<QLineEdit>(main, "Text1")->text(), QStringLiteral("May 02, 2026"));
    QCOMPARE(child<QLineEdit>(main, "Text2")->text(), QStringLiteral("9:00:01 AM"));
    QCOMPARE(child<QLineEdit>(main, "Text4")->text(), QStringLiteral("Logs Cleared"));
    auto* message = child<QPlainTextEdit>(main, "Text3");
    QCOMPARE(message->toPlainText(), QStringLiteral("second"));
    QVERIFY(message->isReadOnly());
    QCOMPARE(message->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    QTest::mouseClick(child<QPushButton>(main, "lvButtons_H1"), Qt::LeftButton);
    QCOMPARE(env.lastMessage().text, QStringLiteral("Delete this Message?"));
    QCOMPARE(env.lastMessage().title, QStringLiteral("Confirm Delete"));
    QCOMPARE(env.lastMessage().icon, QMessageBox::Question);
    QCOMPARE(env.lastMessage().buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(env.count(QStringLiteral("tblNot")), 3);

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(main, "lvButtons_H1"), Qt::LeftButton);
    QCOMPARE(env.lastMessage().text, QStringLiteral("Note has been deleted!"));
    QCOMPARE(env.lastMessage().title, QStringLiteral("Deleted!"));
    QCOMPARE(env.lastMessage().icon, QMessageBox::Information);
    // Only that row: its twin of the same date and time stays.
    QCOMPARE(env.scalar(QStringLiteral("SELECT group_concat(Notification, ',') FROM tblNot")),
             QStringLiteral("first,third"));
    QCOMPARE(grid->model()->rowCount(), 2);
}

void tst_session::deleteWithoutRowOrFailing()
{
    TestEnv env;
    frmMain& main = shownMain(env);
    signInAdmin(main);
    QTest::mouseClick(child<QLabel>(main, "Label6"), Qt::LeftButton);
    env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(main, "lvButtons_H1"), Qt::LeftButton);
    QCOMPARE(env.messageTexts(), QStringList{QStringLiteral("No notification is selected.")});
    env.answers.clear();

    addNotes(env, 2);
    env.exec(QStringLiteral("CREATE TRIGGER keepNotes BEFORE DELETE ON tblNot BEGIN SELECT RAISE(ABORT, 'kept'); END"));
    main.noti();
    env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(main, "lvButtons_H1"), Qt::LeftButton);
    QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
    QVERIFY(!env.messageTexts().contains(QStringLiteral("Note has been deleted!")));
    QCOMPARE(env.count(QStringLiteral("tblNot")), 2);

    env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(main, "lvButtons_H3"), Qt::LeftButton);
    QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
    QVERIFY(!env.messageTexts().contains(QStringLiteral("All Notifications deleted!")));
    QCOMPARE(env.count(QStringLiteral("tblNot")), 2);
}

void tst_session::deleteAll()
{
    TestEnv env;
    addNotes(env, 5);
    frmMain& main = shownMain(env);
    signInAdmin(main);
    QTest::mouseClick(child<QLabel>(main, "Label6"), Qt::LeftButton);

    QTest::mouseClick(child<QPushButton>(main, "lvButtons_H3"), Qt::LeftButton);
    QCOMPARE(env.lastMessage().text, QStringLiteral("Delete all Messages?"));
    QCOMPARE(env.lastMessage().title, QStringLiteral("Confirm Delete"));
    QCOMPARE(env.count(QStringLiteral("tblNot")), 5);

    env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(main, "lvButtons_H3"), Qt::LeftButton);
    QCOMPARE(env.lastMessage().text, QStringLiteral("All Notifications deleted!"));
    QCOMPARE(env.lastMessage().title, QStringLiteral("Deleted!"));
    QCOMPARE(env.count(QStringLiteral("tblNot")), 0);
    QCOMPARE(child<DataGrid>(main, "DataGrid1")->model()->rowCount(), 0);
    QVERIFY(child<QLineEdit>(main, "Text1")->text().isEmpty());
    main.SessionTick();
    QCOMPARE(text(main, "Label6"), QStringLiteral("Notifications(0)"));
}

void tst_session::companyName()
{
    {
        TestEnv env;
        env.exec(QStringLiteral("UPDATE tblMain SET CompanyName = 'Corner Store'"));
        env.exec(QStringLiteral("INSERT INTO tblMain (CompanyName) VALUES ('Jack''s Hardware')"));
        frmMain& main = shownMain(env);
        QCOMPARE(text(main, "lblTitle"), QStringLiteral("Jack's Hardware")); // the last row wins
        QCOMPARE(main.windowTitle(), QStringLiteral("Zarel's Customized Sales and Inventory System"));
        env.exec(QStringLiteral("DELETE FROM tblMain"));
        env.ctx.companyNameChanged();
        QCOMPARE(text(main, "lblTitle"), QStringLiteral("Jack's Hardware"));
    }
    {
        TestEnv env;
        env.exec(QStringLiteral("DELETE FROM tblMain"));
        frmMain& main = shownMain(env);
        QVERIFY(text(main, "lblTitle").isEmpty());
    }
}

void tst_session::aboutText()
{
    const QStringList lines = {
        "Zarel's Customized Sales and Inventory System (Pemvix) V2",
        "",
        "SYSTEM FEATURES",
        "",
        "Pemvix V2 contains the following features:",
        "> Separate Account Registration for Admin, Guests, Employees, and Items",
        "> Real-time System Update via Notifications (Admin only)",
        "> Direct updates of Registered entries for the Access availability.",
        "> Encrypted Database and password Protection system.",
        "> Printable Sales Reports and Inventory Reports",
        "> Smooth Flow for Item Purchase Transactions with User-Friendly GUI",
        "> Easy to Use controls and System Navigation",
        "> Allows Database Back-up",
        "> Customized Company Name settings for the Business",
        "> Shows detailed Entries Count.",
        "> Security measures including Login account verification and user's Domain info for Log File Menu",
        "> Allows quick search for business information.",
        "",
        "MANUAL",
        "To Register Admin and Guest Account, you must be Logged as Administrator. Go To Admin Settings and complete "
        "the form.",
        "To Register Employee and Items, go to Registration Menu.",
        "To Backup and Set Database Backup Folder, you must be logged as Administrator. Go to Admin Settings and look "
        "for Database Settings.",
        "To View your Notifications, you must be logged as Administrator. Just Click the Notification Title on the "
        "Main "
        "form",
        "To Print and View Sales Report, you must be logged as Administrator. Go to Purchase Item Menu and Look for "
        "Sales in the Menu",
        "To Print and View Inventory Status, go to Purchase item Menu and look for Inventory in the Menu.",
        "To Clear the Transaction and Sales Information, you must be logged as Administrator. GO to Admin setting and "
        "look for the clear button.",
    };
    QCOMPARE(lines.size(), 26);
    QCOMPARE(frmMain::AboutText(), lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));

    TestEnv env;
    frmMain& main = shownMain(env);
    auto* panel = child<QWidget>(main, "Picture4");
    QVERIFY(!panel->isVisible());
    QTest::mouseClick(child<QLabel>(main, "Label11"), Qt::LeftButton); // nobody signed in
    QVERIFY(panel->isVisible());
    QCOMPARE(text(main, "Label13"), QStringLiteral("ABOUT AND HELP MENU"));
    auto* box = child<QPlainTextEdit>(main, "Text5");
    QVERIFY(box->isReadOnly());
    QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const QStringList shown = box->toPlainText().split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(shown.value(i), lines.at(i));
    QTest::mouseClick(child<QPushButton>(main, "lvButtons_H5"), Qt::LeftButton);
    QVERIFY(!panel->isVisible());
}

void tst_session::placedBelowTop()
{
    TestEnv env;
    frmMain& main = shownMain(env);
    const int top = main.screen()->geometry().top() + qRound(400.0 * main.logicalDpiY() / 1440.0);
    QTRY_COMPARE(main.frameGeometry().top(), top);
    main.move(main.x(), top + 100);
    main.placeWindow();
    QTRY_COMPARE(main.frameGeometry().top(), top);
}

QTEST_MAIN(tst_session)
#include "tst_session.moc"
