// Changing passwords: an account from the settings list, an employee from the registration
// list, and one's own from the main window; each change must let the new password sign in,
// refuse the old one, and leave a journal entry that holds no password.

#include "TestEnv.h"
#include "WidgetProbe.h"

#include "admin/frmSetting.h"
#include "data/DataControl.h"
#include "platform/DataGrid.h"
#include "registration/frmReg.h"
#include "session/frmMain.h"
#include "session/frmPassword.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

const QString kOld = QStringLiteral("Old-Secret7");
const QString kNew = QStringLiteral("N3w-Secret!");

void seed(TestEnv& env)
{
    env.exec(QStringLiteral("INSERT INTO tblClient (UserName, Password, Account) VALUES ('Sam', ?, 'Guest')"), {kOld});
    env.exec(QStringLiteral("INSERT INTO tblEmp (EmployeeID, EmployeeName, Position, Password) "
                            "VALUES ('7', 'Maria Santos', 'Cashier', ?)"),
             {kOld});
}

// Signs in through the main window's panel and out again; true when the sign-in was accepted.
bool signsIn(TestEnv& env, const QString& user, const QString& password, bool account)
{
    frmMain& main = env.main();
    child<QRadioButton>(main, account ? "Option1" : "Option2")->setChecked(true);
    child<QLineEdit>(main, "txtUsername")->setText(user);
    child<QLineEdit>(main, "txtPassword")->setText(password);
    main.SignIn();
    if (main.session().DisplayName().isEmpty())
        return false;
    env.answer(QMessageBox::Yes);
    main.SignOut();
    return true;
}

// Answers the next password window: fills the boxes it has and presses "Change". A window
// still open afterwards (the change refused) is left with "Cancel".
void answerPasswordWindow(TestEnv& env, const QString& current, const QString& password, const QString& verify,
                          bool* stayedOpen = nullptr, QString* whose = nullptr)
{
    env.onModal([=](QDialog& d) {
        if (whose)
            *whose = child<QLabel>(d, "lblWhose")->text();
        if (auto* box = d.findChild<QLineEdit*>(QStringLiteral("txtCurrent")))
            box->setText(current);
        child<QLineEdit>(d, "txtNew")->setText(password);
        child<QLineEdit>(d, "txtVerify")->setText(verify);
        child<QPushButton>(d, "cmdChange")->click();
        const int result = d.result();
        if (stayedOpen)
            *stayedOpen = result != QDialog::Accepted;
        if (result != QDialog::Accepted)
            child<QPushButton>(d, "cmdCancel")->click();
        return d.result();
    });
}

// Everything the journal and the session log hold, as one text.
QString journalAndLog(TestEnv& env)
{
    return env.scalar(QStringLiteral("SELECT group_concat(RE || ' ' || Notification, ' | ') FROM tblNot")) +
           env.scalar(QStringLiteral("SELECT group_concat(LogDate || LogTime || UserName || Domain || Name || "
                                     "Position, ' | ') FROM tblLogs"));
}

// Opens the list of the settings (accounts) or registration (employees) window as an
// administrator, selects the row of Sam or of employee 7 and presses "Change Password...".
void changeFromList(TestEnv& env, bool account)
{
    env.main(); // the session lives in the main window
    env.setSession(TestEnv::adminUser(), QStringLiteral("Administrator"));
    std::unique_ptr<QDialog> window;
    if (account) {
        window = std::make_unique<frmSetting>(env.ctx);
        child<QPushButton>(*window, "lvButtons_H16")->click();
    } else {
        window = std::make_unique<frmReg>(env.ctx);
        child<QPushButton>(*window, "cmdClient")->click();
    }
    // The accounts list starts with the first administrator.
    child<DataControl>(*window, account ? "Adodc2" : "adoLog1")->setCurrentRow(account ? 1 : 0);
    child<QPushButton>(*window, "cmdChangePassword")->click();
}

// Signs in (as Sam or employee 7) and presses the main window's "Change Password...".
void changeOwn(TestEnv& env, bool account)
{
    frmMain& main = env.main();
    child<QRadioButton>(main, account ? "Option1" : "Option2")->setChecked(true);
    child<QLineEdit>(main, "txtUsername")->setText(account ? QStringLiteral("Sam") : QStringLiteral("7"));
    child<QLineEdit>(main, "txtPassword")->setText(kOld);
    main.SignIn();
    QVERIFY(!main.session().DisplayName().isEmpty());
    auto* button = child<QPushButton>(main, "cmdPassword");
    QVERIFY(!button->isHidden());
    button->click();
    env.answer(QMessageBox::Yes);
    main.SignOut();
    QVERIFY(button->isHidden());
}

int passwordNotes(TestEnv& env)
{
    return env.scalar(QStringLiteral("SELECT count(*) FROM tblNot WHERE RE = 'Password Changed'")).toInt();
}

QString storedPasswords(TestEnv& env)
{
    return env.scalar(QStringLiteral("SELECT group_concat(Password) FROM (SELECT Password FROM tblClient UNION ALL "
                                     "SELECT Password FROM tblEmp)"));
}

} // namespace

class tst_passwords : public QObject
{
    Q_OBJECT

private slots:
    void changeThenSignIn_data();
    void changeThenSignIn();
    void refused_data();
    void refused();
    void nothingHalfDone_data();
    void nothingHalfDone();
    void ownPasswordByKeyboard();
    void passwordLimit_data();
    void passwordLimit();
    void emptyAccountFieldsRefused_data();
    void emptyAccountFieldsRefused();
};

void tst_passwords::changeThenSignIn_data()
{
    QTest::addColumn<bool>("account");  // Sam's account, else employee 7
    QTest::addColumn<bool>("own");      // from the main window, else from the administrator's list
    QTest::addColumn<QString>("whose"); // whom the window says the password is for
    QTest::addColumn<QString>("done");  // the message that says so
    QTest::addColumn<QString>("note");  // what the journal entry says

    const QString account = QStringLiteral("Account: Sam (Guest)");
    const QString employee = QStringLiteral("Employee ID 7: Maria Santos (Cashier)");
    QTest::newRow("account, by an administrator")
        << true << false << account << "The password of Sam has been changed!"
        << "Admin changed the password of Sam (Guest) using frontdesk's domain!";
    QTest::newRow("employee, by an administrator")
        << false << false << employee << "The password of employee 7 has been changed!"
        << "Admin changed the password of employee 7 (Maria Santos) using frontdesk's domain!";
    QTest::newRow("own account") << true << true << account << "Your password has been changed!"
                                 << "Sam changed their own password using 's domain!\r\n\r\nDETAILS:\r\nAccount: "
                                    "Sam\r\nType: Guest";
    QTest::newRow("own, as an employee")
        << false << true << employee << "Your password has been changed!"
        << "Maria Santos changed their own password using 's domain!\r\n\r\nDETAILS:\r\nEmployee ID: 7\r\nName: "
           "Maria Santos";
}

void tst_passwords::changeThenSignIn()
{
    QFETCH(bool, account);
    QFETCH(bool, own);
    QFETCH(QString, whose);
    QFETCH(QString, done);
    QFETCH(QString, note);

    TestEnv env;
    seed(env);
    const QString user = account ? QStringLiteral("Sam") : QStringLiteral("7");
    QString shown;
    answerPasswordWindow(env, kOld, kNew, kNew, nullptr, &shown);
    if (own) {
        changeOwn(env, account);
    } else {
        changeFromList(env, account);
        env.setSession(QString(), QString()); // the administrator's session ends: sign-ins follow
    }
    QCOMPARE(shown, whose);
    QVERIFY2(env.messageTexts().contains(done), qPrintable(env.messageTexts().join(QLatin1Char('\n'))));

    QVERIFY(signsIn(env, user, kNew, account));
    QVERIFY(!signsIn(env, user, kOld, account));
    QCOMPARE(env.lastMessage().text, QStringLiteral("Incorrect username/password"));
    // Only that row changed: the other kind of row keeps its password.
    QVERIFY(signsIn(env, account ? QStringLiteral("7") : QStringLiteral("Sam"), kOld, !account));

    QCOMPARE(passwordNotes(env), 1);
    QCOMPARE(env.scalar(QStringLiteral("SELECT Notification FROM tblNot WHERE RE = 'Password Changed'")), note);
    const QString written = journalAndLog(env);
    QVERIFY(!written.contains(kNew, Qt::CaseInsensitive));
    QVERIFY(!written.contains(kOld, Qt::CaseInsensitive));
}

void tst_passwords::refused_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("verify");
    QTest::addColumn<QString>("message");

    QTest::newRow("no current password") << "" << kNew << kNew << "Enter your current password!";
    QTest::newRow("wrong current password")
        << "Old-Secret" << kNew << kNew << "The current password is not correct. Nothing was changed.";
    QTest::newRow("empty new password") << kOld << ""
                                        << ""
                                        << "Enter the new password!";
    QTest::newRow("not verified") << kOld << kNew << ""
                                  << "Verify the new password!";
    QTest::newRow("verified in another letter case") << kOld << kNew << kNew.toLower() << "Password didn't matched!";
}

// A refused change says why, keeps the window open and changes nothing.
void tst_passwords::refused()
{
    QFETCH(QString, current);
    QFETCH(QString, password);
    QFETCH(QString, verify);
    QFETCH(QString, message);

    TestEnv env;
    seed(env);
    const QString before = storedPasswords(env);
    bool stayedOpen = false;
    answerPasswordWindow(env, current, password, verify, &stayedOpen);
    changeOwn(env, false);
    QVERIFY(stayedOpen);
    QVERIFY2(env.messageTexts().contains(message), qPrintable(env.messageTexts().join(QLatin1Char('\n'))));
    QVERIFY(!env.messageTexts().contains(QStringLiteral("Your password has been changed!")));
    QCOMPARE(storedPasswords(env), before);
    QCOMPARE(passwordNotes(env), 0);
    QVERIFY(signsIn(env, QStringLiteral("7"), kOld, false));
}

void tst_passwords::passwordLimit_data()
{
    QTest::addColumn<bool>("account");
    QTest::addColumn<bool>("own");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("stored");
    QTest::newRow("own account, 40") << true << true << 40 << true;
    QTest::newRow("own account, 43") << true << true << 43 << false;
    QTest::newRow("account from the list, 41") << true << false << 41 << false;
    QTest::newRow("employee from the list, 200") << false << false << 200 << true;
    QTest::newRow("employee from the list, 203") << false << false << 203 << false;
}

// A password longer than its row takes is refused with a message before anything is stored,
// never cut short; a sign-in with a longer text than the stored password never matches it.
void tst_passwords::passwordLimit()
{
    QFETCH(bool, account);
    QFETCH(bool, own);
    QFETCH(int, length);
    QFETCH(bool, stored);
    const int limit = account ? 40 : 200;
    QString password;
    while (password.size() < length)
        password += QStringLiteral("pass phrase %1 ").arg(password.size());
    password.truncate(length);

    TestEnv env;
    seed(env);
    const QString before = storedPasswords(env);
    bool stayedOpen = false;
    answerPasswordWindow(env, kOld, password, password, &stayedOpen);
    if (own) {
        changeOwn(env, account);
    } else {
        changeFromList(env, account);
        env.setSession(QString(), QString()); // the administrator's session ends: sign-ins follow
    }
    const QString user = account ? QStringLiteral("Sam") : QStringLiteral("7");
    QCOMPARE(!stayedOpen, stored);
    if (stored) {
        QVERIFY(signsIn(env, user, password, account));
        QVERIFY(!signsIn(env, user, password + QStringLiteral("xyz"), account));
        return;
    }
    const QString said = QStringLiteral("The New Password holds %1 characters; a password may hold %2 at most. "
                                        "Nothing was stored.")
                             .arg(length)
                             .arg(limit);
    QVERIFY2(env.messageTexts().contains(said), qPrintable(env.messageTexts().join(QLatin1Char('\n'))));
    QCOMPARE(storedPasswords(env), before);
    QCOMPARE(passwordNotes(env), 0);
    QVERIFY(!signsIn(env, user, password.left(limit), account));
    QVERIFY(signsIn(env, user, kOld, account));
}

void tst_passwords::nothingHalfDone_data()
{
    QTest::addColumn<QString>("meanwhile"); // run while the window is open

    QTest::newRow("employee deleted meanwhile") << "DELETE FROM tblEmp";
    QTest::newRow("journal refuses the entry")
        << "CREATE TRIGGER noNotes BEFORE INSERT ON tblNot BEGIN SELECT RAISE(ABORT, 'journal full'); END";
}

// The password and its journal entry are written together or not at all, and a failure is said.
void tst_passwords::nothingHalfDone()
{
    QFETCH(QString, meanwhile);

    TestEnv env;
    seed(env);
    const QString before = storedPasswords(env);
    bool stayedOpen = false;
    env.onModal([&](QDialog& d) {
        env.exec(meanwhile);
        child<QLineEdit>(d, "txtNew")->setText(kNew);
        child<QLineEdit>(d, "txtVerify")->setText(kNew);
        child<QPushButton>(d, "cmdChange")->click();
        stayedOpen = d.result() != QDialog::Accepted;
        child<QPushButton>(d, "cmdCancel")->click();
        return d.result();
    });
    changeFromList(env, false);
    QVERIFY(stayedOpen);
    QCOMPARE(env.lastMessage().text, QStringLiteral("The password was not changed."));
    QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
    QVERIFY(!env.lastMessage().details.isEmpty());
    if (meanwhile.startsWith(QLatin1String("CREATE")))
        QCOMPARE(storedPasswords(env), before);
    QCOMPARE(passwordNotes(env), 0);
}

// The whole flow from the keyboard, through the real window and its own event loop.
void tst_passwords::ownPasswordByKeyboard()
{
    TestEnv env;
    seed(env);
    env.platform.setModalHook({});
    frmMain& main = env.main();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    child<QRadioButton>(main, "Option2")->setChecked(true);
    QTest::keyClicks(child<QLineEdit>(main, "txtUsername"), QStringLiteral("7"));
    QTest::keyClicks(child<QLineEdit>(main, "txtPassword"), kOld);
    QTest::keyClick(child<QLineEdit>(main, "txtPassword"), Qt::Key_Return);
    QCOMPARE(main.session().DisplayName(), QStringLiteral("Maria Santos"));

    QString whose;
    bool masked = false;
    QTimer::singleShot(50, &main, [&] {
        auto* window = qobject_cast<frmPassword*>(QApplication::activeModalWidget());
        if (!window)
            return;
        whose = child<QLabel>(*window, "lblWhose")->text();
        masked = child<QLineEdit>(*window, "txtCurrent")->echoMode() == QLineEdit::Password &&
                 child<QLineEdit>(*window, "txtNew")->echoMode() == QLineEdit::Password &&
                 child<QLineEdit>(*window, "txtVerify")->echoMode() == QLineEdit::Password;
        const auto type = [](const QString& text, Qt::Key then) {
            QTest::keyClicks(QApplication::focusWidget(), text);
            QTest::keyClick(QApplication::focusWidget(), then);
        };
        type(kOld, Qt::Key_Tab);
        type(kNew, Qt::Key_Tab);
        type(kNew, Qt::Key_Return); // Enter presses "Change"
    });
    // Tab from the last menu entry reaches the button; Enter opens the window.
    child<QWidget>(main, "imgOut")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdPassword"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    QCOMPARE(whose, QStringLiteral("Employee ID 7: Maria Santos (Cashier)"));
    QVERIFY(masked);
    QCOMPARE(env.lastMessage().text, QStringLiteral("Your password has been changed!"));
    QVERIFY(!QApplication::activeModalWidget());
    env.answer(QMessageBox::Yes);
    main.SignOut();
    QVERIFY(signsIn(env, QStringLiteral("7"), kNew, false));
    QVERIFY(!signsIn(env, QStringLiteral("7"), kOld, false));
}

void tst_passwords::emptyAccountFieldsRefused_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("message");
    QTest::newRow("user name") << "UserName"
                               << "The user name was not changed.";
    QTest::newRow("password") << "Password"
                              << "The password was not changed.";
}

// No account in the list can be left without a user name or a password.
void tst_passwords::emptyAccountFieldsRefused()
{
    QFETCH(QString, column);
    QFETCH(QString, message);

    TestEnv env;
    frmSetting w(env.ctx);
    child<QPushButton>(w, "lvButtons_H16")->click();
    auto* grid = child<DataGrid>(w, "DataGrid2");
    QAbstractItemModel* model = grid->model();
    int c = 0;
    while (model->headerData(c, Qt::Horizontal).toString() != column)
        ++c;
    QVERIFY(!model->setData(model->index(0, c), QString()));
    QTRY_VERIFY(!env.messages.isEmpty());
    QVERIFY2(env.lastMessage().text.startsWith(message), qPrintable(env.lastMessage().text));
    QVERIFY(signsIn(env, TestEnv::adminUser(), TestEnv::adminPassword(), true));
}

QTEST_MAIN(tst_passwords)
#include "tst_passwords.moc"
