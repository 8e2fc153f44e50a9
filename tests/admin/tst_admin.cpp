#include "admin/frmSetting.h"
#include "data/Backup.h"
#include "data/Database.h"
#include "journal/Journal.h"
#include "platform/DataGrid.h"
#include "session/frmMain.h"
#include "TestEnv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

QPushButton* button(QWidget& w, const char* name)
{
    auto* b = w.findChild<QPushButton*>(QLatin1String(name));
    if (!b)
        qFatal("no button %s", name);
    return b;
}

QLineEdit* edit(QWidget& w, const char* name)
{
    auto* e = w.findChild<QLineEdit*>(QLatin1String(name));
    if (!e)
        qFatal("no box %s", name);
    return e;
}

// Every row of every user table, in a stable order, so two files can be compared row by row.
QList<QStringList> allRows(Database& db)
{
    QList<QStringList> out;
    const Recordset tables =
        db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' "
                                "ORDER BY name"));
    for (const auto& t : tables.rows()) {
        const QString table = t.first().toString();
        const Recordset rs = db.query(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
        for (const auto& row : rs.rows()) {
            QStringList line{table};
            for (const QVariant& v : row)
                line << v.toString();
            out << line;
        }
    }
    return out;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_admin : public QObject
{
    Q_OBJECT

private slots:
    void companyTyping_data();
    void companyTyping();
    void renameThenCancel();
    void writeRefused_data();
    void writeRefused();
    void accountTypeCannotBeTyped();
    void accountChecks_data();
    void accountChecks();
    void duplicateUserNamesBothListed();
    void registeredAccountSignsIn_data();
    void registeredAccountSignsIn();
    void accountsGrid();
    void lastAdministratorIsKept_data();
    void lastAdministratorIsKept();
    void failedNotificationIsReported_data();
    void failedNotificationIsReported();
    void panelsSwitch();
    void backupToFolder();
    void backupFailures_data();
    void backupFailures();
    void backupDiskFull();
    void backupKeepsDatedCopy();
    void restore_data();
    void restore();
    void setFolder();
    void clearings_data();
    void clearings();
    void screenshots();
};

void tst_admin::companyTyping_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("left");

    QTest::newRow("three lower-case letters") << "abc"
                                              << "ABC" << 3 << "37";
    QTest::newRow("mixed with a quote") << "o'neil mart"
                                        << "O'NEIL MART" << 11 << "29";
    QTest::newRow("forty and no more") << QString(45, QLatin1Char('x')) << QString(40, QLatin1Char('X')) << 40 << "0";
    // A letter whose capital is two letters keeps the caret after both.
    QTest::newRow("sharp s") << QStringLiteral("straße 5") << "STRASSE 5" << 9 << "31";
    // ... and is refused whole when the two would not fit.
    QTest::newRow("sharp s at the limit")
        << QString(39, QLatin1Char('x')) + QStringLiteral("ß") << QString(39, QLatin1Char('X')) << 39 << "1";
}

void tst_admin::companyTyping()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, caret);
    QFETCH(QString, left);

    TestEnv env;
    frmSetting w(env.ctx);
    QLineEdit* box = edit(w, "txtCompany");
    box->clear();
    QTest::keyClicks(box, typed);
    QCOMPARE(box->text(), shown);
    QCOMPARE(box->cursorPosition(), caret);
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label7"))->text(), left);

    // Typing in the middle keeps the caret where it was.
    if (typed.size() >= 3) {
        box->setCursorPosition(1);
        QTest::keyClicks(box, QStringLiteral("q"));
        if (shown.size() < frmSetting::kCompanyLength) {
            QCOMPARE(box->text().at(1), QLatin1Char('Q'));
            QCOMPARE(box->cursorPosition(), 2);
        } else {
            QCOMPARE(box->text(), shown); // full: nothing more is taken
        }
    }
}

void tst_admin::renameThenCancel()
{
    TestEnv env;
    frmMain& main = env.main();
    env.setSession(QStringLiteral("Boss"), QStringLiteral("Administrator"));
    frmSetting w(env.ctx);
    QLineEdit* box = edit(w, "txtCompany");
    auto* title = main.findChild<QLabel*>(QStringLiteral("lblTitle"));
    QVERIFY(title);
    const QString before = env.scalar(QStringLiteral("SELECT CompanyName FROM tblMain"));
    QCOMPARE(box->text(), before);

    // Answered No: nothing saved, nothing said.
    box->clear();
    QTest::keyClicks(box, QStringLiteral("jo's corner"));
    const int notes = env.count(QStringLiteral("tblNot"));
    button(w, "lvButtons_H1")->click();
    QCOMPARE(env.lastMessage().text, QStringLiteral("Change the name of the company?"));
    QCOMPARE(env.lastMessage().title, QStringLiteral("Confirm Change"));
    QCOMPARE(env.lastMessage().icon, QMessageBox::Question);
    QCOMPARE(env.scalar(QStringLiteral("SELECT CompanyName FROM tblMain")), before);
    QCOMPARE(env.count(QStringLiteral("tblNot")), notes);

    // Answered Yes: saved as typed (the quote too), shown in the main window at once.
    env.answer(QMessageBox::Yes);
    button(w, "lvButtons_H1")->click();
    QCOMPARE(env.scalar(QStringLiteral("SELECT CompanyName FROM tblMain")), QStringLiteral("JO'S CORNER"));
    QCOMPARE(title->text(), QStringLiteral("JO'S CORNER"));
    QCOMPARE(env.lastMessage().text, QStringLiteral("Company Name has been Changed to JO'S CORNER!"));
    QCOMPARE(env.lastMessage().title, QStringLiteral("Company Name"));
    QCOMPARE(env.lastMessage().icon, QMessageBox::Information);
    QCOMPARE(env.count(QStringLiteral("tblNot")), notes + 1);
    QCOMPARE(env.scalar(QStringLiteral("SELECT RE FROM tblNot ORDER BY rowid DESC")),
             QStringLiteral("Company Name Changed"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT Notification FROM tblNot ORDER BY rowid DESC")),
             QStringLiteral("Boss changed the Company's Name to JO'S CORNER using frontdesk's domain!"));

    // Unsaved typing is discarded by Cancel.
    QTest::keyClicks(box, QStringLiteral(" two"));
    QCOMPARE(box->text(), QStringLiteral("JO'S CORNER TWO"));
    button(w, "lvButtons_H2")->click();
    QCOMPARE(box->text(), QStringLiteral("JO'S CORNER"));
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label7"))->text(), QStringLiteral("29"));
}

void tst_admin::writeRefused_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::newRow("rename") << "lvButtons_H1";
    QTest::newRow("backup folder") << "lvButtons_H8";
}

// With the settings row gone nothing can be saved: the user is told so, and neither the success
// message nor a notification follows.
void tst_admin::writeRefused()
{
    QFETCH(QString, buttonName);

    TestEnv env;
    frmSetting w(env.ctx);
    edit(w, "txtCompany")->setText(QStringLiteral("NEW NAME"));
    w.findChild<QLabel*>(QStringLiteral("Label9"))->setText(QDir::tempPath());
    env.exec(QStringLiteral("DELETE FROM tblMain"));
    const int notes = env.count(QStringLiteral("tblNot"));
    env.answer(QMessageBox::Yes);
    w.findChild<QPushButton*>(buttonName)->click();
    QCOMPARE(env.messages.size(), 2);
    QCOMPARE(env.lastMessage().title, QStringLiteral("Pemvix"));
    QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
    QVERIFY(!env.lastMessage().text.contains(QStringLiteral("has been Changed")));
    QCOMPARE(env.count(QStringLiteral("tblNot")), notes);
    QCOMPARE(edit(w, "txtCompany")->text(), QStringLiteral("NEW NAME")); // the typing is kept
}

void tst_admin::accountTypeCannotBeTyped()
{
    TestEnv env;
    frmSetting w(env.ctx);
    auto* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("Administrator"));
    QCOMPARE(combo->itemText(1), QStringLiteral("Guest"));
    QTest::keyClicks(combo, QStringLiteral("G"));
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentIndex(), -1);
}

void tst_admin::accountChecks_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("verify");
    QTest::addColumn<int>("type"); // index in Combo1, -1 for none
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("passwordsKept");

    const int info = QMessageBox::Information;
    QTest::newRow("no user name") << ""
                                  << "pw"
                                  << "pw" << 1 << "Enter Username!" << info << "Text1" << true;
    QTest::newRow("no password") << "ann"
                                 << ""
                                 << "pw" << 1 << "Enter Password!" << info << "Text2" << true;
    QTest::newRow("no verification") << "ann"
                                     << "pw"
                                     << "" << 1 << "Verify your password!" << info << "" << true;
    QTest::newRow("case-only mismatch") << "ann"
                                        << "Secret"
                                        << "secret" << 1 << "Password didn't matched!" << int(QMessageBox::Warning)
                                        << "Text2" << false;
    QTest::newRow("mismatch") << "ann"
                              << "pw1"
                              << "pw2" << -1 << "Password didn't matched!" << int(QMessageBox::Warning) << "Text2"
                              << false;
    // A pasted passphrase is never cut short to what the row takes: it is refused and kept.
    QTest::newRow("password too long") << "ann" << QString(41, u'p') << QString(41, u'p') << 1
                                       << "The password holds 41 characters; a password may hold 40 at most. "
                                          "Nothing was stored."
                                       << int(QMessageBox::Warning) << "Text2" << true;
    QTest::newRow("no account type") << "ann"
                                     << "pw"
                                     << "pw" << -1 << "Select Account Type" << info << "Combo1" << true;
    QTest::newRow("a blank is not empty") << " "
                                          << " "
                                          << " " << 1 << "New account has been registered!" << info << "" << false;
    QTest::newRow("guest registered") << "ann"
                                      << "pw"
                                      << "pw" << 1 << "New account has been registered!" << info << "" << false;
}

void tst_admin::accountChecks()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, verify);
    QFETCH(int, type);
    QFETCH(QString, message);
    QFETCH(int, icon);
    QFETCH(QString, focus);
    QFETCH(bool, passwordsKept);

    TestEnv env;
    env.main();
    env.setSession(QStringLiteral("Boss"), QStringLiteral("Administrator"));
    frmSetting w(env.ctx);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    edit(w, "Text1")->setText(user);
    edit(w, "Text2")->setText(password);
    edit(w, "Text3")->setText(verify);
    auto* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
    combo->setCurrentIndex(type);
    const int clients = env.count(QStringLiteral("tblClient"));
    const int notes = env.count(QStringLiteral("tblNot"));
    QWidget* focusBefore = w.focusWidget();

    button(w, "lvButtons_H12")->click();

    QCOMPARE(env.messages.size(), 1);
    QCOMPARE(env.lastMessage().text, message);
    QCOMPARE(env.lastMessage().title, QStringLiteral("Admin"));
    QCOMPARE(int(env.lastMessage().icon), icon);
    const bool registered = message == QLatin1String("New account has been registered!");
    QCOMPARE(env.count(QStringLiteral("tblClient")), clients + (registered ? 1 : 0));
    QCOMPARE(env.count(QStringLiteral("tblNot")), notes + (registered ? 1 : 0));
    if (!focus.isEmpty())
        QCOMPARE(w.focusWidget() ? w.focusWidget()->objectName() : QString(), focus);
    else if (!registered)
        QCOMPARE(w.focusWidget(), focusBefore);
    QCOMPARE(edit(w, "Text2")->text().isEmpty(), !passwordsKept || password.isEmpty());
    QCOMPARE(edit(w, "Text3")->text().isEmpty(), !passwordsKept || verify.isEmpty());
    if (registered) {
        const Recordset rs = env.db.query(
            QStringLiteral("SELECT UserName, Password, Account FROM tblClient ORDER BY ClientKey DESC LIMIT 1"));
        QCOMPARE(rs.rows().first().at(0).toString(), user);
        QCOMPARE(rs.rows().first().at(1).toString(), password);
        QCOMPARE(rs.rows().first().at(2).toString(), QStringLiteral("Guest"));
        QCOMPARE(env.scalar(QStringLiteral("SELECT RE FROM tblNot ORDER BY rowid DESC")),
                 QStringLiteral("Admin/Guest Account Registration"));
        QCOMPARE(env.scalar(QStringLiteral("SELECT Notification FROM tblNot ORDER BY rowid DESC")),
                 QStringLiteral("Boss Registered %1 as Guest using frontdesk's domain!").arg(user));
        QVERIFY(edit(w, "Text1")->text().isEmpty());
        QCOMPARE(combo->currentIndex(), -1);
    } else {
        QCOMPARE(edit(w, "Text1")->text(), user); // what was typed stays
    }
}

void tst_admin::duplicateUserNamesBothListed()
{
    TestEnv env;
    frmSetting w(env.ctx);
    for (const char* password : {"one", "two"}) {
        edit(w, "Text1")->setText(QStringLiteral("Sam"));
        edit(w, "Text2")->setText(QLatin1String(password));
        edit(w, "Text3")->setText(QLatin1String(password));
        w.findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(0);
        button(w, "lvButtons_H12")->click();
    }
    QCOMPARE(env.scalar(QStringLiteral("SELECT count(*) FROM tblClient WHERE UserName='Sam'")), QStringLiteral("2"));
    button(w, "lvButtons_H16")->click();
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label16"))->text(), QStringLiteral("3"));
    QTest::keyClicks(edit(w, "txtSearch2"), QStringLiteral("sa"));
    auto* grid = w.findChild<DataGrid*>(QStringLiteral("DataGrid2"));
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label16"))->text(), QStringLiteral("2"));
    // The search is literal: a pattern character finds nothing rather than everything.
    edit(w, "txtSearch2")->setText(QStringLiteral("%"));
    QCOMPARE(grid->model()->rowCount(), 0);
    edit(w, "txtSearch2")->clear();
    QCOMPARE(grid->model()->rowCount(), 3);
}

void tst_admin::registeredAccountSignsIn_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("administrator");
    QTest::newRow("guest") << 1 << false;
    QTest::newRow("administrator") << 0 << true;
}

void tst_admin::registeredAccountSignsIn()
{
    QFETCH(int, type);
    QFETCH(bool, administrator);

    TestEnv env;
    frmMain& main = env.main();
    {
        frmSetting w(env.ctx);
        edit(w, "Text1")->setText(QStringLiteral("visitor"));
        edit(w, "Text2")->setText(QStringLiteral("Pa55"));
        edit(w, "Text3")->setText(QStringLiteral("Pa55"));
        w.findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(type);
        button(w, "lvButtons_H12")->click();
        QCOMPARE(env.lastMessage().text, QStringLiteral("New account has been registered!"));
    }
    QTest::keyClicks(main.findChild<QLineEdit*>(QStringLiteral("txtUsername")), QStringLiteral("visitor"));
    QTest::keyClicks(main.findChild<QLineEdit*>(QStringLiteral("txtPassword")), QStringLiteral("Pa55"));
    main.findChild<QRadioButton*>(QStringLiteral("Option1"))->setChecked(true);
    main.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    QCOMPARE(main.session().DisplayName(), QStringLiteral("visitor"));
    QCOMPARE(main.session().AccountType(), administrator ? QStringLiteral("Administrator") : QStringLiteral("Guest"));
    QCOMPARE(main.session().IsAdministrator(), administrator);
}

void tst_admin::accountsGrid()
{
    TestEnv env;
    frmSetting w(env.ctx);
    button(w, "lvButtons_H16")->click();
    auto* grid = w.findChild<DataGrid*>(QStringLiteral("DataGrid2"));
    QAbstractItemModel* model = grid->model();
    auto column = [&](const QString& name) {
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->headerData(c, Qt::Horizontal).toString() == name)
                return c;
        return -1;
    };
    const int key = column(QStringLiteral("ClientKey"));
    const int password = column(QStringLiteral("Password"));
    const int user = column(QStringLiteral("UserName"));
    const int reg = column(QStringLiteral("ClientReg"));
    QVERIFY(key >= 0 && password >= 0 && user >= 0 && reg >= 0);

    auto checkColumns = [&] {
        QVERIFY(grid->isColumnHidden(key));
        QVERIFY(grid->isColumnHidden(password));
        QVERIFY(!grid->isColumnHidden(user));
        QVERIFY(!grid->isColumnHidden(reg));
        QVERIFY(!(model->flags(model->index(0, reg)) & Qt::ItemIsEditable));
        QVERIFY(model->flags(model->index(0, user)) & Qt::ItemIsEditable);
    };
    checkColumns();
    button(w, "lvButtons_H13")->click(); // a reload keeps the rules
    checkColumns();

    // Text4 and Text5 follow the current row; the password is masked until asked for.
    grid->setCurrentIndex(model->index(0, user));
    QCOMPARE(edit(w, "Text4")->text(), TestEnv::adminUser());
    QCOMPARE(edit(w, "Text5")->text(), TestEnv::adminPassword());
    QCOMPARE(edit(w, "Text5")->echoMode(), QLineEdit::Password);
    w.findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(true);
    QCOMPARE(edit(w, "Text5")->echoMode(), QLineEdit::Normal);

    // An edit in the grid goes straight to the table.
    QVERIFY(model->setData(model->index(0, user), QStringLiteral("Chief")));
    QCOMPARE(env.scalar(QStringLiteral("SELECT UserName FROM tblClient")), QStringLiteral("Chief"));
}

void tst_admin::lastAdministratorIsKept_data()
{
    QTest::addColumn<QString>("other");   // the type of a second account
    QTest::addColumn<int>("row");         // the row acted on: 0 the first administrator, 1 the second account
    QTest::addColumn<QString>("newType"); // empty: DEL
    QTest::addColumn<bool>("refused");

    QTest::newRow("DEL the only administrator") << "Guest" << 0 << QString() << true;
    QTest::newRow("DEL one of two administrators") << "Administrator" << 0 << QString() << false;
    QTest::newRow("DEL a guest") << "Guest" << 1 << QString() << false;
    QTest::newRow("another letter case does not sign in as one") << "administrator" << 0 << QString() << true;
    QTest::newRow("only administrator made a guest") << "Guest" << 0 << "Guest" << true;
    QTest::newRow("one of two made a guest") << "Administrator" << 0 << "Guest" << false;
}

// The shop never locks itself out: the last administrator account can be neither deleted nor
// given another type, however the list is used.
void tst_admin::lastAdministratorIsKept()
{
    QFETCH(QString, other);
    QFETCH(int, row);
    QFETCH(QString, newType);
    QFETCH(bool, refused);

    TestEnv env;
    env.exec(QStringLiteral("INSERT INTO tblClient (UserName, Password, Account) VALUES ('Sam', 'pw', ?)"), {other});
    const QString before = env.scalar(QStringLiteral("SELECT group_concat(UserName || ':' || Account) FROM tblClient"));
    frmSetting w(env.ctx);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    button(w, "lvButtons_H16")->click();
    auto* grid = w.findChild<DataGrid*>(QStringLiteral("DataGrid2"));
    QAbstractItemModel* model = grid->model();
    int account = -1;
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->headerData(c, Qt::Horizontal).toString() == QLatin1String("Account"))
            account = c;
    const QModelIndex cell = model->index(row, account);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    if (newType.isEmpty()) {
        QTest::keyClick(grid, Qt::Key_Delete);
    } else {
        grid->edit(cell);
        auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(cell));
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, newType);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!grid->indexWidget(cell)); // Enter writes the cell once the key is handled
    }

    const QString after = env.scalar(QStringLiteral("SELECT group_concat(UserName || ':' || Account) FROM tblClient"));
    if (!refused) {
        QVERIFY(after != before);
        QVERIFY(env.messages.isEmpty());
        return;
    }
    QCOMPARE(after, before);
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(0, account).data().toString(), QStringLiteral("Administrator"));
    QTRY_COMPARE(env.messages.size(), 1); // said once the cell's editor has closed
    QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
    QVERIFY2(env.lastMessage().text.startsWith(newType.isEmpty() ? QStringLiteral("The account was not deleted.")
                                                                 : QStringLiteral("The account type was not changed.")),
             qPrintable(env.lastMessage().text));
    QVERIFY(
        env.lastMessage().text.contains(TestEnv::adminUser() + QStringLiteral(" is the only Administrator account")));

    // Signing in as the administrator still works.
    frmMain& main = env.main();
    main.findChild<QLineEdit*>(QStringLiteral("txtUsername"))->setText(TestEnv::adminUser());
    main.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(TestEnv::adminPassword());
    main.findChild<QRadioButton*>(QStringLiteral("Option1"))->setChecked(true);
    main.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    QCOMPARE(main.session().AccountType(), QStringLiteral("Administrator"));
}

void tst_admin::failedNotificationIsReported_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<QString>("noteTitle");
    QTest::newRow("company name") << "lvButtons_H1"
                                  << "Company Name Changed";
    QTest::newRow("account registration") << "lvButtons_H12"
                                          << "Admin/Guest Account Registration";
    QTest::newRow("backup folder") << "lvButtons_H8"
                                   << "Database Backup Settings";
    QTest::newRow("backup") << "lvButtons_H5"
                            << "Database Backup";
    QTest::newRow("logs cleared") << "lvButtons_H7"
                                  << "Logs Cleared";
    QTest::newRow("transactions cleared") << "lvButtons_H14"
                                          << "Transaction Database Deletion";
    QTest::newRow("sales cleared") << "lvButtons_H17"
                                   << "Sales Database Deletion";
}

// The change stands, and a journal entry that could not be stored is said, as in every window.
void tst_admin::failedNotificationIsReported()
{
    QFETCH(QString, buttonName);
    QFETCH(QString, noteTitle);

    TestEnv env;
    env.main();
    env.setSession(QStringLiteral("Boss"), QStringLiteral("Administrator"));
    QTemporaryDir folder;
    frmSetting w(env.ctx);
    edit(w, "txtCompany")->setText(QStringLiteral("NEW NAME"));
    edit(w, "Text1")->setText(QStringLiteral("Sam"));
    edit(w, "Text2")->setText(QStringLiteral("pw"));
    edit(w, "Text3")->setText(QStringLiteral("pw"));
    w.findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(1);
    w.findChild<QLabel*>(QStringLiteral("Label9"))->setText(folder.path());
    edit(w, "txtDatabase")->setText(folder.path());
    env.exec(QStringLiteral("CREATE TRIGGER noNotes BEFORE INSERT ON tblNot BEGIN SELECT RAISE(ABORT, 'full'); END"));
    env.answer(QMessageBox::Yes);
    w.findChild<QPushButton*>(buttonName)->click();

    QList<MessageRecord> warnings;
    int informations = 0;
    for (const MessageRecord& m : env.messages) {
        if (m.icon == QMessageBox::Warning)
            warnings << m;
        informations += m.icon == QMessageBox::Information ? 1 : 0;
    }
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings.first().text, QStringLiteral("The notification \"%1\" was not saved.").arg(noteTitle));
    QCOMPARE(warnings.first().title, QStringLiteral("Pemvix"));
    QVERIFY2(warnings.first().details.contains(QStringLiteral("full")), qPrintable(warnings.first().details));
    QCOMPARE(informations, 1); // the change itself was made and reported
    QCOMPARE(env.count(QStringLiteral("tblNot")), 0);
}

void tst_admin::panelsSwitch()
{
    TestEnv env;
    frmSetting w(env.ctx);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* accounts = w.findChild<QGroupBox*>(QStringLiteral("Picture2"));
    auto* logs = w.findChild<QGroupBox*>(QStringLiteral("Picture1"));
    auto* chooser = w.findChild<QGroupBox*>(QStringLiteral("Frame1"));
    QVERIFY(!accounts->isVisible() && !logs->isVisible() && !chooser->isVisible());
    button(w, "lvButtons_H16")->click();
    QVERIFY(accounts->isVisible() && !logs->isVisible());
    button(w, "lvButtons_H10")->click();
    QVERIFY(!accounts->isVisible() && logs->isVisible());
    button(w, "lvButtons_H16")->click();
    QVERIFY(accounts->isVisible() && !logs->isVisible());
    button(w, "lvButtons_H15")->click();
    QVERIFY(!accounts->isVisible());
    button(w, "lvButtons_H10")->click();
    button(w, "lvButtons_H11")->click();
    QVERIFY(!logs->isVisible());
    button(w, "lvButtons_H3")->click();
    QVERIFY(chooser->isVisible());
    button(w, "lvButtons_H9")->click();
    QVERIFY(!chooser->isVisible());
}

void tst_admin::backupToFolder()
{
    TestEnv env;
    env.main();
    env.setSession(QStringLiteral("Boss"), QStringLiteral("Administrator"));
    env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID, ItemName) VALUES ('7', 'it''s tea')"));
    QTemporaryDir target;
    frmSetting w(env.ctx);
    // Typed by hand: used for the copy, not saved.
    edit(w, "txtDatabase")->setText(target.path());
    // The copy holds the rows as they were; the notification of the backup comes after it.
    const QList<QStringList> atFirst = allRows(env.db);
    button(w, "lvButtons_H5")->click();
    QCOMPARE(env.lastMessage().text, QStringLiteral("Database backup Successfull!"));
    QCOMPARE(env.lastMessage().title, QStringLiteral("Admin"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT BackupFolder FROM tblMain")), QString());
    QCOMPARE(env.scalar(QStringLiteral("SELECT RE FROM tblNot ORDER BY rowid DESC")),
             QStringLiteral("Database Backup"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT Notification FROM tblNot ORDER BY rowid DESC")),
             QStringLiteral("Boss accessed backup Database command  using frontdesk's domain!\r\nFolder: ") +
                 target.path());

    const QString copyPath = target.filePath(Database::fileName());
    QVERIFY(!QDir(target.path()).entryList(QDir::Files).filter(QStringLiteral(".mdb.")).size()); // no leftovers
    {
        Database copy;
        QVERIFY2(copy.open(copyPath), qPrintable(copy.lastError()));
        QCOMPARE(allRows(copy), atFirst);
        copy.close();
    }
    // The copy is encrypted: the plain SQLite header is not there.
    QVERIFY(!fileBytes(copyPath).startsWith("SQLite format 3"));

    // A second backup replaces the first with the newer data.
    env.exec(QStringLiteral("INSERT INTO tblSales (BusinessDate) VALUES ('later')"));
    // The copy holds the rows as they were; the notification of the backup comes after it.
    const QList<QStringList> atSecond = allRows(env.db);
    button(w, "lvButtons_H5")->click();
    QCOMPARE(env.lastMessage().text, QStringLiteral("Database backup Successfull!"));
    Database copy;
    QVERIFY(copy.open(copyPath));
    QCOMPARE(allRows(copy), atSecond);
    QCOMPARE(
        copy.query(QStringLiteral("SELECT count(*) FROM tblSales WHERE BusinessDate='later'")).rows().first().first(),
        QVariant(1));
}

void tst_admin::backupFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("deleted folder") << "deleted";
    QTest::newRow("box emptied by hand") << "empty";
    QTest::newRow("the database itself") << "self";
}

void tst_admin::backupFailures()
{
    QFETCH(QString, kind);

    TestEnv env;
    QTemporaryDir elsewhere;
    const QString oldCopy = elsewhere.filePath(Database::fileName());
    QString error;
    QVERIFY2(backupDatabase(env.db, oldCopy, &error), qPrintable(error));
    const QByteArray oldBytes = fileBytes(oldCopy);

    QString folder;
    if (kind == QLatin1String("deleted")) {
        auto gone = std::make_unique<QTemporaryDir>();
        folder = gone->path();
        gone.reset();
        QVERIFY(!QFileInfo::exists(folder));
    } else if (kind == QLatin1String("self")) {
        folder = QFileInfo(env.dbPath()).absolutePath();
    }
    env.exec(QStringLiteral("UPDATE tblMain SET BackupFolder=?"),
             {kind == QLatin1String("empty") ? elsewhere.path() : folder});
    env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID) VALUES ('newer')"));
    frmSetting w(env.ctx);
    QCOMPARE(edit(w, "txtDatabase")->text(), kind == QLatin1String("empty") ? elsewhere.path() : folder);
    if (kind == QLatin1String("empty"))
        edit(w, "txtDatabase")->clear();
    const int notes = env.count(QStringLiteral("tblNot"));
    const QByteArray dbBefore = fileBytes(env.dbPath());

    button(w, "lvButtons_H5")->click();

    QCOMPARE(env.messages.size(), 1);
    if (kind == QLatin1String("empty")) {
        QCOMPARE(env.lastMessage().text, QStringLiteral("Cannot save database to empty folder!"));
        QCOMPARE(env.lastMessage().title, QStringLiteral("Set Database"));
        QCOMPARE(env.lastMessage().icon, QMessageBox::Information);
    } else {
        QCOMPARE(env.lastMessage().text, QStringLiteral("Backup Database Failed! Check the folder's availability"));
        QCOMPARE(env.lastMessage().title, QStringLiteral("Error"));
        QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
    }
    QCOMPARE(env.count(QStringLiteral("tblNot")), notes);
    QCOMPARE(fileBytes(oldCopy), oldBytes);
    QCOMPARE(fileBytes(env.dbPath()), dbBefore);
    QCOMPARE(env.scalar(QStringLiteral("SELECT count(*) FROM tblSold WHERE TransactionID='newer'")),
             QStringLiteral("1"));
}

void tst_admin::backupDiskFull()
{
    TestEnv env;
    // Enough rows that the copy cannot fit in 128 KiB (a new database takes about half of it).
    for (int i = 0; i < 800; ++i)
        env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID, ItemName) VALUES (?, ?)"),
                 {QString::number(i), QString(200, QLatin1Char('x'))});
    QTemporaryDir small;
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=128k"), QStringLiteral("tmpfs"), small.path()}) != 0)
        QSKIP("cannot mount a small file system here");
    struct Unmount
    {
        QString path;
        ~Unmount() { QProcess::execute(QStringLiteral("umount"), {path}); }
    } unmount{small.path()};

    // An earlier good copy of a small database sits in the folder.
    TestEnv smallEnv;
    const QString copyPath = small.filePath(Database::fileName());
    QString error;
    QVERIFY2(backupDatabase(smallEnv.db, copyPath, &error), qPrintable(error));
    const QByteArray goodBytes = fileBytes(copyPath);
    QVERIFY(!goodBytes.isEmpty());

    frmSetting w(env.ctx);
    edit(w, "txtDatabase")->setText(small.path());
    const int notes = env.count(QStringLiteral("tblNot"));
    button(w, "lvButtons_H5")->click();
    QCOMPARE(env.lastMessage().text, QStringLiteral("Backup Database Failed! Check the folder's availability"));
    QCOMPARE(env.count(QStringLiteral("tblNot")), notes);
    QCOMPARE(fileBytes(copyPath), goodBytes);
    QCOMPARE(QDir(small.path()).entryList(QDir::Files), QStringList{Database::fileName()}); // no leftovers
    Database copy;
    QVERIFY(copy.open(copyPath));
    QCOMPARE(allRows(copy), allRows(smallEnv.db));
}

void tst_admin::setFolder()
{
    TestEnv env;
    env.main();
    env.setSession(QStringLiteral("Boss"), QStringLiteral("Administrator"));
    frmSetting w(env.ctx);
    button(w, "lvButtons_H3")->click();
    QTemporaryDir chosen;
    const QString folder = chosen.path() + QStringLiteral("/shop's copies");
    QVERIFY(QDir().mkpath(folder));
    w.findChild<QLabel*>(QStringLiteral("Label9"))->setText(folder);

    button(w, "lvButtons_H8")->click(); // answered No
    QCOMPARE(env.lastMessage().text, QStringLiteral("Set this as your database backup folder?"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT BackupFolder FROM tblMain")), QString());
    QVERIFY(edit(w, "txtDatabase")->text().isEmpty());

    env.answer(QMessageBox::Yes);
    button(w, "lvButtons_H8")->click();
    QCOMPARE(env.scalar(QStringLiteral("SELECT BackupFolder FROM tblMain")), folder);
    QCOMPARE(edit(w, "txtDatabase")->text(), folder);
    QCOMPARE(env.lastMessage().text, QStringLiteral("Database Backup Folder has been Changed to %1!").arg(folder));
    QCOMPARE(env.lastMessage().title, QStringLiteral("Database Backup Settings"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT Notification FROM tblNot ORDER BY rowid DESC")),
             QStringLiteral("Boss changed the Backup Database folder to %1 using frontdesk's domain!").arg(folder));
    QVERIFY(w.findChild<QGroupBox*>(QStringLiteral("Frame1"))->isVisibleTo(&w)); // stays open

    frmSetting reopened(env.ctx);
    QCOMPARE(edit(reopened, "txtDatabase")->text(), folder);
    button(reopened, "lvButtons_H5")->click();
    QVERIFY(QFileInfo::exists(folder + QLatin1Char('/') + Database::fileName()));
}

void tst_admin::clearings_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("done");
    QTest::addColumn<QString>("noteTitle");
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("startEmpty");

    struct Clearing
    {
        const char *table, *button, *question, *done, *title, *note;
    };
    const Clearing clearings[] = {
        {"tblLogs", "lvButtons_H7", "Are you sure you want to delete the Log Information?", "Logs Deleted!",
         "Logs Cleared", "Boss cleared the User Logs  using frontdesk's domain!"},
        {"tblSold", "lvButtons_H14", "Clear Transaction Database?", "Transaction Database been deleted!",
         "Transaction Database Deletion", "Boss deleted all the Transaction Information using frontdesk's domain!"},
        {"tblSales", "lvButtons_H17", "Clear Sales Database?", "Sales Database been deleted!",
         "Sales Database Deletion", "Boss deleted all the Sales Information using frontdesk's domain!"},
    };
    for (const Clearing& c : clearings) {
        for (const auto& [yes, empty, label] : {std::tuple{false, false, "No"}, std::tuple{true, false, "Yes"},
                                                std::tuple{true, true, "Yes on an empty table"}}) {
            QTest::addRow("%s %s", c.table, label)
                << c.table << c.button << c.question << c.done << c.title << c.note << yes << empty;
        }
    }
}

void tst_admin::clearings()
{
    QFETCH(QString, table);
    QFETCH(QString, buttonName);
    QFETCH(QString, question);
    QFETCH(QString, done);
    QFETCH(QString, noteTitle);
    QFETCH(QString, note);
    QFETCH(bool, yes);
    QFETCH(bool, startEmpty);

    TestEnv env;
    env.main();
    env.setSession(QStringLiteral("Boss"), QStringLiteral("Administrator"));
    const QStringList tables{QStringLiteral("tblLogs"),  QStringLiteral("tblSold"),   QStringLiteral("tblSales"),
                             QStringLiteral("tblDaily"), QStringLiteral("tblClient"), QStringLiteral("tblMain")};
    env.exec(QStringLiteral("INSERT INTO tblLogs (LogDate, UserName) VALUES ('today', 'ann'), ('today', 'bob')"));
    env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID) VALUES ('1'), ('2'), ('3')"));
    env.exec(QStringLiteral("INSERT INTO tblSales (BusinessDate) VALUES ('d1'), ('d2')"));
    env.exec(QStringLiteral("INSERT INTO tblDaily (BusinessDate) VALUES ('d1')"));
    if (startEmpty)
        env.exec(QStringLiteral("DELETE FROM %1").arg(table));
    QMap<QString, int> before;
    for (const QString& t : tables)
        before[t] = env.count(t);
    const int notes = env.count(QStringLiteral("tblNot"));

    frmSetting w(env.ctx);
    button(w, "lvButtons_H10")->click(); // the log panel shows the log count
    auto* logCount = w.findChild<QLabel*>(QStringLiteral("Label6"));
    QCOMPARE(logCount->text(), QString::number(before[QStringLiteral("tblLogs")]));
    if (yes)
        env.answer(QMessageBox::Yes);
    w.findChild<QPushButton*>(buttonName)->click();

    QCOMPARE(env.messages.first().text, question);
    QCOMPARE(env.messages.first().title, QStringLiteral("Confirm"));
    QCOMPARE(env.messages.first().icon, QMessageBox::Question);
    for (const QString& t : tables)
        QCOMPARE(env.count(t), t == table && yes ? 0 : before[t]);
    if (!yes) {
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.count(QStringLiteral("tblNot")), notes);
        return;
    }
    QCOMPARE(env.messages.size(), 2);
    QCOMPARE(env.lastMessage().text, done);
    QCOMPARE(env.lastMessage().title, QStringLiteral("Deleted!"));
    QCOMPARE(env.lastMessage().icon, QMessageBox::Information);
    QCOMPARE(env.count(QStringLiteral("tblNot")), notes + 1);
    QCOMPARE(env.scalar(QStringLiteral("SELECT RE FROM tblNot ORDER BY rowid DESC")), noteTitle);
    QCOMPARE(env.scalar(QStringLiteral("SELECT Notification FROM tblNot ORDER BY rowid DESC")), note);
    if (table == QLatin1String("tblLogs")) {
        QCOMPARE(w.findChild<DataGrid*>(QStringLiteral("DataGrid1"))->model()->rowCount(), 0);
        QCOMPARE(logCount->text(), QStringLiteral("0"));
    }
}

void tst_admin::screenshots()
{
    const QString out = qEnvironmentVariable("PEMVIX_SHOTS");
    if (out.isEmpty())
        QSKIP("set PEMVIX_SHOTS to a folder to write the screenshots");
    TestEnv env;
    env.exec(QStringLiteral("INSERT INTO tblLogs (LogDate, LogTime, UserName, Domain, Name, Position) VALUES "
                            "('December 09, 2026', '07:10:02 AM', 'Admin', 'frontdesk', 'Admin', 'Administrator')"));
    frmSetting w(env.ctx);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::keyClicks(edit(w, "txtCompany"), QStringLiteral(" and sons"));
    w.grab().save(out + QStringLiteral("/setting-start.png"));
    button(w, "lvButtons_H16")->click();
    button(w, "lvButtons_H3")->click();
    QTest::qWait(200);
    w.grab().save(out + QStringLiteral("/setting-accounts-folders.png"));
    button(w, "lvButtons_H10")->click();
    w.grab().save(out + QStringLiteral("/setting-logs.png"));
}

void tst_admin::backupKeepsDatedCopy()
{
    TestEnv env;
    env.main();
    env.setSession(QStringLiteral("Boss"), QStringLiteral("Administrator"));
    QTemporaryDir target;
    frmSetting w(env.ctx);
    edit(w, "txtDatabase")->setText(target.path());
    button(w, "lvButtons_H5")->click();
    QCOMPARE(env.lastMessage().text, QStringLiteral("Database backup Successfull!"));
    const QString backup = target.filePath(Database::fileName());
    const QStringList dated = DatedBackups::list(backup);
    QCOMPARE(dated.size(), 1);
    QCOMPARE(fileBytes(dated.first()), fileBytes(backup));
    QVERIFY(qAbs(DatedBackups::writtenAt(dated.first()).secsTo(QDateTime::currentDateTime())) < 60);
    // Nothing else is left in the folder, hidden files included.
    QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void tst_admin::restore_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("sound backup") << "sound";
    QTest::newRow("answered No") << "declined";
    QTest::newRow("written with another key") << "wrong key";
    QTest::newRow("a damaged page") << "damaged";
    QTest::newRow("not a database") << "garbage";
    QTest::newRow("an empty file") << "empty";
}

// A backup brings back exactly its rows, into the running program; one that fails a check
// (or is not confirmed) changes nothing.
void tst_admin::restore()
{
    QFETCH(QString, kind);
    TestEnv env;
    env.main();
    env.setSession(QStringLiteral("Boss"), QStringLiteral("Administrator"));
    env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID, ItemName) VALUES ('7', 'yesterday''s tea')"));
    QTemporaryDir folder;
    const QString backup = folder.filePath(QStringLiteral("dbZarel-2026-12-08-180000.mdb"));
    QString error;
    QVERIFY2(backupDatabase(env.db, backup, &error), qPrintable(error));
    const QList<QStringList> backupRows = allRows(env.db);

    if (kind == u"wrong key") {
        QFile::remove(backup);
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(backup).constData(), &other,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_key(other, "another key", 11), SQLITE_OK);
        QCOMPARE(
            sqlite3_exec(other, "CREATE TABLE tblSold (x); INSERT INTO tblSold VALUES (1);", nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(other);
    } else if (kind == u"empty") {
        QFile file(backup);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    } else if (kind == u"damaged" || kind == u"garbage") {
        QFile file(backup);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 size = file.size();
        if (kind == u"damaged")
            file.seek(1024); // the second page: its check fails when it is read
        file.write(QByteArray(kind == u"damaged" ? 512 : size, '\x5a'));
    }

    // The shop changes after the backup: a sale line goes, another comes, an account is added.
    env.exec(QStringLiteral("DELETE FROM tblSold"));
    env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID, ItemName) VALUES ('8', 'today''s coffee')"));
    env.exec(QStringLiteral("INSERT INTO tblClient (UserName, Password, Account) VALUES ('late', 'pw', 'Guest')"));
    // Two sales after the backup (written December 08, 2026 6:00:00 PM), two before it.
    for (const auto& [day, time] :
         {std::pair{"December 08, 2026", "11:00:00 AM"}, std::pair{"December 08, 2026", "12:15:00 PM"},
          std::pair{"December 08, 2026", "6:30:00 PM"}, std::pair{"December 09, 2026", "10:00:00 AM"}})
        env.exec(QStringLiteral("INSERT INTO tblSales (BusinessDate, BusinessTime) VALUES (?, ?)"),
                 {QString::fromLatin1(day), QString::fromLatin1(time)});
    const QList<QStringList> changedRows = allRows(env.db);

    frmSetting w(env.ctx);
    button(w, "lvButtons_H16")->click(); // the accounts list is open while the data is replaced
    auto* accountCount = w.findChild<QLabel*>(QStringLiteral("Label16"));
    const QString accountsBefore = accountCount->text();
    env.onModal([&](QDialog& dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(&dialog);
        if (!chooser)
            return static_cast<int>(QDialog::Rejected);
        chooser->selectFile(backup);
        QMetaObject::invokeMethod(chooser, "accept"); // the dialog's own check that the file exists
        return chooser->result();
    });
    if (kind != u"declined")
        env.answer(QMessageBox::Yes);
    const QByteArray backupBytes = fileBytes(backup);
    button(w, "cmdRestore")->click();
    QCOMPARE(env.modalWindows, QStringList{QStringLiteral("restoreChooser")});
    QCOMPARE(fileBytes(backup), backupBytes); // a backup is only read
    const QStringList kept = QDir(env.dir()).entryList({QStringLiteral("dbZarel-before-restore-*.mdb")}, QDir::Files);

    if (kind != u"sound") {
        QCOMPARE(allRows(env.db), changedRows);
        QVERIFY(kept.isEmpty());
        if (kind == u"declined") {
            QCOMPARE(env.lastMessage().title, QStringLiteral("Confirm Restore"));
        } else {
            QCOMPARE(env.messages.size(), 1);
            QCOMPARE(env.lastMessage().icon, QMessageBox::Warning);
            QVERIFY2(env.lastMessage().text.startsWith(QStringLiteral("Nothing was restored")),
                     qPrintable(env.lastMessage().text));
        }
        return;
    }
    // The question named the file, the day it was written and the sales that would be gone, and
    // Enter alone answers No.
    QVERIFY2(env.messages.first().text.contains(QDir::toNativeSeparators(backup)) &&
                 env.messages.first().text.contains(QStringLiteral("December 08, 2026 6:00:00 PM")) &&
                 env.messages.first().text.contains(QStringLiteral("2 sales were made after this backup")),
             qPrintable(env.messages.first().text));
    QCOMPARE(env.messages.first().defaultButton, QMessageBox::No);
    QCOMPARE(env.lastMessage().text,
             QStringLiteral("Database restored from %1!").arg(QDir::toNativeSeparators(backup)));
    // Exactly the backup's rows, and after them the journal entry of the restore.
    QList<QStringList> now = allRows(env.db);
    const auto entry = std::find_if(now.begin(), now.end(), [](const QStringList& row) {
        return row.first() == u"tblNot" && row.contains(NoteTitle::DatabaseRestore);
    });
    QVERIFY(entry != now.end());
    now.erase(entry);
    QCOMPARE(now, backupRows);
    // The open accounts list shows the restored accounts.
    QCOMPARE(accountCount->text(), QString::number(accountsBefore.toInt() - 1));
    // The data replaced is kept beside the database.
    QCOMPARE(kept.size(), 1);
    Database old;
    QVERIFY(old.open(QDir(env.dir()).filePath(kept.first())));
    QCOMPARE(allRows(old), changedRows);
}

QTEST_MAIN(tst_admin)
#include "tst_admin.moc"
