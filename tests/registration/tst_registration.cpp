#include "TestEnv.h"

#include "catalog/Barcode.h"

#include "data/DataControl.h"
#include "data/Database.h"
#include "data/TextForms.h"
#include "platform/DataGrid.h"
#include "registration/frmReg.h"
#include "session/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

struct Item
{
    QString name, price, description, brand, stocks, availability;
    QString barcode = {};
};

// One registration window on a fresh database, with a signed-in user.
struct Fixture
{
    explicit Fixture(const QString& account = QStringLiteral("Administrator"), const QStringList& itemCounters = {},
                     const QStringList& clientCounters = {})
    {
        env.setSession(QStringLiteral("Admin"), account, QStringLiteral("frontdesk"));
        setCounters(itemCounters, clientCounters);
        open();
    }

    // Replaces the tblMain rows by one row per counter value given.
    void setCounters(const QStringList& items, const QStringList& clients)
    {
        const qsizetype rows = std::max(items.size(), clients.size());
        if (rows == 0)
            return;
        env.exec(QStringLiteral("DELETE FROM tblMain"));
        auto value = [](const QStringList& list, qsizetype i) {
            return i < list.size() && !list.at(i).isNull() ? QVariant(list.at(i)) : QVariant();
        };
        for (qsizetype i = 0; i < rows; ++i)
            env.exec(QStringLiteral("INSERT INTO tblMain (CompanyName, ItemID, ClientID) VALUES ('SHOP', ?, ?)"),
                     {value(items, i), value(clients, i)});
    }

    void open()
    {
        w = std::make_unique<frmReg>(env.ctx);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }

    template <class T = QLineEdit> T* get(const char* name)
    {
        T* child = w->findChild<T*>(QString::fromLatin1(name));
        if (!child)
            qFatal("no child %s", name);
        return child;
    }
    QString text(const char* name) { return get(name)->text(); }
    QString combo(const char* name) { return get<QComboBox>(name)->currentText(); }
    QString status() { return get<QLabel>("lblNot")->text(); }
    void click(const char* name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    void type(const char* name, const QString& value)
    {
        if (value.isEmpty())
            return;
        if (QString::fromLatin1(name) == u"txtDesc") {
            const QStringList lines = value.split(QLatin1Char('\n'));
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (i > 0)
                    QTest::keyClick(get<QPlainTextEdit>(name), Qt::Key_Return);
                QTest::keyClicks(get<QPlainTextEdit>(name), lines.at(i));
            }
        } else if (QString::fromLatin1(name) == u"txtAvail")
            get<QComboBox>(name)->setEditText(value);
        else
            QTest::keyClicks(get(name), value);
    }

    void fillItem(const Item& item)
    {
        type("txtItemname", item.name);
        type("txtPrice", item.price);
        type("txtDesc", item.description);
        type("txtBrand", item.brand);
        type("txtStocks", item.stocks);
        type("txtAvail", item.availability);
        type("txtBarcode", item.barcode);
    }
    void registerItem(const Item& item)
    {
        fillItem(item);
        env.answer(QMessageBox::Yes);
        click("cmdItemReg");
    }
    void fillEmployee(const QString& last, const QString& first, const QString& middle, int gender, int position,
                      const QString& password)
    {
        type("txtLast", last);
        type("txtFirst", first);
        type("txtMid", middle);
        get<QComboBox>("txtGen")->setCurrentIndex(gender);
        get<QComboBox>("txtPos")->setCurrentIndex(position);
        type("txtPass", password);
    }

    TestEnv env;
    std::unique_ptr<frmReg> w;
};

const Item kDrink{"Drink", "25", "Orange drink", "Sunny", "12", "Available"};

} // namespace

Q_DECLARE_METATYPE(Item)

class tst_Registration : public QObject
{
    Q_OBJECT

private slots:
    void itemCounter_data();
    void itemCounter();
    void itemChecks_data();
    void itemChecks();
    void availabilityRule_data();
    void availabilityRule();
    void noAtConfirmationKeepsBoxes();
    void itemRowAndNotification();
    void quotedItemNameRegistersAndIsFound();
    void itemSearch();
    void descriptionLimit();
    void viewButtonsOnlyForAdministrators_data();
    void viewButtonsOnlyForAdministrators();
    void employeeChecks_data();
    void employeeChecks();
    void employeeWithoutMiddleName();
    void employeeCounterAndKeptPassword();
    void genderAndPositionIgnoreTyping();
    void registeredEmployeeCanSignIn();
    void showUserPassword();
    void barcodeRegistered();
    void listsEditAndDeleteInPlace();
    void numberIssuedInsideTheWrite_data();
    void numberIssuedInsideTheWrite();
    void listEditsKeepTheRules_data();
    void listEditsKeepTheRules();
    void refusedWriteChangesNothing_data();
    void refusedWriteChangesNothing();
    void screenshots();
};

void tst_Registration::itemCounter_data()
{
    QTest::addColumn<QStringList>("counters");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("next");
    QTest::newRow("41") << QStringList{"41"} << "42"
                        << "43";
    QTest::newRow("empty") << QStringList{""} << "1"
                           << "2";
    QTest::newRow("null") << QStringList{QString()} << "1"
                          << "2";
    QTest::newRow("not a number") << QStringList{"abc"} << "1"
                                  << "2";
    QTest::newRow("last row wins") << QStringList{"100", "41"} << "42"
                                   << "43";
}

void tst_Registration::itemCounter()
{
    QFETCH(QStringList, counters);
    QFETCH(QString, proposed);
    QFETCH(QString, next);
    Fixture f(QStringLiteral("Administrator"), counters);
    QCOMPARE(f.text("txtItem"), proposed);
    f.registerItem(kDrink);
    QCOMPARE(f.env.scalar("SELECT ItemNumber FROM tblStocks WHERE ItemName='Drink'"), proposed);
    // Every tblMain row now holds the number issued.
    QCOMPARE(f.env.scalar("SELECT count(*) FROM tblMain WHERE ItemID=?", {proposed}), QString::number(counters.size()));
    QCOMPARE(f.text("txtItem"), next);
}

void tst_Registration::itemChecks_data()
{
    QTest::addColumn<Item>("item");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("focus");
    QTest::newRow("name") << Item{"", "1", "d", "b", "1", "Available"} << "Enter Item name"
                          << "txtItemname";
    QTest::newRow("price") << Item{"n", "", "d", "b", "1", "Available"} << "Set Item price"
                           << "txtPrice";
    QTest::newRow("description") << Item{"n", "1", "", "b", "1", "Available"} << "Enter item description!"
                                 << "txtDesc";
    QTest::newRow("brand") << Item{"n", "1", "d", "", "1", "Available"} << "Enter brand!"
                           << "txtBrand";
    QTest::newRow("stocks") << Item{"n", "1", "d", "b", "", "Available"} << "Enter Available Stocks"
                            << "txtStocks";
    QTest::newRow("availability") << Item{"n", "1", "d", "b", "1", ""} << "Select Availability"
                                  << "txtAvail";
    QTest::newRow("first missing wins") << Item{"n", "", "d", "", "", ""} << "Set Item price"
                                        << "txtPrice";
    // A stocks text that is no plain number is refused like a missing one.
    QTest::newRow("stocks a word") << Item{"n", "1", "d", "b", "many", "Available"} << "Enter Available Stocks"
                                   << "txtStocks";
    QTest::newRow("stocks 12abc") << Item{"n", "1", "d", "b", "12abc", "Available"} << "Enter Available Stocks"
                                  << "txtStocks";
    QTest::newRow("stocks 1,500") << Item{"n", "1", "d", "b", "1,500", "Available"} << "Enter Available Stocks"
                                  << "txtStocks";
    QTest::newRow("stocks blank") << Item{"n", "1", "d", "b", " ", "Available"} << "Enter Available Stocks"
                                  << "txtStocks";
    // A barcode is optional; one given must be a barcode.
    QTest::newRow("barcode check digit") << Item{"n", "1", "d", "b", "1", "Available", "4006381333932"}
                                         << Barcode::problemText(Barcode::Problem::BadCheckDigit) << "txtBarcode";
    QTest::newRow("barcode with a blank") << Item{"n", "1", "d", "b", "1", "Available", "4006 3813"}
                                          << Barcode::problemText(Barcode::Problem::NotPrintable) << "txtBarcode";
    // A price is a number the till can charge, or it is refused like a missing one.
    for (const char* price : {"abc", "12abc", "-25", "1e308", "1000000000", "1.5.0", " "})
        QTest::addRow("price %s", price) << Item{"n", price, "d", "b", "1", "Available"} << "Set Item price"
                                         << "txtPrice";
}

void tst_Registration::itemChecks()
{
    QFETCH(Item, item);
    QFETCH(QString, prompt);
    QFETCH(QString, focus);
    Fixture f;
    f.fillItem(item);
    f.env.answer(QMessageBox::Yes);
    f.click("cmdItemReg");
    QCOMPARE(f.status(), prompt);
    QVERIFY(f.w->focusWidget());
    const QWidget* focused = f.w->focusWidget();
    if (focused->objectName() != focus)
        focused = focused->parentWidget(); // the line edit inside the availability box
    QCOMPARE(focused->objectName(), focus);
    QVERIFY(f.env.messages.isEmpty());
    QCOMPARE(f.env.count("tblStocks"), 0);
    QCOMPARE(f.env.count("tblNot"), 0);
    QCOMPARE(f.text("txtItem"), QStringLiteral("1"));
}

void tst_Registration::availabilityRule_data()
{
    QTest::addColumn<QString>("stocks");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("stored");
    QTest::newRow("0") << "0"
                       << "Available"
                       << "Out of Stock";
    QTest::newRow("-5") << "-5"
                        << "Available"
                        << "Out of Stock";
    QTest::newRow("12 reserved") << "12"
                                 << "Reserved"
                                 << "Available";
    QTest::newRow("typed text") << "3"
                                << "whatever"
                                << "Available";
    QTest::newRow("fraction") << "0.5"
                              << "Out of Stock"
                              << "Available";
}

void tst_Registration::availabilityRule()
{
    QFETCH(QString, stocks);
    QFETCH(QString, chosen);
    QFETCH(QString, stored);
    Fixture f;
    f.registerItem(Item{"Soap", "10", "bar", "Lux", stocks, chosen});
    QCOMPARE(f.env.scalar("SELECT ItemAvailability FROM tblStocks"), stored);
    QVERIFY(f.env.messages.first().text.endsWith(QStringLiteral("\r\nAvailability:") + stored));
}

void tst_Registration::noAtConfirmationKeepsBoxes()
{
    Fixture f;
    f.fillItem(Item{"Soap", "10", "bar", "Lux", "0", "Available"});
    f.click("cmdItemReg"); // no answer queued: No
    QCOMPARE(f.env.messages.size(), 1);
    QCOMPARE(f.env.count("tblStocks"), 0);
    QCOMPARE(f.env.count("tblNot"), 0);
    QCOMPARE(f.text("txtItemname"), QStringLiteral("Soap"));
    QCOMPARE(f.text("txtPrice"), QStringLiteral("10"));
    QCOMPARE(f.get<QPlainTextEdit>("txtDesc")->toPlainText(), QStringLiteral("bar"));
    QCOMPARE(f.text("txtStocks"), QStringLiteral("0"));
    QCOMPARE(f.combo("txtAvail"), QStringLiteral("Out of Stock"));
    QCOMPARE(f.text("txtItem"), QStringLiteral("1"));
    QCOMPARE(f.env.scalar("SELECT ItemID FROM tblMain"), QString());
}

void tst_Registration::itemRowAndNotification()
{
    Fixture f(QStringLiteral("Administrator"), {"41"});
    f.registerItem(Item{"Drink", "25.50", "Orange\ndrink", "Sunny", "12", "Reserved"});

    QCOMPARE(f.env.messages.size(), 2);
    const MessageRecord confirm = f.env.messages.at(0);
    QCOMPARE(confirm.title, QStringLiteral("Confirm"));
    QCOMPARE(confirm.icon, QMessageBox::Question);
    QCOMPARE(confirm.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(confirm.text, QStringLiteral("Is the Item Information correct?\r\n\r\nDETAILS\r\nItem Name: Drink\r\n"
                                          "Item Number: 42\r\nPrice: 25.50\r\nDescription: Orange\ndrink\r\n"
                                          "Brand: Sunny\r\nAvailability:Available"));
    const MessageRecord done = f.env.messages.at(1);
    QCOMPARE(done.text, QStringLiteral("New item has been Registered!"));
    QCOMPARE(done.title, QStringLiteral("Registered!"));
    QCOMPARE(done.icon, QMessageBox::Information);

    const Recordset row = f.env.db.query("SELECT * FROM tblStocks");
    QCOMPARE(row.rowCount(), 1);
    QCOMPARE(row.rows().first(),
             (QVector<QVariant>{"42", "Drink", "25.50", "Orange\ndrink", 12, "Sunny", "Available"}));

    QCOMPARE(f.env.scalar("SELECT RE FROM tblNot"), QStringLiteral("New Item Registration"));
    QCOMPARE(f.env.scalar("SELECT Notification FROM tblNot"),
             QStringLiteral("Admin registered a new item using frontdesk's domain!\r\n\r\nDETAILS:\r\n"
                            "Item Number: 42\r\nItem Name: Drink\r\nItem Price: 25.50\r\nItem Brand: Sunny\r\n"
                            "Stocks: 12\r\nAvailability: Available\r\nDecription:  Orange\ndrink"));
    QCOMPARE(f.env.scalar("SELECT NoteDate FROM tblNot"), DateText());

    QCOMPARE(f.status(), QStringLiteral("Item has been Registered"));
    for (const char* box : {"txtItemname", "txtPrice", "txtBrand", "txtStocks"})
        QVERIFY2(f.text(box).isEmpty(), box);
    QVERIFY(f.get<QPlainTextEdit>("txtDesc")->toPlainText().isEmpty());
    QVERIFY(f.combo("txtAvail").isEmpty());
    QCOMPARE(f.w->focusWidget(), f.get("txtItemname"));
    QCOMPARE(f.text("txtItem"), QStringLiteral("43"));
}

void tst_Registration::quotedItemNameRegistersAndIsFound()
{
    Fixture f;
    f.registerItem(Item{"Jack's", "5", "Jack's best", "O'Neil", "3", "Available"});
    f.registerItem(kDrink);
    QCOMPARE(f.env.scalar("SELECT ItemBrand FROM tblStocks WHERE ItemName=?", {"Jack's"}), QStringLiteral("O'Neil"));
    f.click("cmdItem");
    QVERIFY(f.get<QWidget>("Picture2")->isVisible());
    QCOMPARE(f.get<QLabel>("Label21")->text(), QStringLiteral("2"));
    QTest::keyClicks(f.get("txtSearch2"), "'");
    QCOMPARE(f.get<QLabel>("Label21")->text(), QStringLiteral("1"));
    QCOMPARE(f.get<DataGrid>("DataGrid2")->model()->index(0, 1).data().toString(), QStringLiteral("Jack's"));
    // Wildcards are ordinary characters too.
    f.get("txtSearch2")->setText(QStringLiteral("%"));
    QCOMPARE(f.get<QLabel>("Label21")->text(), QStringLiteral("0"));
}

void tst_Registration::itemSearch()
{
    Fixture f;
    for (const char* name : {"Drink", "Tin Can", "Soap", "PINE nut"})
        f.registerItem(Item{name, "1", "d", "b", "1", "Available"});
    f.click("cmdItem");
    auto* count = f.get<QLabel>("Label21");
    auto* grid = f.get<DataGrid>("DataGrid2");
    QCOMPARE(count->text(), QStringLiteral("4"));
    QTest::keyClicks(f.get("txtSearch2"), "in");
    QCOMPARE(count->text(), QStringLiteral("3"));
    QStringList names;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        names << grid->model()->index(r, 1).data().toString();
    QCOMPARE(names, (QStringList{"Drink", "Tin Can", "PINE nut"}));
    f.get("txtSearch2")->clear();
    QCOMPARE(count->text(), QStringLiteral("4"));
    QCOMPARE(grid->model()->rowCount(), 4);
    f.click("lvButtons_H2");
    QVERIFY(!f.get<QWidget>("Picture2")->isVisible());
    QVERIFY(f.get("txtItemname")->isVisible());
}

void tst_Registration::descriptionLimit()
{
    Fixture f;
    auto* desc = f.get<QPlainTextEdit>("txtDesc");
    QTest::keyClicks(desc, QString(105, QLatin1Char('a')));
    QCOMPARE(desc->toPlainText(), QString(100, QLatin1Char('a')));
    // Typing in the middle of a full box changes nothing there.
    QTextCursor cursor = desc->textCursor();
    cursor.setPosition(10);
    desc->setTextCursor(cursor);
    QTest::keyClicks(desc, "XYZ");
    QCOMPARE(desc->toPlainText(), QString(100, QLatin1Char('a')));
    for (const char* box :
         {"txtLast", "txtFirst", "txtMid", "txtItemname", "txtPrice", "txtBrand", "txtStocks", "txtItem", "txtEmpId"})
        QCOMPARE(f.get(box)->maxLength(), 200);
    // A password is never cut short by its box: a longer one is refused on registering.
    QVERIFY(f.get("txtPass")->maxLength() > 200);
    QCOMPARE(f.get("txtPass")->echoMode(), QLineEdit::Password);
}

void tst_Registration::viewButtonsOnlyForAdministrators_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<bool>("visible");
    QTest::newRow("administrator") << "Administrator" << true;
    QTest::newRow("guest") << "Guest" << false;
    QTest::newRow("cashier") << "Cashier" << false;
    QTest::newRow("letter case") << "administrator" << false;
}

void tst_Registration::viewButtonsOnlyForAdministrators()
{
    QFETCH(QString, account);
    QFETCH(bool, visible);
    Fixture f(account);
    QCOMPARE(f.get<QPushButton>("cmdItem")->isVisible(), visible);
    QCOMPARE(f.get<QPushButton>("cmdClient")->isVisible(), visible);
    QVERIFY(!f.get<QWidget>("Picture1")->isVisible());
    QVERIFY(!f.get<QWidget>("Picture2")->isVisible());
    QVERIFY(f.get<QPushButton>("cmdItemReg")->isVisible());
    QVERIFY(f.get<QPushButton>("cmdClientReg")->isVisible());
    QCOMPARE(f.get("txtClientReg")->text(), DateText());
    QVERIFY(!f.get("txtClientReg")->isVisible());
}

void tst_Registration::employeeChecks_data()
{
    QTest::addColumn<QStringList>("names"); // last, first, middle, password
    QTest::addColumn<int>("gender");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("focus");
    QTest::newRow("last") << QStringList{"", "Ann", "", "pw"} << 0 << 0 << "Input Last Name"
                          << "txtLast";
    QTest::newRow("first") << QStringList{"Cruz", "", "", "pw"} << 0 << 0 << "Input First Name"
                           << "txtFirst";
    QTest::newRow("gender") << QStringList{"Cruz", "Ann", "", "pw"} << -1 << 0 << "Select Gender"
                            << "txtGen";
    QTest::newRow("position") << QStringList{"Cruz", "Ann", "", "pw"} << 1 << -1 << "Select Employee Position"
                              << "txtPos";
    QTest::newRow("password") << QStringList{"Cruz", "Ann", "B", ""} << 1 << 2 << "Input Password"
                              << "txtPass";
    QTest::newRow("password too long")
        << QStringList{"Cruz", "Ann", "B", QString(201, u'p')} << 1 << 2
        << "The Password holds 201 characters; a password may hold 200 at most. Nothing was stored."
        << "txtPass";
}

void tst_Registration::employeeChecks()
{
    QFETCH(QStringList, names);
    QFETCH(int, gender);
    QFETCH(int, position);
    QFETCH(QString, prompt);
    QFETCH(QString, focus);
    Fixture f;
    f.fillEmployee(names[0], names[1], names[2], gender, position, names[3]);
    f.env.answer(QMessageBox::Yes);
    f.click("cmdClientReg");
    QCOMPARE(f.status(), prompt);
    QCOMPARE(f.w->focusWidget()->objectName(), focus);
    QVERIFY(f.env.messages.isEmpty());
    QCOMPARE(f.env.count("tblEmp"), 0);
}

void tst_Registration::employeeWithoutMiddleName()
{
    Fixture f;
    f.fillEmployee("Cruz", "Ann", "", 1, 1, "secret");
    f.env.answer(QMessageBox::Yes);
    f.click("cmdClientReg");
    QCOMPARE(f.env.messages.size(), 2);
    const MessageRecord verify = f.env.messages.at(0);
    QCOMPARE(verify.title, QStringLiteral("Verify"));
    QCOMPARE(verify.icon, QMessageBox::Information);
    QCOMPARE(verify.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(verify.text, QStringLiteral("Is this entry Correct?\r\n\r\nDETAILS\r\nName: Ann  Cruz\r\nID: 1\r\n"
                                         "Gender: Female\r\nPosition: Cashier"));
    QCOMPARE(f.env.messages.at(1).text, QStringLiteral("Client has been registered successfully!"));
    QCOMPARE(f.env.messages.at(1).title, QStringLiteral("Registered!"));

    const Recordset row = f.env.db.query("SELECT * FROM tblEmp");
    QCOMPARE(row.rowCount(), 1);
    QCOMPARE(row.rows().first(), (QVector<QVariant>{"1", "Ann  Cruz", "Female", "Cashier", "secret", DateText()}));
    QCOMPARE(f.env.scalar("SELECT RE FROM tblNot"), QStringLiteral("New Client Registration"));
    QCOMPARE(f.env.scalar("SELECT Notification FROM tblNot"),
             QStringLiteral("Admin registered a new employee using frontdesk's domain!\r\n\r\nDETAILS:\r\n"
                            "ID: 1\r\nName: Ann  Cruz"));
}

void tst_Registration::employeeCounterAndKeptPassword()
{
    Fixture f(QStringLiteral("Guest"), {}, {"7"});
    QCOMPARE(f.text("txtEmpId"), QStringLiteral("8"));
    f.fillEmployee("Cruz", "Ann", "B", 1, 1, "secret");
    f.env.answer(QMessageBox::Yes);
    f.click("cmdClientReg");
    QCOMPARE(f.env.scalar("SELECT ClientID FROM tblMain"), QStringLiteral("8"));
    QCOMPARE(f.text("txtEmpId"), QStringLiteral("9"));
    QCOMPARE(f.status(), QStringLiteral("Client Registered!"));
    QCOMPARE(f.w->focusWidget(), f.get("txtLast"));
    for (const char* box : {"txtLast", "txtFirst", "txtMid"})
        QVERIFY2(f.text(box).isEmpty(), box);
    QVERIFY(f.combo("txtGen").isEmpty());
    QVERIFY(f.combo("txtPos").isEmpty());
    QCOMPARE(f.text("txtPass"), QStringLiteral("secret"));

    // Same name again, password untouched: stored under the next number with the same password.
    f.fillEmployee("Cruz", "Ann", "B", 1, 1, QString());
    f.env.answer(QMessageBox::Yes);
    f.click("cmdClientReg");
    QCOMPARE(f.env.scalar("SELECT group_concat(EmployeeID || ':' || Password, ',') FROM tblEmp"),
             QStringLiteral("8:secret,9:secret"));
    QCOMPARE(f.env.scalar("SELECT ClientID FROM tblMain"), QStringLiteral("9"));
    QCOMPARE(f.env.count("tblNot"), 2);
}

void tst_Registration::genderAndPositionIgnoreTyping()
{
    Fixture f;
    for (const char* name : {"txtGen", "txtPos"}) {
        auto* box = f.get<QComboBox>(name);
        QTest::keyClicks(box, "Male Cashier");
        QVERIFY2(box->currentText().isEmpty(), name);
        box->setCurrentIndex(1);
        const QString picked = box->currentText();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, "S");
        QCOMPARE(box->currentText(), picked);
    }
    // Availability takes typing.
    QTest::keyClicks(f.get<QComboBox>("txtAvail")->lineEdit(), "Sold out");
    QCOMPARE(f.combo("txtAvail"), QStringLiteral("Sold out"));
}

void tst_Registration::registeredEmployeeCanSignIn()
{
    Fixture f;
    f.fillEmployee("Cruz", "Ann", "B", 1, 1, "O'Hara 1");
    f.env.answer(QMessageBox::Yes);
    f.click("cmdClientReg");
    // Sign in at the main window with the Client option, number and password.
    frmMain& main = f.env.main();
    main.findChild<QLineEdit*>("txtUsername")->setText(QStringLiteral("1"));
    main.findChild<QLineEdit*>("txtPassword")->setText(QStringLiteral("O'Hara 1"));
    main.findChild<QRadioButton*>("Option2")->setChecked(true);
    const qsizetype before = f.env.messages.size();
    main.SignIn();
    QCOMPARE(f.env.messages.size(), before); // no "Incorrect username/password"
    QCOMPARE(main.session().DisplayName(), QStringLiteral("Ann B Cruz"));
    QCOMPARE(main.session().AccountType(), QStringLiteral("Cashier"));
}

void tst_Registration::showUserPassword()
{
    Fixture f;
    f.fillEmployee("Cruz", "Ann", "", 1, 1, "first-pw");
    f.env.answer(QMessageBox::Yes);
    f.click("cmdClientReg");
    f.get("txtPass")->clear();
    f.fillEmployee("Reyes", "Ben", "", 0, 3, "second-pw");
    f.env.answer(QMessageBox::Yes);
    f.click("cmdClientReg");

    f.click("cmdClient");
    auto* grid = f.get<DataGrid>("DataGrid1");
    auto* text1 = f.get("Text1");
    auto* check = f.get<QCheckBox>("Check1");
    QVERIFY(f.get<QWidget>("Picture1")->isVisible());
    QCOMPARE(f.get<QLabel>("Label16")->text(), QStringLiteral("2"));
    const int password = f.env.db.query("SELECT * FROM tblEmp LIMIT 0").columns().indexOf("Password");
    QVERIFY(grid->isColumnHidden(password));
    QVERIFY(!text1->isVisible());

    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
    QVERIFY(check->isChecked());
    QVERIFY(text1->isVisible());
    QCOMPARE(text1->echoMode(), QLineEdit::Normal);
    QCOMPARE(text1->text(), QStringLiteral("first-pw"));
    const QRect second = grid->visualRect(grid->model()->index(1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(text1->text(), QStringLiteral("second-pw"));

    // A search that finds nobody leaves the box empty.
    QTest::keyClicks(f.get("txtSearch1"), "nobody");
    QCOMPARE(f.get<QLabel>("Label16")->text(), QStringLiteral("0"));
    QVERIFY(text1->text().isEmpty());
    f.get("txtSearch1")->clear();

    f.click("lvButtons_H4");
    QVERIFY(!check->isChecked());
    QVERIFY(!text1->isVisible());
    QCOMPARE(text1->echoMode(), QLineEdit::Password);
    QVERIFY(grid->isColumnHidden(password));
    f.click("lvButtons_H1");
    QVERIFY(!f.get<QWidget>("Picture1")->isVisible());
}

// An item registered with its maker's barcode keeps it under the number issued, and the list
// shows it; the same barcode on a second item is refused naming the first.
void tst_Registration::barcodeRegistered()
{
    Fixture f;
    f.registerItem(Item{"Milk", "1.25", "d", "b", "4", "Available", "036000291452"});
    QCOMPARE(f.env.scalar("SELECT ItemNumber || '=' || Barcode FROM tblBarcode"), QStringLiteral("1=0036000291452"));
    QVERIFY(f.env.messages.first().text.endsWith(QStringLiteral("Barcode: 036000291452")));
    QCOMPARE(f.text("txtBarcode"), QString());
    f.fillItem(Item{"Bread", "2", "d", "b", "4", "Available", "0036000291452"});
    f.click("cmdItemReg");
    QCOMPARE(f.status(), QStringLiteral("The barcode 0036000291452 is already on item 1 (Milk)."));
    QCOMPARE(f.env.count("tblStocks"), 1);
    f.click("cmdItem");
    auto* grid = f.get<DataGrid>("DataGrid2");
    const int column = grid->model()->columnCount() - 1;
    QCOMPARE(grid->model()->headerData(column, Qt::Horizontal).toString(), QStringLiteral("Barcodes"));
    QCOMPARE(grid->model()->index(0, column).data().toString(), QStringLiteral("0036000291452"));
    QVERIFY(!(grid->model()->flags(grid->model()->index(0, column)) & Qt::ItemIsEditable));
    grid->model()->sort(column); // a worked-out column keeps the list's order
    QCOMPARE(grid->horizontalHeader()->sortIndicatorSection(), -1);
    QCOMPARE(grid->model()->rowCount(), 1);

    // Labels for the items selected in the list, a click and a Ctrl+click.
    f.env.exec("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice) VALUES ('2', 'Salt', '0.80')");
    f.click("lvButtons_H3");
    const auto rowAt = [&](int row) { return grid->visualRect(grid->model()->index(row, 1)).center(); };
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowAt(0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowAt(1));
    QStringList listed;
    f.env.onModal([&](QDialog& d) {
        auto* list = d.findChild<QTableWidget*>(QStringLiteral("lstLabels"));
        for (int r = 0; list && r < list->rowCount(); ++r)
            listed << list->item(r, 0)->text() + u' ' + list->item(r, 3)->text();
        return int(QDialog::Rejected);
    });
    f.click("cmdLabels");
    QCOMPARE(listed, (QStringList{"1 0036000291452", "2 2"}));
}

void tst_Registration::listsEditAndDeleteInPlace()
{
    Fixture f;
    for (const char* name : {"Drink", "Soap", "Salt", "Rice"})
        f.registerItem(Item{name, "1", "d", "b", "1", "Available"});
    f.click("cmdItem");
    auto* grid = f.get<DataGrid>("DataGrid2");

    // Edit a price in its cell; Refresh saves the cell still being typed in.
    const QModelIndex price = grid->model()->index(1, 2);
    grid->setCurrentIndex(price);
    grid->edit(price);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(price));
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "7.25");
    f.click("lvButtons_H3");
    QCOMPARE(f.env.scalar("SELECT ItemPrice FROM tblStocks WHERE ItemName='Soap'"), QStringLiteral("7.25"));
    QCOMPARE(grid->model()->index(1, 2).data().toString(), QStringLiteral("7.25"));

    // DEL deletes the selected row only, at once, and the row after it becomes current; the last
    // row deleted leaves the one before it current.
    auto deleteAt = [&](int row) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row, 1)).center());
        QTest::keyClick(grid, Qt::Key_Delete);
        return grid->model()->index(grid->currentIndex().row(), 1).data().toString();
    };
    QCOMPARE(deleteAt(1), QStringLiteral("Salt"));
    QCOMPARE(f.env.scalar("SELECT group_concat(ItemName) FROM (SELECT ItemName FROM tblStocks ORDER BY rowid)"),
             QStringLiteral("Drink,Salt,Rice"));
    QCOMPARE(deleteAt(2), QStringLiteral("Salt"));
    QCOMPARE(deleteAt(0), QStringLiteral("Salt"));
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(f.env.scalar("SELECT group_concat(ItemName) FROM tblStocks"), QStringLiteral("Salt"));
    QCOMPARE(f.get<QLabel>("Label21")->text(), QStringLiteral("1"));
    QVERIFY(f.env.messages.size() == 8); // four confirmations, four successes: none for the edit or deletion
}

void tst_Registration::numberIssuedInsideTheWrite_data()
{
    QTest::addColumn<bool>("employee");
    QTest::newRow("item") << false;
    QTest::newRow("employee") << true;
}

// Another copy registers under the number this window shows: the row is stored under the next
// free number, and the status line and the next proposal say so.
void tst_Registration::numberIssuedInsideTheWrite()
{
    QFETCH(bool, employee);
    Fixture f(QStringLiteral("Administrator"), {"41"}, {"7"});
    QCOMPARE(f.text(employee ? "txtEmpId" : "txtItem"), employee ? QStringLiteral("8") : QStringLiteral("42"));
    Database other;
    QVERIFY(other.open(f.env.dbPath()));
    if (employee) {
        QCOMPARE(other.ExecuteSql("INSERT INTO tblEmp (EmployeeID, EmployeeName) VALUES ('8', 'Other Till')"), 1);
        QVERIFY(other.ExecuteSql("UPDATE tblMain SET ClientID = '8'") == 1);
        f.fillEmployee("Cruz", "Ann", "", 1, 1, "pw");
        f.env.answer(QMessageBox::Yes);
        f.click("cmdClientReg");
        QCOMPARE(f.env.scalar("SELECT group_concat(EmployeeID, ',') FROM tblEmp"), QStringLiteral("8,9"));
        QCOMPARE(f.env.scalar("SELECT ClientID FROM tblMain"), QStringLiteral("9"));
        QCOMPARE(f.status(), QStringLiteral("Client Registered under Employee ID 9!"));
        QVERIFY(f.env.scalar("SELECT Notification FROM tblNot").endsWith(QStringLiteral("ID: 9\r\nName: Ann  Cruz")));
        QCOMPARE(f.text("txtEmpId"), QStringLiteral("10"));
    } else {
        // A number given by hand in the list, ahead of the counter, is passed over too.
        QCOMPARE(
            other.ExecuteSql("INSERT INTO tblStocks (ItemNumber, ItemName) VALUES ('42', 'Other'), ('43', 'Hand')"), 2);
        QVERIFY(other.ExecuteSql("UPDATE tblMain SET ItemID = '42'") == 1);
        f.registerItem(kDrink);
        QCOMPARE(f.env.scalar("SELECT ItemNumber FROM tblStocks WHERE ItemName = 'Drink'"), QStringLiteral("44"));
        QCOMPARE(f.env.scalar("SELECT ItemID FROM tblMain"), QStringLiteral("44"));
        QCOMPARE(f.status(), QStringLiteral("Item has been Registered under Item Number 44"));
        QVERIFY(f.env.scalar("SELECT Notification FROM tblNot").contains(QStringLiteral("Item Number: 44\r\n")));
        QCOMPARE(f.text("txtItem"), QStringLiteral("45"));
    }
}

void tst_Registration::listEditsKeepTheRules_data()
{
    QTest::addColumn<bool>("employee");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal"); // empty: the edit is stored

    QTest::newRow("item number in use") << false << "ItemNumber"
                                        << "2"
                                        << "Item Number 2 is already used by another item.";
    QTest::newRow("item number free") << false << "ItemNumber"
                                      << "7" << QString();
    QTest::newRow("item number another item's barcode") << false << "ItemNumber"
                                                        << "4006381333931"
                                                        << "Item Number 4006381333931 is a barcode of item 2.";
    QTest::newRow("price word") << false << "ItemPrice"
                                << "abc"
                                << "The Price must be a number";
    QTest::newRow("price below 0") << false << "ItemPrice"
                                   << "-25"
                                   << "The Price must be a number";
    QTest::newRow("price too large") << false << "ItemPrice"
                                     << "1e308"
                                     << "The Price must be a number";
    QTest::newRow("price with separators") << false << "ItemPrice"
                                           << "1,500" << QString();
    QTest::newRow("price with a separator out of place") << false << "ItemPrice"
                                                         << "12,50"
                                                         << "The Price must be a number";
    QTest::newRow("stocks word") << false << "ItemStocks"
                                 << "many"
                                 << "The Stocks must be a number";
    QTest::newRow("stocks with separators") << false << "ItemStocks"
                                            << "1,500"
                                            << "The Stocks must be a number";
    QTest::newRow("empty item name") << false << "ItemName" << QString() << "The Item Name cannot be left empty.";
    QTest::newRow("item name") << false << "ItemName"
                               << "Tea" << QString();
    QTest::newRow("empty employee name") << true << "EmployeeName" << QString()
                                         << "The Employee Name cannot be left empty.";
    QTest::newRow("employee id in use") << true << "EmployeeID"
                                        << "2"
                                        << "Employee ID 2 is already used by another employee.";
    QTest::newRow("employee name") << true << "EmployeeName"
                                   << "Ann Cruz" << QString();
}

// An administrator's edit in a list passes the checks of registration: a refused one is said,
// nothing is written, and the cell shows the stored value again.
void tst_Registration::listEditsKeepTheRules()
{
    QFETCH(bool, employee);
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    Fixture f;
    f.registerItem(Item{"Drink", "25", "d", "b", "12", "Available", "96385074"});
    f.registerItem(Item{"Soap", "25", "d", "b", "12", "Available", "4006381333931"});
    for (const char* last : {"Cruz", "Reyes"}) {
        f.fillEmployee(last, "Ann", "", 1, 1, "pw");
        f.env.answer(QMessageBox::Yes);
        f.click("cmdClientReg");
    }
    const qsizetype messages = f.env.messages.size();
    f.click(employee ? "cmdClient" : "cmdItem");
    auto* grid = f.get<DataGrid>(employee ? "DataGrid1" : "DataGrid2");
    const QString table = employee ? QStringLiteral("tblEmp") : QStringLiteral("tblStocks");
    const int c = f.env.db.query(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(table)).columns().indexOf(column);
    QVERIFY(c >= 0);
    const QString select = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = 1").arg(column, table);
    const QString before = f.env.scalar(select);

    // Typed into the first row's cell and committed with Enter, as an administrator would.
    const QModelIndex cell = grid->model()->index(0, c);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(cell));
    QVERIFY(editor);
    editor->selectAll();
    if (typed.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        QTest::keyClicks(editor, typed);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!grid->indexWidget(cell)); // Enter writes the cell once the key is handled

    const QString stored = f.env.scalar(select);
    QCOMPARE(grid->model()->index(0, c).data().toString(), stored);
    if (refusal.isEmpty()) {
        QCOMPARE(stored, typed);
        QCOMPARE(f.env.messages.size(), messages);
        // An item's barcodes go with it to its new number.
        QCOMPARE(f.env.scalar("SELECT ItemNumber FROM tblBarcode WHERE Barcode = '96385074'"),
                 column == u"ItemNumber" ? typed : QStringLiteral("1"));
        return;
    }
    QCOMPARE(stored, before);
    QTRY_COMPARE(f.env.messages.size(), messages + 1); // said once the editor has closed
    QVERIFY2(f.env.lastMessage().text.startsWith(QStringLiteral("The change was not saved.\n\n") + refusal),
             qPrintable(f.env.lastMessage().text));
    QCOMPARE(f.env.lastMessage().icon, QMessageBox::Warning);
}

void tst_Registration::refusedWriteChangesNothing_data()
{
    QTest::addColumn<bool>("employee");
    QTest::newRow("item") << false;
    QTest::newRow("employee") << true;
}

void tst_Registration::refusedWriteChangesNothing()
{
    QFETCH(bool, employee);
    Fixture f(QStringLiteral("Administrator"), {"41"}, {"7"});
    QVERIFY(f.env.db.executeScript("PRAGMA query_only=ON"));
    if (employee) {
        f.fillEmployee("Cruz", "Ann", "", 1, 1, "pw");
        f.env.answer(QMessageBox::Yes);
        f.click("cmdClientReg");
    } else {
        f.registerItem(kDrink);
    }
    QCOMPARE(f.env.messages.size(), 2);
    const MessageRecord failed = f.env.messages.at(1);
    QCOMPARE(failed.icon, QMessageBox::Warning);
    QCOMPARE(failed.title, QStringLiteral("Pemvix"));
    // The shop's words first; the engine's own text only in the details.
    QCOMPARE(failed.text, employee ? QStringLiteral("The employee was not registered.")
                                   : QStringLiteral("The new item was not registered."));
    QVERIFY2(failed.details.contains(QStringLiteral("readonly")), qPrintable(failed.details));
    QVERIFY(f.status().isEmpty());

    QVERIFY(f.env.db.executeScript("PRAGMA query_only=OFF"));
    QCOMPARE(f.env.count("tblStocks") + f.env.count("tblEmp"), 0);
    QCOMPARE(f.env.count("tblNot"), 0);
    QCOMPARE(f.env.scalar("SELECT ItemID || '/' || ClientID FROM tblMain"), QStringLiteral("41/7"));
    // Nothing typed is lost, and the proposed numbers stay.
    QCOMPARE(f.text(employee ? "txtLast" : "txtItemname"), employee ? QStringLiteral("Cruz") : QStringLiteral("Drink"));
    QCOMPARE(f.text("txtItem"), QStringLiteral("42"));
    QCOMPARE(f.text("txtEmpId"), QStringLiteral("8"));
}

void tst_Registration::screenshots()
{
    // Pictures of the window and its panels for a person to look at, when asked for.
    const QString dir = qEnvironmentVariable("PEMVIX_SHOT_DIR");
    if (dir.isEmpty())
        QSKIP("PEMVIX_SHOT_DIR not set");
    Fixture f;
    for (const char* name : {"Drink", "Tin Can", "Jack's"})
        f.registerItem(Item{name, "25", "A description of the item", "Brand", "12", "Available"});
    f.fillEmployee("Cruz", "Ann", "Bautista", 1, 1, "pw1");
    f.env.answer(QMessageBox::Yes);
    f.click("cmdClientReg");
    f.fillItem(Item{"Soap", "10", "Bar soap, lavender", "Lux", "", "Reserved"});
    f.fillEmployee("Reyes", "Ben", "", 0, 3, "");
    f.click("cmdItemReg");
    QVERIFY(f.w->grab().save(QDir(dir).filePath("frmReg.png")));
    f.click("cmdClient");
    f.get<QCheckBox>("Check1")->setChecked(true);
    QVERIFY(f.w->grab().save(QDir(dir).filePath("frmReg_employees.png")));
    f.click("lvButtons_H1");
    f.click("cmdItem");
    QVERIFY(f.w->grab().save(QDir(dir).filePath("frmReg_items.png")));
}

QTEST_MAIN(tst_Registration)
#include "tst_registration.moc"
