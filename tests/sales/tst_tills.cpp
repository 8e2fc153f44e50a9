#include "ServerDoor.h"
#include "TestEnv.h"
#include "WidgetProbe.h"

#include "admin/frmSetting.h"
#include "data/Backup.h"
#include "data/TextForms.h"
#include "platform/DataGrid.h"
#include "sales/Cart.h"
#include "sales/frmPOS.h"
#include "sales/frmTotal.h"
#include "session/SessionState.h"
#include "session/frmMain.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTest>

#include <map>
#include <memory>

// Two tills on one database file: each running copy of the program sells into its own cart.
namespace {

void addThroughWindow(frmPOS& pos, const QString& number, const QString& quantity)
{
    auto* item = child<QLineEdit>(pos, "txtItem");
    auto* quan = child<QLineEdit>(pos, "txtQuan");
    item->clear();
    quan->clear();
    QTest::keyClicks(quan, quantity);
    QTest::keyClicks(item, number);
    QTest::keyClick(item, Qt::Key_Return); // as a scanner ends a number
}

void stockShelf(TestEnv& env)
{
    const char* const items[][3] = {{"1001", "Cola", "25"}, {"1002", "Tea", "10"}, {"1003", "Bread", "38"}};
    for (const auto& item : items) {
        env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, ItemStocks, "
                                "ItemBrand, ItemAvailability) VALUES (?, ?, ?, 'desc', 50, 'brand', 'Available')"),
                 {QString::fromLatin1(item[0]), QString::fromLatin1(item[1]), QString::fromLatin1(item[2])});
    }
}

QString stockOf(TestEnv& env, const char* number)
{
    return env.scalar(QStringLiteral("SELECT ItemStocks FROM tblStocks WHERE ItemNumber = ?"),
                      {QString::fromLatin1(number)});
}

// A second running copy: its own connection to the same file, its own platform and main
// window, and its own till number. Questions are answered Yes.
struct SecondTill
{
    Database db;
    Platform platform;
    AppContext ctx{db, platform};
    std::unique_ptr<frmMain> main;
    std::unique_ptr<frmPOS> pos;
    QStringList messages;

    SecondTill(const TestEnv& shop, int till, const QString& cashier)
    {
        if (!shop.openAnother(db))
            qFatal("second till: %s", qPrintable(db.lastError()));
        ctx.till = QString::number(till);
        platform.setMessageHook([this](const MessageRecord& m) {
            messages << m.text;
            return m.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
        });
        main = std::make_unique<frmMain>(ctx);
        main->session().setDisplayName(cashier);
        main->session().setAccountType(QStringLiteral("Cashier"));
        reopen();
    }
    void reopen()
    {
        pos.reset();
        pos = std::make_unique<frmPOS>(ctx);
        pos->show();
    }
};

struct Shop
{
    TestEnv env;
    std::unique_ptr<frmPOS> pos; // till 1
    std::unique_ptr<SecondTill> two;

    Shop()
    {
        stockShelf(env);
        env.setSession(QStringLiteral("Ann One"), QStringLiteral("Cashier"));
        reopen();
        two = std::make_unique<SecondTill>(env, 2, QStringLiteral("Ben Two"));
    }
    void reopen()
    {
        pos.reset();
        pos = std::make_unique<frmPOS>(env.ctx);
        pos->show();
    }
};

// Pays the payment window with the cash typed in, Submit, Finish.
int payWith(QDialog& dialog, const QString& cash)
{
    QTest::keyClicks(child<QLineEdit>(dialog, "tAmt"), cash);
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOrder"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
    return dialog.result();
}

// Presses Process on a till whose platform answers modal windows with `pay`, and returns the
// amount the payment window showed.
QString processAndPay(frmPOS& pos, Platform& platform, const QString& cash)
{
    QString due;
    platform.setModalHook([&](QDialog& dialog) {
        due = shownText(dialog, "lblAmt");
        return payWith(dialog, cash);
    });
    QTest::mouseClick(child<QPushButton>(pos, "cmdOrder"), Qt::LeftButton);
    platform.setModalHook({});
    return due;
}

// Turns the test's file into one made before tills: tblPos without the till columns, a cart
// open under sale 8 (its sold line and its stock taken off), and closes it.
void makeOldFile(TestEnv& env)
{
    stockShelf(env);
    env.exec(QStringLiteral("UPDATE tblMain SET TransactionID = '7'"));
    env.exec(QStringLiteral("DROP TABLE tblPos"));
    env.exec(QStringLiteral("CREATE TABLE tblPos (ItemNumber TEXT COLLATE NOCASE, ItemName TEXT COLLATE NOCASE, "
                            "itemQuantity TEXT COLLATE NOCASE, itemAmount NUMERIC, ItemPrice TEXT COLLATE NOCASE, "
                            "Dated DATETIME)"));
    env.exec(QStringLiteral("INSERT INTO tblPos VALUES ('1001', 'Cola', '2', 50, '25', ?)"), {DateTimeText()});
    env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID, Dated, ItemName, ItemNumber, Quantity, Cashier) "
                            "VALUES ('8', ?, 'Cola', '1001', '2', 'Ann One')"),
             {DateText()});
    env.exec(QStringLiteral("UPDATE tblStocks SET ItemStocks = 48 WHERE ItemNumber = '1001'"));
    env.db.close();
}

} // namespace

class tst_tills : public QObject
{
    Q_OBJECT

private slots:
    void eachTillChargesItsOwnLines();
    void voidAndClearTouchOwnTillOnly();
    void saleNumbers_data();
    void saleNumbers();
    void oldFileKeepsItsCartAsTillOne();
    void restoredOldBackupIsUpgraded();
    void clearingHistoryWithAnOpenCart_data();
    void clearingHistoryWithAnOpenCart();
    void tillNumbersPerFile();
    void tillLockFiles_data();
    void tillLockFiles();
    void tillNamesOnServer_data();
    void tillNamesOnServer();
    void tillNameAfterReconnect_data();
    void tillNameAfterReconnect();
    void tillStartedWhileServerDown();
};

// The case that was wrong with one shared cart: till 2 adds Tea, till 1 adds Cola, and till 1's
// customer was charged for both.
void tst_tills::eachTillChargesItsOwnLines()
{
    Shop shop;
    addThroughWindow(*shop.two->pos, QStringLiteral("1002"), QStringLiteral("1"));
    addThroughWindow(*shop.pos, QStringLiteral("1001"), QStringLiteral("1"));
    shop.reopen(); // a till's view after a restart is its own cart only
    QCOMPARE(shownText(*shop.pos, "lblAmt"), QStringLiteral("25.00"));
    QCOMPARE(shownText(*shop.pos, "Label6"), QStringLiteral("1 ITEM(S)"));
    QCOMPARE(child<DataGrid>(*shop.pos, "DataGrid1")->model()->rowCount(), 1);
    QCOMPARE(shownText(*shop.two->pos, "lblAmt"), QStringLiteral("10.00"));

    QCOMPARE(processAndPay(*shop.pos, shop.env.platform, QStringLiteral("30")), QStringLiteral("25.00"));
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT AmountDue FROM tblSales")), QStringLiteral("25.00"));
    // Till 2's sale is still open, with its line and its stock taken off.
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT group_concat(ItemNumber) FROM tblPos")), QStringLiteral("1002"));
    QCOMPARE(stockOf(shop.env, "1002"), QStringLiteral("49"));
    shop.two->reopen();
    QCOMPARE(shownText(*shop.two->pos, "lblAmt"), QStringLiteral("10.00"));
    QCOMPARE(processAndPay(*shop.two->pos, shop.two->platform, QStringLiteral("10")), QStringLiteral("10.00"));
    QCOMPARE(shop.env.count(QStringLiteral("tblPos")), 0);
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT group_concat(AmountDue, ' ') FROM tblSales")),
             QStringLiteral("25.00 10.00"));
    // Each sold line carries its own sale's number and cashier; the counter is the highest.
    QCOMPARE(shop.env.scalar(
                 QStringLiteral("SELECT group_concat(TransactionID || ':' || ItemNumber || ':' || Cashier, ' ') FROM "
                                "(SELECT * FROM tblSold ORDER BY rowid)")),
             QStringLiteral("1:1002:Ben Two 2:1001:Ann One"));
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), QStringLiteral("2"));
}

void tst_tills::voidAndClearTouchOwnTillOnly()
{
    Shop shop;
    addThroughWindow(*shop.pos, QStringLiteral("1001"), QStringLiteral("2"));
    addThroughWindow(*shop.two->pos, QStringLiteral("1001"), QStringLiteral("3")); // same item at both tills
    addThroughWindow(*shop.two->pos, QStringLiteral("1003"), QStringLiteral("1"));
    QCOMPARE(stockOf(shop.env, "1001"), QStringLiteral("45"));

    // Till 1 voids its Cola: only its 2 come back, only its sold line goes.
    auto* grid = child<DataGrid>(*shop.pos, "DataGrid1");
    QCOMPARE(grid->model()->rowCount(), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
    shop.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*shop.pos, "cmdAccept"), Qt::LeftButton);
    QCOMPARE(stockOf(shop.env, "1001"), QStringLiteral("47"));
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT count(*) FROM tblSold WHERE ItemNumber = '1001'")),
             QStringLiteral("1"));

    // Till 1 clears its (now empty) cart, then adds and clears again: till 2 keeps everything.
    addThroughWindow(*shop.pos, QStringLiteral("1003"), QStringLiteral("4"));
    shop.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*shop.pos, "lvButtons_H2"), Qt::LeftButton);
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT group_concat(Till || ':' || ItemNumber || ':' || itemQuantity) "
                                            "FROM (SELECT * FROM tblPos ORDER BY rowid)")),
             QStringLiteral("2:1001:3,2:1003:1"));
    QCOMPARE(stockOf(shop.env, "1001"), QStringLiteral("47"));
    QCOMPARE(stockOf(shop.env, "1003"), QStringLiteral("49"));
    QCOMPARE(shop.env.count(QStringLiteral("tblSold")), 2);

    // Till 2 clears: everything is back, nothing of either till is left.
    QTest::mouseClick(child<QPushButton>(*shop.two->pos, "lvButtons_H2"), Qt::LeftButton);
    QCOMPARE(stockOf(shop.env, "1001"), QStringLiteral("50"));
    QCOMPARE(stockOf(shop.env, "1003"), QStringLiteral("50"));
    QCOMPARE(shop.env.count(QStringLiteral("tblPos")), 0);
    QCOMPARE(shop.env.count(QStringLiteral("tblSold")), 0);
}

// Steps: "<till><op>" with op a (add a line), c (clear), p (pay); after each step, the sale
// number each till's window shows.
void tst_tills::saleNumbers_data()
{
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("shownAfter"); // "till1/till2" after each step
    QTest::addColumn<QString>("finalCounter");

    QTest::newRow("one till: counter + 1, again after a clear")
        << "41" << QStringList{"1a", "1c", "1a", "1p", "1a"} << QStringList{"42/43", "42/42", "42/43", "43/43", "43/44"}
        << "42";
    QTest::newRow("two open sales never share a number")
        << "41" << QStringList{"1a", "2a", "1a", "2p", "1p"} << QStringList{"42/43", "42/43", "42/43", "42/44", "44/44"}
        << "43";
    QTest::newRow("a cleared number is not reissued while a later one is open")
        << "0" << QStringList{"1a", "2a", "1c", "1a", "2p", "1p"}
        << QStringList{"1/2", "1/2", "3/2", "3/2", "3/4", "4/4"} << "3";
    QTest::newRow("an empty counter counts as 0") << "" << QStringList{"2a", "1a"} << QStringList{"2/1", "2/1"} << "";
}

void tst_tills::saleNumbers()
{
    QFETCH(QString, counter);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, shownAfter);
    QFETCH(QString, finalCounter);
    Shop shop;
    shop.env.exec(QStringLiteral("UPDATE tblMain SET TransactionID = ?"), {counter});
    shop.reopen();
    shop.two->reopen();
    for (int i = 0; i < steps.size(); ++i) {
        const bool first = steps.at(i).startsWith(u'1');
        frmPOS& pos = first ? *shop.pos : *shop.two->pos;
        Platform& platform = first ? shop.env.platform : shop.two->platform;
        switch (steps.at(i).at(1).toLatin1()) {
        case 'a': {
            const int lines = child<DataGrid>(pos, "DataGrid1")->model()->rowCount();
            addThroughWindow(pos, QString::number(1001 + lines), QStringLiteral("1"));
            break;
        }
        case 'c':
            if (first)
                shop.env.answer(QMessageBox::Yes); // till 2's own platform says Yes
            QTest::mouseClick(child<QPushButton>(pos, "lvButtons_H2"), Qt::LeftButton);
            break;
        case 'p':
            processAndPay(pos, platform, QStringLiteral("1000"));
            break;
        }
        // A window that closed itself (clear, payment) is opened afresh, as the program does.
        if (steps.at(i).at(1) != u'a')
            first ? shop.reopen() : shop.two->reopen();
        // The other till's window reads its number when it next writes or opens.
        shop.reopen();
        shop.two->reopen();
        QCOMPARE(shownText(*shop.pos, "TID") + u'/' + shownText(*shop.two->pos, "TID"), shownAfter.at(i));
    }
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), finalCounter);
    // No two sales' lines share a number: each number's lines were rung up by one cashier.
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT count(*) FROM (SELECT TransactionID FROM tblSold GROUP BY "
                                            "TransactionID HAVING count(DISTINCT Cashier) > 1)")),
             QStringLiteral("0"));
}

void tst_tills::oldFileKeepsItsCartAsTillOne()
{
    if (TestEnv::onServer())
        QSKIP("upgrades a file made by an earlier version; a server starts with the current tables");
    TestEnv env;
    makeOldFile(env);

    QVERIFY2(env.db.open(env.dbPath()), qPrintable(env.db.lastError()));
    // The old columns keep their order; the new ones come after them.
    QStringList columns;
    const Recordset info = env.db.query(QStringLiteral("PRAGMA table_info(tblPos)"));
    for (const auto& row : info.rows())
        columns << row.at(1).toString();
    QCOMPARE(columns.join(u','),
             QStringLiteral("ItemNumber,ItemName,itemQuantity,itemAmount,ItemPrice,Dated,Till,SaleNumber"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT Till || '/' || SaleNumber FROM tblPos")), QStringLiteral("1/8"));
    env.db.close();
    QVERIFY(env.db.open(env.dbPath())); // opening again changes nothing
    QCOMPARE(env.count(QStringLiteral("tblPos")), 1);

    env.setSession(QStringLiteral("Ann One"), QStringLiteral("Cashier"));
    frmPOS pos(env.ctx);
    QCOMPARE(shownText(pos, "lblAmt"), QStringLiteral("50.00"));
    QCOMPARE(shownText(pos, "TID"), QStringLiteral("8"));
    SecondTill two(env, 2, QStringLiteral("Ben Two"));
    QCOMPARE(shownText(*two.pos, "lblAmt"), QStringLiteral("0.00"));
    QCOMPARE(shownText(*two.pos, "TID"), QStringLiteral("9"));
    // Clearing the old cart gives its stock back and removes its sold line.
    env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(pos, "lvButtons_H2"), Qt::LeftButton);
    QCOMPARE(stockOf(env, "1001"), QStringLiteral("50"));
    QCOMPARE(env.count(QStringLiteral("tblSold")), 0);
}

// A backup made by an earlier version, restored into the running program.
void tst_tills::restoredOldBackupIsUpgraded()
{
    if (TestEnv::onServer())
        QSKIP("restores a backup file; a server's database is restored on the server");
    TestEnv old;
    makeOldFile(old);
    TestEnv env;
    QString error;
    QVERIFY2(restoreDatabase(env.db, old.dbPath(), &error), qPrintable(error));
    QCOMPARE(env.scalar(QStringLiteral("SELECT Till || '/' || SaleNumber || '/' || ItemNumber FROM tblPos")),
             QStringLiteral("1/8/1001"));
    env.setSession(QStringLiteral("Ann One"), QStringLiteral("Cashier"));
    frmPOS pos(env.ctx);
    QCOMPARE(shownText(pos, "lblAmt"), QStringLiteral("50.00"));
    QCOMPARE(shownText(pos, "TID"), QStringLiteral("8"));
}

// An administrator empties a history table while till 2 has a sale open.
void tst_tills::clearingHistoryWithAnOpenCart_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("table");
    QTest::newRow("Clear Transaction Database") << "lvButtons_H14"
                                                << "tblSold";
    QTest::newRow("Clear Sales Database") << "lvButtons_H17"
                                          << "tblSales";
}

void tst_tills::clearingHistoryWithAnOpenCart()
{
    QFETCH(QString, button);
    QFETCH(QString, table);
    Shop shop;
    // An earlier, completed sale at till 1, then an open one at till 2.
    addThroughWindow(*shop.pos, QStringLiteral("1003"), QStringLiteral("1"));
    processAndPay(*shop.pos, shop.env.platform, QStringLiteral("40"));
    addThroughWindow(*shop.two->pos, QStringLiteral("1001"), QStringLiteral("2"));
    addThroughWindow(*shop.two->pos, QStringLiteral("1002"), QStringLiteral("1"));

    shop.env.setSession(QStringLiteral("Boss"), QStringLiteral("Administrator"));
    frmSetting settings(shop.env.ctx);
    shop.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(settings, button.toLatin1().constData()), Qt::LeftButton);

    // The history of completed sales is gone; till 2's open sale is whole.
    QCOMPARE(shop.env.count(table), table == QLatin1String("tblSold") ? 2 : 0);
    shop.two->reopen();
    QCOMPARE(shownText(*shop.two->pos, "lblAmt"), QStringLiteral("60.00"));
    QCOMPARE(shownText(*shop.two->pos, "TID"), QStringLiteral("2"));
    QCOMPARE(stockOf(shop.env, "1001"), QStringLiteral("48"));
    QCOMPARE(processAndPay(*shop.two->pos, shop.two->platform, QStringLiteral("60")), QStringLiteral("60.00"));
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT group_concat(ItemNumber || 'x' || Quantity) FROM tblSold WHERE "
                                            "TransactionID = '2'")),
             QStringLiteral("1001x2,1002x1"));
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT AmountDue FROM tblSales ORDER BY rowid DESC LIMIT 1")),
             QStringLiteral("60.00"));
    QCOMPARE(shop.env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), QStringLiteral("2"));
    shop.reopen();
    QCOMPARE(shownText(*shop.pos, "TID"), QStringLiteral("3"));
}

void tst_tills::tillNumbersPerFile()
{
    QTemporaryDir dir;
    const QString shop = dir.filePath(QStringLiteral("dbZarel.mdb"));
    const QString other = dir.filePath(QStringLiteral("other.mdb")); // another shop's file beside it
    auto first = std::make_unique<Platform>();
    auto second = std::make_unique<Platform>();
    Platform third, elsewhere;
    QCOMPARE(first->claimTill(shop), 1);
    QCOMPARE(first->claimTill(shop), 1); // asked again: the same till
    QCOMPARE(second->claimTill(shop), 2);
    QCOMPARE(third.claimTill(shop), 3);
    QCOMPARE(elsewhere.claimTill(other), 1);
    second.reset(); // till 2 closes: its number is free for the next copy
    Platform next;
    QCOMPARE(next.claimTill(shop), 2);
    first.reset();
    Platform last;
    QCOMPARE(last.claimTill(shop), 1);
}

// A till number's lock file is taken over whenever no running copy holds it, whatever it holds
// (a power cut leaves it empty or half written; a later process may have the number it names);
// with every number held, a copy gets none rather than another copy's till.
void tst_tills::tillLockFiles_data()
{
    QTest::addColumn<QByteArray>("leftover"); // what till 1's unheld lock file holds ("-": no file)
    QTest::addColumn<QList<int>>("held");     // numbers running copies hold (of 1 to 3)
    QTest::addColumn<int>("expected");
    const QByteArray living = QByteArray::number(QCoreApplication::applicationPid()) + "\n" +
                              QCoreApplication::applicationName().toUtf8() + "\n" +
                              QSysInfo::machineHostName().toUtf8() + "\n";
    QTest::newRow("empty (a power cut)") << QByteArray() << QList<int>{} << 1;
    QTest::newRow("garbage") << QByteArray("\x01\xfe garbage\n") << QList<int>{2} << 1;
    QTest::newRow("a living process's number") << living << QList<int>{} << 1;
    QTest::newRow("held by a running copy") << QByteArray("-") << QList<int>{1} << 2;
    QTest::newRow("the others held") << QByteArray("-") << QList<int>{2, 3} << 1;
    QTest::newRow("all held") << QByteArray("-") << QList<int>{1, 2, 3} << 0;
}

void tst_tills::tillLockFiles()
{
    QFETCH(QByteArray, leftover);
    QFETCH(QList<int>, held);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString shop = dir.filePath(QStringLiteral("dbZarel.mdb"));
    std::vector<std::unique_ptr<Platform>> running;
    for (int number = 1; number <= 3; ++number) {
        running.push_back(std::make_unique<Platform>());
        QCOMPARE(running.back()->claimTill(shop, 3), number);
    }
    // Copies end, from the last: the numbers not held are free again.
    for (int number = 3; number >= 1; --number) {
        if (!held.contains(number))
            running[number - 1].reset();
    }
    if (leftover != "-") {
        QFile lock(dir.filePath(QStringLiteral("dbZarel.mdb.till-1.lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.write(leftover);
    }
    Platform copy;
    QCOMPARE(copy.claimTill(shop, 3), expected);
    QCOMPARE(copy.till(), expected);
}

// Copies of the program on one server, each holding its till's name. Steps: "<copy>+<name>=<held>"
// has that copy (connecting first) ask for a name and checks the one it holds (empty: none);
// "<copy>-" ends that copy. At most "front 3" is taken.
void tst_tills::tillNamesOnServer_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("a held name: the lowest free number")
        << QStringList{"a+front=front", "b+front=front 2", "c+front=front 3", "d+front=", "b-", "d+front=front 2"};
    QTest::newRow("an ended copy's name is free again") << QStringList{"a+front=front", "a-", "b+front=front"};
    QTest::newRow("asking again keeps the name, another lets it go")
        << QStringList{"a+front=front", "a+front=front", "a+back=back", "b+front=front", "c+back=back 2"};
    // The server's carts tell names apart by letter case, and so do the names held.
    QTest::newRow("letter case and quotes") << QStringList{"a+front=front", "b+Front=Front", "c+Bo's=Bo's"};
}

void tst_tills::tillNamesOnServer()
{
    if (!TestEnv::onServer())
        QSKIP("till names are held on a server; the tills on a file are numbered");
    QFETCH(QStringList, steps);
    TestEnv env;
    std::map<QChar, std::unique_ptr<Database>> copies;
    for (const QString& step : steps) {
        std::unique_ptr<Database>& db = copies[step.at(0)];
        if (step.at(1) == u'-') {
            db.reset();
            continue;
        }
        if (!db) {
            db = std::make_unique<Database>();
            QVERIFY2(env.openAnother(*db), qPrintable(db->lastError()));
        }
        const QString held = db->claimTillName(step.mid(2).section(u'=', 0, 0), 3);
        QVERIFY2(held == step.section(u'=', 1), qPrintable(step + u' ' + held + u' ' + db->lastError()));
    }
}

// A copy whose connection was lost holds its till's name again once connected again; should
// another copy have taken it meanwhile, this copy writes nothing (and says why) until that copy
// has ended, so the two never sell into one cart.
void tst_tills::tillNameAfterReconnect_data()
{
    QTest::addColumn<bool>("takenMeanwhile");
    QTest::newRow("the name is held again") << false;
    QTest::newRow("another copy took it meanwhile") << true;
}

void tst_tills::tillNameAfterReconnect()
{
    if (!TestEnv::onServer())
        QSKIP("till names are held on a server; the tills on a file are numbered");
    QFETCH(bool, takenMeanwhile);
    TestEnv env;
    Database front, next;
    auto other = std::make_unique<Database>();
    QVERIFY(env.openAnother(front) && env.openAnother(*other) && env.openAnother(next));
    QCOMPARE(front.claimTillName(QStringLiteral("front")), QStringLiteral("front"));
    auto backend = [&] { return front.query(QStringLiteral("SELECT pg_backend_pid() AS pid")).Fields("pid"); };
    const QVariant lost = backend();
    QCOMPARE(env.db.query(QStringLiteral("SELECT pg_terminate_backend(?)"), {lost}).rowCount(), 1);
    if (takenMeanwhile) // as soon as the server has let go of it
        QCOMPARE(other->claimTillName(QStringLiteral("front")), QStringLiteral("front"));
    // The first statement finds the connection gone, the next connects again.
    QTRY_VERIFY([&] {
        const QVariant pid = backend();
        return pid.isValid() && pid != lost;
    }());

    const QString note = QStringLiteral("INSERT INTO tblNot (RE) VALUES ('front')");
    int stored = front.ExecuteSql(note);
    if (takenMeanwhile) {
        QCOMPARE(stored, -1);
        QVERIFY2(front.lastError().contains(QStringLiteral("took the till name \"front\"")),
                 qPrintable(front.lastError()));
        QVERIFY(!Transaction(front).isActive());
        QCOMPARE(env.count(QStringLiteral("tblNot")), 0);
        other.reset(); // that copy ends: the next write holds the name again
        QDeadlineTimer patience(5000);
        while ((stored = front.ExecuteSql(note)) != 1 && !patience.hasExpired())
            QTest::qWait(50);
    }
    QCOMPARE(stored, 1);
    QCOMPARE(env.count(QStringLiteral("tblNot")), 1);
    QCOMPARE(next.claimTillName(QStringLiteral("front")), QStringLiteral("front 2"));
}

// A till started while the server was down: signing in says the server cannot be reached (the
// typed text stays) rather than a wrong password, and once it is up the same sign-in works and
// the till holds its name.
void tst_tills::tillStartedWhileServerDown()
{
    if (!TestEnv::onServer())
        QSKIP("needs PEMVIX_TEST_SERVER");
    TestEnv env;
    ServerDoor door(env.scalar(QStringLiteral("SHOW port")).toInt());
    QVERIFY(!env.db.openServer(door.connection(env.connection())));
    QVERIFY(env.db.claimTillName(QStringLiteral("front")).isEmpty());
    frmMain& main = env.main();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto signIn = [&] {
        QTest::mouseClick(child<QRadioButton>(main, "Option1"), Qt::LeftButton);
        child<QLineEdit>(main, "txtUsername")->setText(TestEnv::adminUser());
        child<QLineEdit>(main, "txtPassword")->setText(TestEnv::adminPassword());
        QTest::mouseClick(child<QPushButton>(main, "cmdCancel"), Qt::LeftButton);
    };
    signIn();
    QCOMPARE(env.messages.size(), 1);
    QVERIFY2(env.lastMessage().text.contains(QStringLiteral("cannot be reached")), qPrintable(env.lastMessage().text));
    QCOMPARE(child<QLineEdit>(main, "txtPassword")->text(), TestEnv::adminPassword());
    QVERIFY(!main.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());

    door.open();
    signIn();
    QCOMPARE(env.messages.size(), 1);
    QVERIFY(main.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    QCOMPARE(env.count(QStringLiteral("tblLogs")), 1);
    Database other;
    QVERIFY(env.openAnother(other));
    QCOMPARE(other.claimTillName(QStringLiteral("front"), 2), QStringLiteral("front 2"));
}

QTEST_MAIN(tst_tills)
#include "tst_tills.moc"
