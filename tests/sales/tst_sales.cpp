#include "TestEnv.h"
#include "WidgetProbe.h"

#include "data/DataControl.h"
#include "data/TextForms.h"
#include "inventory/InventoryData.h"
#include "reports/SalesQueries.h"
#include "platform/DataGrid.h"
#include "sales/Cart.h"
#include "sales/frmPOS.h"
#include "sales/frmTotal.h"
#include "session/WindowFactory.h"
#include "session/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <limits>
#include <memory>

namespace {

struct ItemSpec
{
    QString number;
    QString name;
    QString price;
    int stocks;
    QString availability;
};

void addStockItem(TestEnv& env, const ItemSpec& item)
{
    env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, ItemStocks, "
                            "ItemBrand, ItemAvailability) VALUES (?, ?, ?, 'desc', ?, 'brand', ?)"),
             {item.number, item.name, item.price, item.stocks, item.availability});
}

// The standard shelf of the tests.
void stockShelf(TestEnv& env)
{
    addStockItem(env, {"1001", "Drink", "25", 120, "Available"});
    addStockItem(env, {"1002", "Tin Can", "45.50", 60, "Available"});
    addStockItem(env, {"1003", "Bread", "38", 3, "Available"});
    addStockItem(env, {"1004", "Coffee", "150", 0, "Out of Stock"});
    addStockItem(env, {"1005", "Gift Box", "999", 4, "Reserved"});
    addStockItem(env, {"1006", "Soap", "12", 5, "reserved"});
    addStockItem(env, {"1007", "Rice", "1250.5", 11, "Available"});
}

QString stocks(TestEnv& env, const QString& number)
{
    return env.scalar(QStringLiteral("SELECT ItemStocks FROM tblStocks WHERE ItemNumber = ?"), {number});
}

QString availability(TestEnv& env, const QString& number)
{
    return env.scalar(QStringLiteral("SELECT ItemAvailability FROM tblStocks WHERE ItemNumber = ?"), {number});
}

// Types an item number and a quantity and presses Add.
void addThroughWindow(frmPOS& pos, const QString& number, const QString& quantity)
{
    auto* item = child<QLineEdit>(pos, "txtItem");
    auto* quan = child<QLineEdit>(pos, "txtQuan");
    item->clear();
    quan->clear();
    QTest::keyClicks(item, number);
    QTest::keyClicks(quan, quantity);
    QTest::mouseClick(child<QPushButton>(pos, "cmdSearch"), Qt::LeftButton);
}

void clickLine(frmPOS& pos, int row)
{
    auto* grid = child<DataGrid>(pos, "DataGrid1");
    const QModelIndex index = grid->model()->index(row, 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

struct Session
{
    TestEnv env;
    std::unique_ptr<frmPOS> pos;

    explicit Session(const QString& type = QStringLiteral("Cashier"))
    {
        stockShelf(env);
        env.setSession(QStringLiteral("Maria Santos"), type);
        reopen();
    }
    void reopen()
    {
        pos.reset();
        pos = std::make_unique<frmPOS>(env.ctx);
        pos->show();
        QVERIFY(QTest::qWaitForWindowExposed(pos.get()));
    }
};

// Pays the open payment window: types the cash, Submit, then Finish.
int payWith(QDialog& dialog, const QString& cash)
{
    QTest::keyClicks(child<QLineEdit>(dialog, "tAmt"), cash);
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOrder"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
    return dialog.result();
}

// A cart line left by an older version of the program, with the amount it stored.
void addOldCartLine(TestEnv& env, const QString& number, const QVariant& amount)
{
    env.exec(QStringLiteral("INSERT INTO tblPos (ItemNumber, ItemName, itemQuantity, itemAmount, ItemPrice, Dated) "
                            "VALUES (?, 'Old line', '1', ?, '1', '2026-01-01 10:00:00')"),
             {number, amount});
}

// Every row of the tables a sale writes, to prove that a refusal wrote nothing.
QStringList saleTables(TestEnv& env)
{
    QStringList rows;
    for (const char* table : {"tblPos", "tblSold", "tblStocks", "tblSales", "tblMain", "tblNot"}) {
        const Recordset r = env.db.query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
        for (const auto& row : r.rows()) {
            QStringList values;
            for (const QVariant& v : row)
                values << v.toString();
            rows << QString::fromLatin1(table) + QLatin1Char(':') + values.join(QLatin1Char('|'));
        }
    }
    return rows;
}

// Puts the window in front with the keyboard focus, as a cashier sees it.
void activate(QWidget& window)
{
    window.activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == &window);
}

// Types like a barcode scanner: the keys a few milliseconds apart, then Enter, each going to
// whatever has the focus when it arrives.
void scan(const QString& code)
{
    for (const QChar c : code) {
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QTest::qWait(2);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

void press(Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key);
}

void type(const QString& keys)
{
    for (const QChar c : keys)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

QString cartLines(TestEnv& env)
{
    return env.scalar(QStringLiteral("SELECT group_concat(ItemNumber || 'x' || itemQuantity) FROM tblPos"));
}

// Runs `action` inside the real event loop of the modal window named `name` once that window
// is open and in front (and `ready` holds for it).
void whenOpen(const QString& name, std::function<void(QWidget&)> action, std::function<bool(QWidget&)> ready)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, name, action, ready] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->objectName() != name || !w->isVisible() || !ready(*w))
            return;
        poll->stop();
        poll->deleteLater();
        action(*w);
    });
    poll->start();
}

void whenOpen(const QString& name, std::function<void(QWidget&)> action)
{
    whenOpen(name, std::move(action), [](QWidget&) { return true; });
}

// Counts the mouse button events the whole application receives.
class MouseCounter : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            ++count;
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

class tst_sales : public QObject
{
    Q_OBJECT

private slots:
    void addChecks_data();
    void addChecks();
    void addWritesLine_data();
    void addWritesLine();
    void quantityEqualToStock();
    void duplicateLineAfterRemoval();
    void keyFilter_data();
    void keyFilter();
    void lookupFollowsFields();
    void namePicker();
    void totals_data();
    void totals();
    void addsShareSaleNumber();
    void remove_data();
    void remove();
    void removeNeedsSelection();
    void noToEveryQuestion();
    void windowKeysFromFields();
    void clearGivesStockBack();
    void cartSurvivesReopening();
    void reportGate_data();
    void reportGate();
    void inventoryHidesWindow();
    void submitGate_data();
    void submitGate();
    void enterBeforeAndAfterSubmit();
    void completedSale();
    void finishNeedsCoveringCash();
    void storedChangeFollowsStoredCash_data();
    void storedChangeFollowsStoredCash();
    void cancelWritesNothing();
    void failedWritesChangeNothing_data();
    void failedWritesChangeNothing();
    void stockFollowsItemNumber();
    void quotedNameSellsVoidsRestocks();
    void fullSaleFromSignIn();
    void reportWindowsReturnToTheTill_data();
    void reportWindowsReturnToTheTill();
    void scansAtScannerSpeed();
    void scanAfterClickOnCartLine();
    void enterOnEmptyItemBox();
    void paymentKeys();
    void fullSaleWithoutMouse();
    void windowsFitTheirText();
    void storedPrices_data();
    void storedPrices();
    void unchargeableAdds_data();
    void unchargeableAdds();
    void unpayableTotals_data();
    void unpayableTotals();
    void missingSettingsRow_data();
    void missingSettingsRow();
    void pricesAgreeThroughRealWindows();
};

void tst_sales::addChecks_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("focus");

    const int info = QMessageBox::Information;
    const QString exceeded =
        QStringLiteral("Item quantity exceeded the current stock!\r\nCheck the remaining item Stock");
    QTest::newRow("empty number, quantity 1") << ""
                                              << "1" << exceeded << "Exceeded!" << info << "txtItem";
    // A code that names no item, by number or barcode, is said as such, not as a stock problem.
    QTest::newRow("unknown number") << "999"
                                    << "1" << "No item has number or barcode 999" << "Item Number" << info << "txtItem";
    QTest::newRow("empty number, empty quantity") << ""
                                                  << ""
                                                  << "Input Item Number"
                                                  << "Item Number" << info << "txtItem";
    QTest::newRow("reserved, ample stock") << "1005"
                                           << "1"
                                           << "Cannot sell reserved item!"
                                           << "Message" << info << "txtItem";
    QTest::newRow("reserved before exceeded") << "1005"
                                              << "50"
                                              << "Cannot sell reserved item!"
                                              << "Message" << info << "txtItem";
    QTest::newRow("out of stock") << "1004"
                                  << "1"
                                  << "Item is out of Stock!"
                                  << "Message" << info << "txtItem";
    QTest::newRow("quantity above stock") << "1003"
                                          << "4" << exceeded << "Exceeded!" << info << "txtItem";
    QTest::newRow("empty quantity") << "1001"
                                    << ""
                                    << "Input Quantity"
                                    << "Pemvix" << info << "txtQuan";
    QTest::newRow("quantity 0") << "1001"
                                << "0"
                                << "Input Quantity"
                                << "Pemvix" << info << "txtQuan";
    QTest::newRow("quantity with slash") << "1001"
                                         << "1/2"
                                         << "Input Quantity"
                                         << "Pemvix" << info << "txtQuan";
}

void tst_sales::addChecks()
{
    QFETCH(QString, number);
    QFETCH(QString, quantity);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(int, icon);
    QFETCH(QString, focus);
    Session s;
    QApplication::setActiveWindow(s.pos.get());
    addThroughWindow(*s.pos, number, quantity);
    QCOMPARE(s.env.messages.size(), 1);
    QCOMPARE(s.env.lastMessage().text, message);
    QCOMPARE(s.env.lastMessage().title, title);
    QCOMPARE(static_cast<int>(s.env.lastMessage().icon), icon);
    QCOMPARE(s.pos->focusWidget()->objectName(), focus);
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 0);
    QCOMPARE(s.env.count(QStringLiteral("tblSold")), 0);
    QCOMPARE(stocks(s.env, QStringLiteral("1003")), QStringLiteral("3"));
}

void tst_sales::addWritesLine_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("itemAmount");
    QTest::addColumn<QString>("soldAmount");
    QTest::addColumn<QString>("stockAfter");
    QTest::addColumn<QString>("total");

    QTest::newRow("two drinks") << "1001"
                                << "2"
                                << "50"
                                << "50.00"
                                << "118"
                                << "50.00";
    QTest::newRow("fractional price") << "1002"
                                      << "3"
                                      << "136.5"
                                      << "136.50"
                                      << "57"
                                      << "136.50";
    QTest::newRow("grouped amount") << "1007"
                                    << "1"
                                    << "1250.5"
                                    << "1,250.50"
                                    << "10"
                                    << "1,250.50";
    QTest::newRow("lower-case reserved sells") << "1006"
                                               << "1"
                                               << "12"
                                               << "12.00"
                                               << "4"
                                               << "12.00";
}

void tst_sales::addWritesLine()
{
    QFETCH(QString, number);
    QFETCH(QString, quantity);
    QFETCH(QString, itemAmount);
    QFETCH(QString, soldAmount);
    QFETCH(QString, stockAfter);
    QFETCH(QString, total);
    Session s;
    const QString before = stocks(s.env, number);
    addThroughWindow(*s.pos, number, quantity);
    QVERIFY2(s.env.messages.isEmpty(), qPrintable(s.env.lastMessage().text));

    const Recordset pos = s.env.db.query(QStringLiteral("SELECT ItemNumber, itemQuantity, itemAmount, ItemPrice, Dated "
                                                        "FROM tblPos"));
    QCOMPARE(pos.rowCount(), 1);
    QCOMPARE(pos.rows()[0][0].toString(), number);
    QCOMPARE(pos.rows()[0][1].toString(), quantity);
    QCOMPARE(pos.rows()[0][2].toString(), itemAmount);
    QCOMPARE(pos.rows()[0][3].toString(),
             s.env.scalar(QStringLiteral("SELECT ItemPrice FROM tblStocks WHERE ItemNumber = ?"), {number}));
    QVERIFY(QDateTime::fromString(pos.rows()[0][4].toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());

    const Recordset sold = s.env.db.query(QStringLiteral("SELECT TransactionID, Dated, ItemNumber, Quantity, "
                                                         "PresentStock, Cashier, Amount FROM tblSold"));
    QCOMPARE(sold.rowCount(), 1);
    const QStringList expected{
        QStringLiteral("1"), DateText(), number, quantity, before, QStringLiteral("Maria Santos"), soldAmount};
    for (int c = 0; c < expected.size(); ++c)
        QCOMPARE(sold.rows()[0][c].toString(), expected[c]);

    QCOMPARE(stocks(s.env, number), stockAfter);
    QCOMPARE(availability(s.env, number), QStringLiteral("Available"));
    QCOMPARE(shownText(*s.pos, "txtItem"), QString());
    QCOMPARE(shownText(*s.pos, "txtQuan"), quantity);
    QCOMPARE(shownText(*s.pos, "lblAmt"), total);
    QCOMPARE(shownText(*s.pos, "Label6"), QStringLiteral("1 ITEM(S)"));
    QCOMPARE(s.env.count(QStringLiteral("tblNot")), 0);
}

void tst_sales::quantityEqualToStock()
{
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1003"), QStringLiteral("3"));
    QVERIFY(s.env.messages.isEmpty());
    QCOMPARE(stocks(s.env, QStringLiteral("1003")), QStringLiteral("0"));
    QCOMPARE(availability(s.env, QStringLiteral("1003")), QStringLiteral("Out of Stock"));
    QCOMPARE(s.env.count(QStringLiteral("tblNot")), 1);
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT RE FROM tblNot")), QStringLiteral("Item Out of Stock"));
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT Notification FROM tblNot")),
             QStringLiteral("DETAILS:\r\nItem Number: 1003\r\nItem Name: Bread\r\nPrice: 38\r\nQuantity: 3\r\n"
                            "Amount: 114.00"));
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT NoteDate FROM tblNot")), DateText());

    addThroughWindow(*s.pos, QStringLiteral("1003"), QStringLiteral("1"));
    QCOMPARE(s.env.lastMessage().text, QStringLiteral("Item is out of Stock!"));
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1);
    QCOMPARE(s.env.count(QStringLiteral("tblNot")), 1);
}

void tst_sales::duplicateLineAfterRemoval()
{
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("1"));
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("1"));
    QCOMPARE(s.env.lastMessage().text, QStringLiteral("Item listed already!"));
    QCOMPARE(s.env.lastMessage().title, QStringLiteral("Pemvix"));
    QCOMPARE(s.env.lastMessage().icon, QMessageBox::Warning);
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1);
    QCOMPARE(stocks(s.env, QStringLiteral("1001")), QStringLiteral("119"));

    clickLine(*s.pos, 0);
    s.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 0);
    s.env.messages.clear();
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("1"));
    QVERIFY(s.env.messages.isEmpty());
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1);
}

void tst_sales::keyFilter_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    for (const char* field : {"txtItem", "txtQuan"}) {
        QTest::addRow("%s digits and slash", field) << field << "12/3"
                                                    << "12/3";
        QTest::addRow("%s letters and point", field) << field << "1a.2-b+"
                                                     << "12";
        QTest::addRow("%s quote and space", field) << field << "4'5"
                                                   << "45";
    }
}

void tst_sales::keyFilter()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    Session s;
    auto* box = s.pos->findChild<QLineEdit*>(field);
    box->clear();
    QTest::keyClicks(box, typed);
    QCOMPARE(box->text(), kept);
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->text(), kept.chopped(1));
    QVERIFY(s.env.messages.isEmpty());
}

void tst_sales::lookupFollowsFields()
{
    Session s;
    auto* item = child<QLineEdit>(*s.pos, "txtItem");
    auto* quan = child<QLineEdit>(*s.pos, "txtQuan");
    QTest::keyClicks(item, QStringLiteral("1002"));
    QCOMPARE(shownText(*s.pos, "Titem"), QStringLiteral("Tin Can"));
    QCOMPARE(shownText(*s.pos, "Tavail"), QStringLiteral("Available"));
    QCOMPARE(shownText(*s.pos, "Tstock"), QStringLiteral("60"));
    QCOMPARE(shownText(*s.pos, "Tdesc"), QStringLiteral("desc"));
    QCOMPARE(shownText(*s.pos, "Tprice"), QStringLiteral("45.50"));
    QCOMPARE(shownText(*s.pos, "tAmt"), QStringLiteral("45.50"));
    quan->setText(QStringLiteral("30"));
    QCOMPARE(shownText(*s.pos, "tAmt"), QStringLiteral("1,365.00"));

    QTest::keyClick(item, Qt::Key_9);
    for (const char* name : {"Titem", "Tavail", "Tstock", "Tdesc", "Tprice", "tAmt"})
        QCOMPARE(shownText(*s.pos, name), QString());

    // Clicking the quantity empties it.
    QTest::mouseClick(quan, Qt::LeftButton);
    QCOMPARE(quan->text(), QString());

    // After an add and a removal the displays show the new stock of the looked-up item.
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("5"));
    QTest::keyClicks(item, QStringLiteral("1001"));
    QCOMPARE(shownText(*s.pos, "Tstock"), QStringLiteral("115"));
    clickLine(*s.pos, 0);
    QCOMPARE(item->text(), QStringLiteral("1001"));
    s.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);
    QTest::keyClicks(item, QStringLiteral("1001"));
    QCOMPARE(shownText(*s.pos, "Tstock"), QStringLiteral("120"));
}

void tst_sales::namePicker()
{
    Session s;
    auto* combo = child<QComboBox>(*s.pos, "Combo1");
    QStringList names;
    for (int i = 0; i < combo->count(); ++i)
        names << combo->itemText(i);
    QCOMPARE(names, (QStringList{"Bread", "Coffee", "Drink", "Gift Box", "Rice", "Soap", "Tin Can"}));
    QCOMPARE(combo->currentIndex(), -1);

    QApplication::setActiveWindow(s.pos.get());
    combo->setFocus();
    QTest::keyClicks(combo, QStringLiteral("ST"));
    QCOMPARE(combo->currentIndex(), -1); // typing picks nothing

    combo->setCurrentIndex(names.indexOf(QStringLiteral("Tin Can")));
    emit combo->activated(combo->currentIndex());
    QCOMPARE(shownText(*s.pos, "txtItem"), QStringLiteral("1002"));
    QCOMPARE(shownText(*s.pos, "Titem"), QStringLiteral("Tin Can"));
    QCOMPARE(s.pos->focusWidget()->objectName(), QStringLiteral("txtQuan"));

    // An item registered in the back office while the window is open is in the list the next
    // time the cashier reaches for it after a line was rung up.
    addStockItem(s.env, {"3002", "Apple", "5", 10, "Available"});
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("1"));
    QCOMPARE(combo->currentIndex(), -1);
    combo->setFocus();
    QCOMPARE(combo->itemText(0), QStringLiteral("Apple"));
    QCOMPARE(combo->count(), names.size() + 1);
}

void tst_sales::totals_data()
{
    QTest::addColumn<QVariantList>("amounts");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("count");
    QTest::newRow("empty cart") << QVariantList{} << "0.00"
                                << "0 ITEM(S)";
    QTest::newRow("1000 + 234.5") << QVariantList{1000, 234.5} << "1,234.50"
                                  << "2 ITEM(S)";
    QTest::newRow("tenths add exactly") << QVariantList{0.1, 0.2} << "0.30"
                                        << "2 ITEM(S)";
}

void tst_sales::totals()
{
    QFETCH(QVariantList, amounts);
    QFETCH(QString, shown);
    QFETCH(QString, count);
    TestEnv env;
    int n = 0;
    for (const QVariant& a : amounts)
        env.exec(QStringLiteral("INSERT INTO tblPos (ItemNumber, ItemName, itemQuantity, itemAmount, ItemPrice, Dated) "
                                "VALUES (?, 'x', '1', ?, '1', '2026-01-01 10:00:00')"),
                 {QString::number(++n), a});
    env.setSession(QStringLiteral("Maria"), QStringLiteral("Cashier"));
    frmPOS pos(env.ctx);
    QCOMPARE(shownText(pos, "lblAmt"), shown);
    QCOMPARE(shownText(pos, "Label6"), count);
}

void tst_sales::addsShareSaleNumber()
{
    Session s;
    s.env.exec(QStringLiteral("UPDATE tblMain SET TransactionID = '41'"));
    s.reopen();
    QCOMPARE(shownText(*s.pos, "TID"), QStringLiteral("42"));
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("1"));
    addThroughWindow(*s.pos, QStringLiteral("1002"), QStringLiteral("1"));
    const Recordset r = s.env.db.query(QStringLiteral("SELECT DISTINCT TransactionID FROM tblSold"));
    QCOMPARE(r.rowCount(), 1);
    QCOMPARE(r.rows()[0][0].toString(), QStringLiteral("42"));
    QCOMPARE(s.env.count(QStringLiteral("tblSold")), 2);
}

void tst_sales::remove_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("stockBefore");
    QTest::addColumn<QString>("stockAfter");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("3 on stock 0") << "1003"
                                  << "3"
                                  << "0"
                                  << "3" << QStringList{"Item Out of Stock", "Item Void", "Item Availabilty Returned"};
    QTest::newRow("1 on stock 10") << "1007"
                                   << "1"
                                   << "10"
                                   << "11" << QStringList{"Item Void", "Item Availabilty Returned"};
}

void tst_sales::remove()
{
    QFETCH(QString, number);
    QFETCH(QString, quantity);
    QFETCH(QString, stockBefore);
    QFETCH(QString, stockAfter);
    QFETCH(QStringList, titles);
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("1")); // another line stays
    addThroughWindow(*s.pos, number, quantity);
    QCOMPARE(stocks(s.env, number), stockBefore);
    clickLine(*s.pos, 1);
    s.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);

    const QString name = s.env.scalar(QStringLiteral("SELECT ItemName FROM tblStocks WHERE ItemNumber = ?"), {number});
    const MessageRecord question = s.env.lastMessage();
    QCOMPARE(question.text, QStringLiteral("      Remove %1?      \r\n\r\n      Quantity: %2\r\n      Item Number:%3")
                                .arg(name, quantity, number));
    QCOMPARE(question.title, QStringLiteral("Remove"));
    QCOMPARE(question.icon, QMessageBox::Question);

    QCOMPARE(stocks(s.env, number), stockAfter);
    QCOMPARE(availability(s.env, number), QStringLiteral("Available"));
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1);
    // The removed line's sold-item line goes with it; the other line's stays.
    QCOMPARE(s.env.count(QStringLiteral("tblSold")), 1);
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT ItemNumber FROM tblSold")), QStringLiteral("1001"));

    const Recordset notes = s.env.db.query(QStringLiteral("SELECT RE, Notification FROM tblNot ORDER BY rowid"));
    QStringList got;
    for (const auto& row : notes.rows())
        got << row[0].toString();
    QCOMPARE(got, titles);
    const QString price =
        s.env.scalar(QStringLiteral("SELECT ItemPrice FROM tblStocks WHERE ItemNumber = ?"), {number});
    const QString details =
        QStringLiteral("DETAILS:\r\nItem Number: %1\r\nItem Name: %2\r\nPrice: %3\r\nQuantity: %4\r\n"
                       "Amount: %5")
            .arg(number, name, price, quantity, lineAmountText(quantity, price));
    QCOMPARE(notes.rows()[titles.size() - 2][1].toString(),
             QStringLiteral("Maria Santos removed a purchased Item using frontdesk's domain!\r\n\r\n") + details);
    QCOMPARE(notes.rows()[titles.size() - 1][1].toString(), details);
    QCOMPARE(shownText(*s.pos, "txtItem"), QString());
    QCOMPARE(shownText(*s.pos, "Label6"), QStringLiteral("1 ITEM(S)"));
    QCOMPARE(shownText(*s.pos, "lblAmt"), QStringLiteral("25.00"));

    // The selection mark is gone: a second Remove asks for a selection.
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);
    QCOMPARE(s.env.lastMessage().text, QStringLiteral("Select item to remove."));
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1);
}

void tst_sales::removeNeedsSelection()
{
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("1"));
    s.reopen();
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);
    QCOMPARE(s.env.lastMessage().text, QStringLiteral("Select item to remove."));
    QCOMPARE(s.env.lastMessage().title, QStringLiteral("Select"));
    QCOMPARE(s.env.lastMessage().icon, QMessageBox::Information);
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1);

    // A click, then an add of another item: Remove asks about the first line and removes it.
    addThroughWindow(*s.pos, QStringLiteral("1002"), QStringLiteral("1"));
    clickLine(*s.pos, 1);
    addThroughWindow(*s.pos, QStringLiteral("1003"), QStringLiteral("1"));
    s.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);
    QVERIFY(s.env.lastMessage().text.contains(QStringLiteral("Remove Drink?")));
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT count(*) FROM tblPos WHERE ItemNumber = '1001'")),
             QStringLiteral("0"));
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 2);
}

void tst_sales::noToEveryQuestion()
{
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("2"));
    clickLine(*s.pos, 0);
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);
    QCOMPARE(s.env.lastMessage().title, QStringLiteral("Remove"));
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdCancel"), Qt::LeftButton);
    QCOMPARE(s.env.lastMessage().text, QStringLiteral("Close Sales Menu?"));
    QCOMPARE(s.env.lastMessage().title, QStringLiteral("Close"));
    QVERIFY(s.pos->isVisible());
    QTest::mouseClick(child<QPushButton>(*s.pos, "lvButtons_H2"), Qt::LeftButton);
    QCOMPARE(s.env.lastMessage().text, QStringLiteral("Clear Menu?"));
    QCOMPARE(s.env.lastMessage().title, QStringLiteral("Confirm"));
    // Clear answered No still reopens the window, with the cart unchanged.
    QCOMPARE(s.pos->result(), FormDialog::Reopen);
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1);
    QCOMPARE(s.env.count(QStringLiteral("tblSold")), 1);
    QCOMPARE(stocks(s.env, QStringLiteral("1001")), QStringLiteral("118"));
    QCOMPARE(s.env.count(QStringLiteral("tblNot")), 0);

    s.reopen();
    s.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdCancel"), Qt::LeftButton);
    QVERIFY(!s.pos->isVisible());
    QCOMPARE(s.pos->result(), static_cast<int>(QDialog::Rejected));
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1); // the cart stays stored
}

void tst_sales::windowKeysFromFields()
{
    Session s;
    auto* item = child<QLineEdit>(*s.pos, "txtItem");
    auto* quan = child<QLineEdit>(*s.pos, "txtQuan");
    QTest::keyClicks(item, QStringLiteral("10x"));
    QCOMPARE(s.env.lastMessage().text, QStringLiteral("Close Sales Menu?"));
    QCOMPARE(item->text(), QStringLiteral("10"));
    QVERIFY(s.pos->isVisible());
    QTest::keyClicks(quan, QStringLiteral("X"));
    QCOMPARE(s.env.messages.size(), 2);
    QCOMPARE(s.env.lastMessage().text, QStringLiteral("Close Sales Menu?"));

    QTest::keyClick(item, Qt::Key_Space);
    QCOMPARE(s.env.lastMessage().text, QStringLiteral("Cannot process empty list!"));
    QCOMPARE(s.env.lastMessage().title, QStringLiteral("Pemvix"));
    QCOMPARE(s.env.lastMessage().icon, QMessageBox::Warning);
    QCOMPARE(item->text(), QStringLiteral("10"));
    QVERIFY(s.env.modalWindows.isEmpty());

    // Enter in the item box adds, as a scanner sends it.
    item->clear();
    QTest::keyClicks(item, QStringLiteral("1001"));
    QTest::keyClick(item, Qt::Key_Return);
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1);
    QCOMPARE(s.pos->focusWidget(), item);

    QTest::keyClick(quan, Qt::Key_Space);
    QCOMPARE(s.env.modalWindows, QStringList{"frmTotal"});
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1); // the cancelled payment left the cart
    QVERIFY(s.pos->isVisible());
}

void tst_sales::clearGivesStockBack()
{
    Session s;
    // A sold line of an earlier sale of the same item stays.
    s.env.exec(QStringLiteral("INSERT INTO tblSold (TransactionID, Dated, ItemName, ItemNumber, Quantity) VALUES "
                              "('0', ?, 'Drink', '1001', '1')"),
               {DateText()});
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("2"));
    addThroughWindow(*s.pos, QStringLiteral("1003"), QStringLiteral("3"));
    QCOMPARE(availability(s.env, QStringLiteral("1003")), QStringLiteral("Out of Stock"));
    const int notes = s.env.count(QStringLiteral("tblNot"));
    s.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*s.pos, "lvButtons_H2"), Qt::LeftButton);
    QCOMPARE(s.pos->result(), FormDialog::Reopen);
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 0);
    QCOMPARE(stocks(s.env, QStringLiteral("1001")), QStringLiteral("120"));
    QCOMPARE(stocks(s.env, QStringLiteral("1003")), QStringLiteral("3"));
    QCOMPARE(availability(s.env, QStringLiteral("1003")), QStringLiteral("Available"));
    QCOMPARE(s.env.count(QStringLiteral("tblSold")), 1);
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT TransactionID FROM tblSold")), QStringLiteral("0"));
    QCOMPARE(s.env.count(QStringLiteral("tblNot")), notes);
    s.reopen();
    QCOMPARE(shownText(*s.pos, "lblAmt"), QStringLiteral("0.00"));
}

void tst_sales::cartSurvivesReopening()
{
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("2"));
    addThroughWindow(*s.pos, QStringLiteral("1002"), QStringLiteral("1"));
    s.reopen();
    QCOMPARE(shownText(*s.pos, "lblAmt"), QStringLiteral("95.50"));
    QCOMPARE(shownText(*s.pos, "Label6"), QStringLiteral("2 ITEM(S)"));
    QCOMPARE(child<DataGrid>(*s.pos, "DataGrid1")->model()->rowCount(), 2);
    QCOMPARE(shownText(*s.pos, "lblCashier"), QStringLiteral("Maria Santos"));
}

void tst_sales::reportGate_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("sales");
    QTest::newRow("administrator") << "Administrator" << true;
    QTest::newRow("lower case") << "administrator" << false;
    QTest::newRow("guest") << "Guest" << false;
    QTest::newRow("cashier") << "Cashier" << false;
}

void tst_sales::reportGate()
{
    QFETCH(QString, type);
    QFETCH(bool, sales);
    Session s(type);
    auto* sale = s.pos->findChild<QAction*>(QStringLiteral("sale"));
    auto* inv = s.pos->findChild<QAction*>(QStringLiteral("inv"));
    QVERIFY(sale && inv);
    QCOMPARE(sale->text(), QStringLiteral("Sales"));
    QCOMPARE(sale->isEnabled(), sales);
    QVERIFY(inv->isEnabled());
    sale->trigger();
    QCOMPARE(s.env.modalWindows, sales ? QStringList{"frmSales"} : QStringList{});
    // The gate follows the session.
    s.env.main().session().setAccountType(sales ? QStringLiteral("Guest") : QStringLiteral("Administrator"));
    QCOMPARE(sale->isEnabled(), !sales);
}

void tst_sales::inventoryHidesWindow()
{
    Session s;
    bool hiddenMeanwhile = false;
    int openings = 0;
    auto handler = [&](QDialog&) {
        ++openings;
        hiddenMeanwhile = !s.pos->isVisible();
        return openings == 1 ? FormDialog::Reopen : static_cast<int>(QDialog::Rejected);
    };
    s.env.onModal(handler);
    s.env.onModal(handler);
    s.pos->findChild<QAction*>(QStringLiteral("inv"))->trigger();
    QCOMPARE(s.env.modalWindows, (QStringList{"frmInvent", "frmInvent"}));
    QVERIFY(hiddenMeanwhile);
    QVERIFY(s.pos->isVisible());
}

void tst_sales::submitGate_data()
{
    QTest::addColumn<QString>("due");
    QTest::addColumn<QString>("cash");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("change");
    QTest::newRow("equal") << "1,234.50"
                           << "1234.50" << true << "0.00";
    QTest::newRow("equal, fewer decimals") << "1,234.50"
                                           << "1234.5" << true << "0.00";
    QTest::newRow("one cent below") << "1,234.50"
                                    << "1234.49" << false << "";
    QTest::newRow("empty") << "1,234.50"
                           << "" << false << "";
    QTest::newRow("empty, nothing due") << "0.00"
                                        << "" << true << "0.00";
    QTest::newRow("thousands separator") << "10.00"
                                         << "1,500" << true << "1490.00";
    // A comma where the number format groups thousands is no number, never 12 or 1250.
    QTest::newRow("separator out of place") << "10.00"
                                            << "12,50" << false << "The Cash is no amount: a separator is out of place";
    QTest::newRow("change with cents") << "99.90"
                                       << "100" << true << "0.10";
    QTest::newRow("leading number") << "5.00"
                                    << "20 pesos" << true << "15.00";
}

void tst_sales::submitGate()
{
    QFETCH(QString, due);
    QFETCH(QString, cash);
    QFETCH(bool, enabled);
    QFETCH(QString, change);
    TestEnv env;
    frmTotal total(env.ctx, due, QStringLiteral("1"), QStringLiteral("Maria"));
    QCOMPARE(total.windowTitle(), QStringLiteral("AMOUNT DUE"));
    QCOMPARE(shownText(total, "lblAmt"), due);
    QCOMPARE(shownText(total, "lblChange"), QStringLiteral("0.00"));
    auto* submit = child<QPushButton>(total, "cmdOrder");
    QCOMPARE(submit->text(), QStringLiteral("Submit"));
    QTest::keyClicks(child<QLineEdit>(total, "tAmt"), cash);
    QCOMPARE(submit->isEnabled(), enabled);
    // While Submit stays disabled, `change` is what the window says about the cash box, if anything.
    auto* hint = child<QLabel>(total, "lblCashHint");
    if (!enabled) {
        QCOMPARE(!hint->isHidden(), !change.isEmpty());
        QVERIFY2(change.isEmpty() || hint->text().startsWith(change), qPrintable(hint->text()));
        return;
    }
    QVERIFY(hint->isHidden());
    QTest::mouseClick(submit, Qt::LeftButton);
    QCOMPARE(shownText(total, "lblChange"), change);
    QCOMPARE(child<QPushButton>(total, "cmdCancel")->text(), QStringLiteral("Finish"));
    QVERIFY(submit->isEnabled()); // Submit may be pressed again while the cash covers
}

void tst_sales::enterBeforeAndAfterSubmit()
{
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1002"), QStringLiteral("1"));
    frmTotal total(s.env.ctx, shownText(*s.pos, "lblAmt"), shownText(*s.pos, "TID"), shownText(*s.pos, "lblCashier"));
    total.show();
    auto* cash = child<QLineEdit>(total, "tAmt");
    // Cash short of the amount: Enter does nothing.
    QTest::keyClicks(cash, QStringLiteral("4"));
    QTest::keyClick(cash, Qt::Key_Return);
    QCOMPARE(child<QPushButton>(total, "cmdCancel")->text(), QStringLiteral("Cancel"));
    // Covering cash: the first Enter is Submit, the next one Finish.
    QTest::keyClicks(cash, QStringLiteral("6"));
    QTest::keyClick(cash, Qt::Key_Return);
    QCOMPARE(cash->text(), QStringLiteral("46"));
    QCOMPARE(shownText(total, "lblChange"), QStringLiteral("0.50"));
    QCOMPARE(child<QPushButton>(total, "cmdCancel")->text(), QStringLiteral("Finish"));
    QVERIFY(total.isVisible());
    QCOMPARE(s.env.count(QStringLiteral("tblSales")), 0);
    QTest::keyClick(cash, Qt::Key_Enter);
    QVERIFY(!total.isVisible());
    QCOMPARE(total.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(s.env.count(QStringLiteral("tblSales")), 1);
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 0);
}

void tst_sales::completedSale()
{
    Session s;
    s.env.exec(QStringLiteral("UPDATE tblMain SET TransactionID = '41'"));
    s.reopen();
    s.env.exec(QStringLiteral("UPDATE tblStocks SET ItemStocks = 100 WHERE ItemNumber = '1007'"));
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("3")); // 75
    addThroughWindow(*s.pos, QStringLiteral("1007"), QStringLiteral("1")); // 1250.5
    QCOMPARE(shownText(*s.pos, "lblAmt"), QStringLiteral("1,325.50"));
    s.env.onModal([](QDialog& d) { return payWith(d, QStringLiteral("1400")); });
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdOrder"), Qt::LeftButton);
    QCOMPARE(s.pos->result(), FormDialog::Reopen);

    const Recordset sale = s.env.db.query(QStringLiteral("SELECT BusinessDate, BusinessTime, AmountDue, Change, Cash, "
                                                         "Cashier FROM tblSales"));
    QCOMPARE(sale.rowCount(), 1);
    QCOMPARE(sale.rows()[0][0].toString(), DateText());
    QVERIFY(QTime::fromString(sale.rows()[0][1].toString(), QStringLiteral("h:mm:ss AP")).isValid());
    QCOMPARE(sale.rows()[0][2].toString(), QStringLiteral("1325.50"));
    QCOMPARE(sale.rows()[0][3].toString(), QStringLiteral("74.50"));
    QCOMPARE(sale.rows()[0][4].toString(), QStringLiteral("1400"));
    QCOMPARE(sale.rows()[0][5].toString(), QStringLiteral("Maria Santos"));
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), QStringLiteral("42"));
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 0);
    QCOMPARE(s.env.count(QStringLiteral("tblSold")), 2); // payment leaves the sold lines
    QCOMPARE(stocks(s.env, QStringLiteral("1001")), QStringLiteral("117"));

    s.reopen();
    QCOMPARE(shownText(*s.pos, "lblAmt"), QStringLiteral("0.00"));
    QCOMPARE(shownText(*s.pos, "Label6"), QStringLiteral("0 ITEM(S)"));
    QCOMPARE(shownText(*s.pos, "TID"), QStringLiteral("43"));
}

void tst_sales::finishNeedsCoveringCash()
{
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("4")); // 100.00
    frmTotal total(s.env.ctx, shownText(*s.pos, "lblAmt"), shownText(*s.pos, "TID"), shownText(*s.pos, "lblCashier"));
    total.show();
    auto* cash = child<QLineEdit>(total, "tAmt");
    QTest::keyClicks(cash, QStringLiteral("200"));
    QTest::mouseClick(child<QPushButton>(total, "cmdOrder"), Qt::LeftButton);
    cash->clear();
    QTest::keyClicks(cash, QStringLiteral("99.99"));
    QVERIFY(!child<QPushButton>(total, "cmdOrder")->isEnabled());
    for (bool byKey : {false, true}) {
        s.env.messages.clear();
        if (byKey)
            QTest::keyClick(cash, Qt::Key_Return);
        else
            QTest::mouseClick(child<QPushButton>(total, "cmdCancel"), Qt::LeftButton);
        QCOMPARE(s.env.lastMessage().text, QStringLiteral("Cash tendered is less than the amount due!"));
        QCOMPARE(s.env.lastMessage().title, QStringLiteral("Pemvix"));
        QCOMPARE(s.env.lastMessage().icon, QMessageBox::Warning);
        QVERIFY(total.isVisible());
        QCOMPARE(s.env.count(QStringLiteral("tblSales")), 0);
        QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1);
        QCOMPARE(s.env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), QString());
    }
}

void tst_sales::storedChangeFollowsStoredCash_data()
{
    QTest::addColumn<QString>("typedAfter");
    QTest::addColumn<bool>("submitAgain");
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<QString>("cash");
    QTest::addColumn<QString>("change");
    QTest::newRow("digit typed, Finish") << "0" << false << false << "100"
                                         << "9.00";
    QTest::newRow("digit typed, Enter") << "0" << false << true << "100"
                                        << "9.00";
    QTest::newRow("scan appended, Enter") << "4806" << false << true << "100"
                                          << "9.00";
    QTest::newRow("digit typed, Submit again") << "0" << true << false << "1000"
                                               << "909.00";
}

// Finish and Enter store the cash and change of the last Submit, which the cashier saw;
// typing afterwards reaches the record only through another Submit.
void tst_sales::storedChangeFollowsStoredCash()
{
    QFETCH(QString, typedAfter);
    QFETCH(bool, submitAgain);
    QFETCH(bool, byEnter);
    QFETCH(QString, cash);
    QFETCH(QString, change);
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1002"), QStringLiteral("2")); // 91.00
    frmTotal total(s.env.ctx, shownText(*s.pos, "lblAmt"), shownText(*s.pos, "TID"), shownText(*s.pos, "lblCashier"));
    total.show();
    auto* box = child<QLineEdit>(total, "tAmt");
    QTest::keyClicks(box, QStringLiteral("100"));
    QTest::mouseClick(child<QPushButton>(total, "cmdOrder"), Qt::LeftButton);
    QCOMPARE(shownText(total, "lblChange"), QStringLiteral("9.00"));
    QTest::keyClicks(box, typedAfter);
    if (submitAgain)
        QTest::mouseClick(child<QPushButton>(total, "cmdOrder"), Qt::LeftButton);
    QCOMPARE(shownText(total, "lblChange"), change);
    if (byEnter)
        QTest::keyClick(box, Qt::Key_Return);
    else
        QTest::mouseClick(child<QPushButton>(total, "cmdCancel"), Qt::LeftButton);
    QCOMPARE(total.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT Cash || '|' || Change || '|' || AmountDue FROM tblSales")),
             cash + QLatin1Char('|') + change + QStringLiteral("|91.00"));
}

void tst_sales::cancelWritesNothing()
{
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1002"), QStringLiteral("1"));
    s.env.onModal([](QDialog& d) {
        QTest::keyClicks(child<QLineEdit>(d, "tAmt"), QStringLiteral("100"));
        QTest::mouseClick(child<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
        return d.result();
    });
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdOrder"), Qt::LeftButton);
    QVERIFY(s.pos->isVisible());
    QCOMPARE(s.env.count(QStringLiteral("tblSales")), 0);
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 1);
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), QString());
}

void tst_sales::failedWritesChangeNothing_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("said");
    QTest::newRow("add: sold line refused") << "BEFORE INSERT ON tblSold"
                                            << "add"
                                            << "The item was not added";
    QTest::newRow("add: stock refused") << "BEFORE UPDATE ON tblStocks"
                                        << "add"
                                        << "The item was not added";
    QTest::newRow("remove: sold line refused") << "BEFORE DELETE ON tblSold"
                                               << "remove"
                                               << "The line was not removed";
    QTest::newRow("remove: stock refused") << "BEFORE UPDATE ON tblStocks"
                                           << "remove"
                                           << "The line was not removed";
    QTest::newRow("clear: stock refused") << "BEFORE UPDATE ON tblStocks"
                                          << "clear"
                                          << "The cart was not cleared";
    QTest::newRow("sale: counter refused") << "BEFORE UPDATE ON tblMain"
                                           << "sale"
                                           << "The sale was not stored";
    QTest::newRow("sale: cart refused") << "BEFORE DELETE ON tblPos"
                                        << "sale"
                                        << "The sale was not stored";
}

void tst_sales::failedWritesChangeNothing()
{
    QFETCH(QString, trigger);
    QFETCH(QString, operation);
    QFETCH(QString, said);
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("2"));
    s.env.refuseWrites(QStringLiteral("refuse"), trigger, QStringLiteral("disk refused"));
    const auto snapshot = [&] {
        QStringList rows;
        for (const char* table : {"tblPos", "tblSold", "tblStocks", "tblSales", "tblMain", "tblNot"}) {
            const Recordset r = s.env.db.query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
            for (const auto& row : r.rows()) {
                QStringList values;
                for (const QVariant& v : row)
                    values << v.toString();
                rows << QString::fromLatin1(table) + QLatin1Char(':') + values.join(QLatin1Char('|'));
            }
        }
        return rows;
    };
    const QStringList before = snapshot();
    s.env.messages.clear();
    if (operation == u"add") {
        addThroughWindow(*s.pos, QStringLiteral("1003"), QStringLiteral("3"));
    } else if (operation == u"remove") {
        clickLine(*s.pos, 0);
        s.env.answer(QMessageBox::Yes);
        QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);
    } else if (operation == u"clear") {
        s.env.answer(QMessageBox::Yes);
        QTest::mouseClick(child<QPushButton>(*s.pos, "lvButtons_H2"), Qt::LeftButton);
        QVERIFY(s.pos->isVisible()); // nothing follows a failed write
    } else {
        int result = -1;
        s.env.onModal([&](QDialog& d) {
            result = payWith(d, QStringLiteral("100"));
            return result;
        });
        QTest::mouseClick(child<QPushButton>(*s.pos, "cmdOrder"), Qt::LeftButton);
        QCOMPARE(result, 0); // the payment window stayed open
        QVERIFY(s.pos->isVisible());
    }
    const MessageRecord shown = s.env.lastMessage();
    QVERIFY2(shown.text.startsWith(said), qPrintable(shown.text));
    QCOMPARE(shown.title, QStringLiteral("Pemvix"));
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QCOMPARE(snapshot(), before);
}

void tst_sales::stockFollowsItemNumber()
{
    Session s;
    addStockItem(s.env, {"2001", "Candle", "5", 10, "Available"});
    addStockItem(s.env, {"2002", "Candle", "7", 10, "Available"});
    addThroughWindow(*s.pos, QStringLiteral("2002"), QStringLiteral("4"));
    QCOMPARE(stocks(s.env, QStringLiteral("2001")), QStringLiteral("10"));
    QCOMPARE(stocks(s.env, QStringLiteral("2002")), QStringLiteral("6"));
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT ItemPrice FROM tblPos")), QStringLiteral("7"));
    clickLine(*s.pos, 0);
    s.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);
    QCOMPARE(stocks(s.env, QStringLiteral("2001")), QStringLiteral("10"));
    QCOMPARE(stocks(s.env, QStringLiteral("2002")), QStringLiteral("10"));
}

void tst_sales::quotedNameSellsVoidsRestocks()
{
    Session s;
    addStockItem(s.env, {"3001", "Jack's", "20", 2, "Available"});
    s.reopen();
    auto* combo = child<QComboBox>(*s.pos, "Combo1");
    const int jack = combo->findText(QStringLiteral("Jack's"));
    QVERIFY(jack >= 0);
    combo->setCurrentIndex(jack);
    emit combo->activated(jack);
    QCOMPARE(shownText(*s.pos, "txtItem"), QStringLiteral("3001"));
    QTest::mouseClick(child<QLineEdit>(*s.pos, "txtQuan"), Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>(*s.pos, "txtQuan"), QStringLiteral("2"));
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdSearch"), Qt::LeftButton);
    QCOMPARE(stocks(s.env, QStringLiteral("3001")), QStringLiteral("0"));
    QCOMPARE(availability(s.env, QStringLiteral("3001")), QStringLiteral("Out of Stock"));
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT ItemName FROM tblSold")), QStringLiteral("Jack's"));
    clickLine(*s.pos, 0);
    s.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);
    QCOMPARE(stocks(s.env, QStringLiteral("3001")), QStringLiteral("2"));
    QCOMPARE(availability(s.env, QStringLiteral("3001")), QStringLiteral("Available"));
    QCOMPARE(s.env.count(QStringLiteral("tblSold")), 0);
    QCOMPARE(s.env.count(QStringLiteral("tblNot")), 3);
}

// Opens the sales window for the main window, as the program's own factory does.
class PosFactory : public WindowFactory
{
public:
    explicit PosFactory(AppContext& ctx) : m_ctx(ctx) {}
    std::unique_ptr<FormDialog> createPOS(QWidget* parent) override { return std::make_unique<frmPOS>(m_ctx, parent); }
    std::unique_ptr<FormDialog> createReg(QWidget*) override { return nullptr; }
    std::unique_ptr<FormDialog> createSetting(QWidget*) override { return nullptr; }

private:
    AppContext& m_ctx;
};

void tst_sales::fullSaleFromSignIn()
{
    TestEnv env;
    stockShelf(env);
    env.exec(QStringLiteral("UPDATE tblMain SET TransactionID = '7'"));
    env.exec(QStringLiteral("INSERT INTO tblEmp (EmployeeID, EmployeeName, Position, Password) "
                            "VALUES ('7', 'Maria Santos', 'Cashier', 'cash7')"));
    PosFactory factory(env.ctx);
    env.ctx.windows = &factory;
    frmMain& main = env.main();
    main.setDomainName(QStringLiteral("till1"));
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTest::mouseClick(child<QRadioButton>(main, "Option2"), Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>(main, "txtUsername"), QStringLiteral("7"));
    QTest::keyClicks(child<QLineEdit>(main, "txtPassword"), QStringLiteral("cash7"));
    QTest::mouseClick(child<QPushButton>(main, "cmdCancel"), Qt::LeftButton);
    QCOMPARE(main.session().DisplayName(), QStringLiteral("Maria Santos"));

    // What the windows showed along the way.
    QStringList seen;
    bool mainHidden = false;
    env.onModal([&](QDialog& d) {
        auto& pos = static_cast<frmPOS&>(d);
        pos.show();
        mainHidden = !main.isVisible();
        seen << shownText(pos, "lblCashier") << shownText(pos, "TID");
        auto* item = child<QLineEdit>(pos, "txtItem");
        auto* quan = child<QLineEdit>(pos, "txtQuan");
        // By number, scanner style: the number, then Enter.
        QTest::keyClicks(item, QStringLiteral("1001"));
        QTest::keyClick(item, Qt::Key_Return);
        QTest::keyClicks(item, QStringLiteral("1007"));
        QTest::keyClick(item, Qt::Key_Return);
        // By name, two of them.
        auto* combo = child<QComboBox>(pos, "Combo1");
        combo->setCurrentIndex(combo->findText(QStringLiteral("Tin Can")));
        emit combo->activated(combo->currentIndex());
        QTest::mouseClick(quan, Qt::LeftButton);
        QTest::keyClicks(quan, QStringLiteral("2"));
        QTest::keyClick(quan, Qt::Key_Return);
        seen << shownText(pos, "Label6") << shownText(pos, "lblAmt");
        // Void the drink, then pay by Space.
        clickLine(pos, 0);
        env.answer(QMessageBox::Yes);
        QTest::mouseClick(child<QPushButton>(pos, "cmdAccept"), Qt::LeftButton);
        seen << shownText(pos, "lblAmt");
        QTest::keyClick(item, Qt::Key_Space);
        return pos.result();
    });
    env.onModal([&](QDialog& d) {
        auto* cash = child<QLineEdit>(d, "tAmt");
        seen << shownText(d, "lblAmt");
        QTest::keyClicks(cash, QStringLiteral("1500"));
        QTest::mouseClick(child<QPushButton>(d, "cmdOrder"), Qt::LeftButton);
        seen << shownText(d, "lblChange");
        QTest::keyClick(cash, Qt::Key_Return);
        return d.result();
    });
    env.onModal([&](QDialog& d) {
        seen << shownText(static_cast<QWidget&>(d), "TID") << shownText(static_cast<QWidget&>(d), "lblAmt");
        return static_cast<int>(QDialog::Rejected); // the cashier closes the fresh sales window
    });
    QTest::mouseClick(child<QLabel>(main, "cmdPos"), Qt::LeftButton);

    QVERIFY2(env.messageTexts().size() == 1, qPrintable(env.messageTexts().join(QLatin1Char('|'))));
    QVERIFY(mainHidden);
    QVERIFY(main.isVisible());
    QCOMPARE(env.modalWindows, (QStringList{"frmPOS", "frmTotal", "frmPOS"}));
    QCOMPARE(seen, (QStringList{"Maria Santos", "8", "3 ITEM(S)", "1,366.50", "1,341.50", "1,341.50", "158.50", "9",
                                "0.00"}));
    QCOMPARE(env.scalar(QStringLiteral("SELECT AmountDue || '|' || Change || '|' || Cash || '|' || Cashier FROM "
                                       "tblSales")),
             QStringLiteral("1341.50|158.50|1500|Maria Santos"));
    QCOMPARE(env.count(QStringLiteral("tblSales")), 1);
    QCOMPARE(env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), QStringLiteral("8"));
    QCOMPARE(env.count(QStringLiteral("tblPos")), 0);
    QCOMPARE(env.scalar(QStringLiteral("SELECT group_concat(ItemNumber || 'x' || Quantity || '#' || TransactionID || "
                                       "'#' || Cashier) FROM tblSold")),
             QStringLiteral("1007x1#8#Maria Santos,1002x2#8#Maria Santos"));
    QCOMPARE(stocks(env, QStringLiteral("1001")), QStringLiteral("120"));
    QCOMPARE(stocks(env, QStringLiteral("1007")), QStringLiteral("10"));
    QCOMPARE(stocks(env, QStringLiteral("1002")), QStringLiteral("58"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT group_concat(RE) FROM tblNot")),
             QStringLiteral("Item Void,Item Availabilty Returned"));
    QVERIFY(env.scalar(QStringLiteral("SELECT Notification FROM tblNot"))
                .startsWith(QStringLiteral("Maria Santos removed a purchased Item using till1's domain!")));
    QCOMPARE(main.findChild<DataControl*>(QStringLiteral("adoNot"))->totalRowCount(), 2);
    env.ctx.windows = nullptr;
}

void tst_sales::reportWindowsReturnToTheTill_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("window");
    QTest::newRow("inventory") << "Cashier"
                               << "inv"
                               << "frmInvent";
    QTest::newRow("sales") << "Administrator"
                           << "sale"
                           << "frmSales";
}

void tst_sales::reportWindowsReturnToTheTill()
{
    // Through the real dialog loops: the sales window steps aside for the report window and
    // comes back still open, with its sale as it was.
    QFETCH(QString, account);
    QFETCH(QString, command);
    QFETCH(QString, window);
    TestEnv env;
    stockShelf(env);
    env.platform.setModalHook({});
    env.setSession(QStringLiteral("Maria Santos"), account);
    PosFactory factory(env.ctx);
    env.ctx.windows = &factory;
    frmMain& main = env.main();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    QStringList before, after;
    bool hiddenMeanwhile = false, openAfterwards = false, mainHiddenAfterwards = false;
    const auto state = [](QWidget& pos) {
        return QStringList{shownText(pos, "lblAmt"),  shownText(pos, "TID"),
                           shownText(pos, "Label6"),  shownText(pos, "txtItem"),
                           shownText(pos, "txtQuan"), pos.focusWidget() ? pos.focusWidget()->objectName() : QString()};
    };
    whenOpen(QStringLiteral("frmPOS"), [&](QWidget& pos) {
        activate(pos);
        scan(QStringLiteral("1001"));
        scan(QStringLiteral("1002"));
        type(QStringLiteral("100")); // a number being typed
        before = state(pos);
        whenOpen(window, [&](QWidget& report) {
            hiddenMeanwhile = !pos.isVisible();
            QTest::mouseClick(child<QPushButton>(report, "cmdAccept"), Qt::LeftButton); // "Close"
        });
        pos.findChild<QAction*>(command)->trigger();
        after = state(pos);
        // Later, in the sales window's own loop (which has ended if hiding ended it).
        QTimer::singleShot(20, &pos, [&] {
            openAfterwards = pos.isVisible() && QApplication::activeModalWidget() == &pos;
            mainHiddenAfterwards = !main.isVisible();
            env.answer(QMessageBox::Yes);
            QTest::mouseClick(child<QPushButton>(pos, "cmdCancel"), Qt::LeftButton);
        });
    });
    QTest::mouseClick(child<QLabel>(main, "cmdPos"), Qt::LeftButton);

    QVERIFY(hiddenMeanwhile);
    QCOMPARE(before, (QStringList{"70.50", "1", "2 ITEM(S)", "100", "1", "txtItem"}));
    QCOMPARE(after, before);
    QVERIFY(openAfterwards);
    QVERIFY(mainHiddenAfterwards);
    QCOMPARE(env.messageTexts(), QStringList{"Close Sales Menu?"});
    QVERIFY(main.isVisible());
    env.ctx.windows = nullptr;
}

void tst_sales::scansAtScannerSpeed()
{
    Session s;
    activate(*s.pos);
    auto* quan = child<QLineEdit>(*s.pos, "txtQuan");
    // Three of the first item: number, then the quantity box, then Enter there.
    type(QStringLiteral("1001"));
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), quan);
    type(QStringLiteral("3"));
    press(Qt::Key_Return);
    QCOMPARE(quan->text(), QStringLiteral("1"));
    // Then plain scans: one of each.
    for (const char* code : {"1002", "1003", "1007"})
        scan(QString::fromLatin1(code));
    QCOMPARE(cartLines(s.env), QStringLiteral("1001x3,1002x1,1003x1,1007x1"));
    QCOMPARE(shownText(*s.pos, "lblAmt"), QStringLiteral("1,409.00"));
    QVERIFY(s.env.messages.isEmpty());

    // The Add button keeps the quantity.
    addThroughWindow(*s.pos, QStringLiteral("1006"), QStringLiteral("2"));
    QCOMPARE(quan->text(), QStringLiteral("2"));
    QCOMPARE(cartLines(s.env), QStringLiteral("1001x3,1002x1,1003x1,1007x1,1006x2"));
    // A name picked from the list is gone from the box after the add, and after a removal.
    auto* combo = child<QComboBox>(*s.pos, "Combo1");
    combo->setCurrentIndex(combo->findText(QStringLiteral("Tin Can")));
    emit combo->activated(combo->currentIndex());
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdSearch"), Qt::LeftButton);
    QCOMPARE(s.env.lastMessage().text, QStringLiteral("Item listed already!"));
    combo->setCurrentIndex(combo->findText(QStringLiteral("Bread")));
    emit combo->activated(combo->currentIndex());
    clickLine(*s.pos, 0);
    s.env.answer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdAccept"), Qt::LeftButton);
    QCOMPARE(combo->currentText(), QString());
    combo->setCurrentIndex(combo->findText(QStringLiteral("Drink")));
    emit combo->activated(combo->currentIndex());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(cartLines(s.env), QStringLiteral("1002x1,1003x1,1007x1,1006x2,1001x2"));
    QCOMPARE(combo->currentText(), QString());
}

void tst_sales::scanAfterClickOnCartLine()
{
    Session s;
    activate(*s.pos);
    scan(QStringLiteral("1001"));
    scan(QStringLiteral("1002"));
    auto* grid = child<DataGrid>(*s.pos, "DataGrid1");
    auto* item = child<QLineEdit>(*s.pos, "txtItem");
    clickLine(*s.pos, 1);
    QCOMPARE(QApplication::focusWidget(), grid);
    QCOMPARE(item->text(), QStringLiteral("1002"));
    // The next scan replaces the clicked number and adds its own item.
    scan(QStringLiteral("1003"));
    QCOMPARE(cartLines(s.env), QStringLiteral("1001x1,1002x1,1003x1"));
    QVERIFY(s.env.messages.isEmpty());
    QCOMPARE(item->text(), QString());
    QCOMPARE(QApplication::focusWidget(), item);

    // Delete on a clicked line asks the Remove question.
    clickLine(*s.pos, 0);
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(s.env.lastMessage().text,
             QStringLiteral("      Remove Drink?      \r\n\r\n      Quantity: 1\r\n      Item Number:1001"));
    QCOMPARE(s.env.count(QStringLiteral("tblPos")), 3); // answered No
    clickLine(*s.pos, 0);
    s.env.answer(QMessageBox::Yes);
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(cartLines(s.env), QStringLiteral("1002x1,1003x1"));
}

void tst_sales::enterOnEmptyItemBox()
{
    Session s;
    activate(*s.pos);
    auto* item = child<QLineEdit>(*s.pos, "txtItem");
    auto* quan = child<QLineEdit>(*s.pos, "txtQuan");
    scan(QStringLiteral("1001"));
    QTest::keyClick(item, Qt::Key_Return); // a scanner's double Enter
    QTest::keyClick(quan, Qt::Key_Return);
    QVERIFY(s.env.messages.isEmpty());
    QCOMPARE(cartLines(s.env), QStringLiteral("1001x1"));
    // The Add button on an empty item box still says so.
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdSearch"), Qt::LeftButton);
    QCOMPARE(s.env.lastMessage().title, QStringLiteral("Exceeded!"));
}

void tst_sales::paymentKeys()
{
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1002"), QStringLiteral("1")); // 45.50
    for (const bool submitFirst : {false, true}) {
        frmTotal total(s.env.ctx, shownText(*s.pos, "lblAmt"), shownText(*s.pos, "TID"),
                       shownText(*s.pos, "lblCashier"));
        total.show();
        activate(total);
        auto* cash = child<QLineEdit>(total, "tAmt");
        QCOMPARE(QApplication::focusWidget(), cash);
        type(QStringLiteral("50"));
        // Tab reaches the card box, Submit and Cancel, and comes back to the cash box.
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(total, "tCard"));
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>(total, "cmdOrder"));
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>(total, "cmdCancel"));
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), cash);
        if (submitFirst) {
            press(Qt::Key_Tab);
            press(Qt::Key_Tab);
            press(Qt::Key_Space); // Submit
            QCOMPARE(shownText(total, "lblChange"), QStringLiteral("4.50"));
            QCOMPARE(QApplication::focusWidget(), cash);
        }
        press(Qt::Key_Escape);
        // Before Submit, Escape cancels; after it, there is no way back.
        QCOMPARE(total.isVisible(), submitFirst);
        QCOMPARE(s.env.count(QStringLiteral("tblSales")), 0);
        if (submitFirst) {
            press(Qt::Key_Tab);
            press(Qt::Key_Tab);
            press(Qt::Key_Tab);
            press(Qt::Key_Return); // Finish
            QVERIFY(!total.isVisible());
            QCOMPARE(total.result(), static_cast<int>(QDialog::Accepted));
        }
    }
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT AmountDue || '|' || Change || '|' || Cash FROM tblSales")),
             QStringLiteral("45.50|4.50|50"));
}

void tst_sales::fullSaleWithoutMouse()
{
    // From sign-in to the stored sale and the next one, every window in its real loop, and
    // not one mouse event.
    TestEnv env;
    stockShelf(env);
    env.exec(QStringLiteral("UPDATE tblMain SET TransactionID = '7'"));
    env.exec(QStringLiteral("INSERT INTO tblEmp (EmployeeID, EmployeeName, Position, Password) "
                            "VALUES ('7', 'Maria Santos', 'Cashier', 'cash7')"));
    env.platform.setModalHook({});
    PosFactory factory(env.ctx);
    env.ctx.windows = &factory;
    MouseCounter mouse;
    qApp->installEventFilter(&mouse);
    frmMain& main = env.main();
    main.show();
    activate(main);
    QTRY_COMPARE(QApplication::focusWidget(), child<QLineEdit>(main, "txtUsername"));
    type(QStringLiteral("7"));
    press(Qt::Key_Return);
    type(QStringLiteral("cash7"));
    press(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("imgPos"));

    QStringList seen;
    whenOpen(QStringLiteral("frmPOS"), [&](QWidget& pos) {
        activate(pos);
        seen << shownText(pos, "TID");
        type(QStringLiteral("1002"));
        press(Qt::Key_Tab);
        type(QStringLiteral("3"));
        press(Qt::Key_Return);
        scan(QStringLiteral("1001"));
        scan(QStringLiteral("1007"));
        seen << shownText(pos, "lblAmt");
        whenOpen(QStringLiteral("frmTotal"), [&](QWidget& total) {
            activate(total);
            type(QStringLiteral("2000"));
            press(Qt::Key_Return); // Submit
            seen << shownText(total, "lblChange");
            press(Qt::Key_Return); // Finish
        });
        // The sale done, a fresh sales window opens; the cashier closes it with "x".
        whenOpen(
            QStringLiteral("frmPOS"),
            [&](QWidget& next) {
                activate(next);
                seen << shownText(next, "TID") << shownText(next, "lblAmt");
                env.answer(QMessageBox::Yes);
                type(QStringLiteral("x"));
            },
            [](QWidget& next) { return shownText(next, "TID") == QLatin1String("9"); });
        press(Qt::Key_Space);
    });
    press(Qt::Key_Return);
    qApp->removeEventFilter(&mouse);

    QCOMPARE(seen, (QStringList{"8", "1,412.00", "588.00", "9", "0.00"}));
    QCOMPARE(env.scalar(QStringLiteral("SELECT AmountDue || '|' || Change || '|' || Cash || '|' || Cashier FROM "
                                       "tblSales")),
             QStringLiteral("1412.00|588.00|2000|Maria Santos"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT TransactionID FROM tblMain")), QStringLiteral("8"));
    QCOMPARE(env.count(QStringLiteral("tblPos")), 0);
    QCOMPARE(env.scalar(QStringLiteral("SELECT group_concat(ItemNumber || 'x' || Quantity) FROM tblSold")),
             QStringLiteral("1002x3,1001x1,1007x1"));
    QCOMPARE(env.messageTexts(), QStringList{"Close Sales Menu?"});
    QCOMPARE(mouse.count, 0);
    QVERIFY(main.isVisible());
    QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->objectName() == "imgPos");
    env.ctx.windows = nullptr;
}

void tst_sales::windowsFitTheirText()
{
    Session s;
    addThroughWindow(*s.pos, QStringLiteral("1007"), QStringLiteral("10"));
    addThroughWindow(*s.pos, QStringLiteral("1002"), QStringLiteral("3"));
    QTest::keyClicks(child<QLineEdit>(*s.pos, "txtItem"), QStringLiteral("1002"));
    s.pos->resize(1024, 700);
    frmTotal total(s.env.ctx, shownText(*s.pos, "lblAmt"), shownText(*s.pos, "TID"), shownText(*s.pos, "lblCashier"));
    total.show();
    QVERIFY(QTest::qWaitForWindowExposed(&total));
    QTest::keyClicks(child<QLineEdit>(total, "tAmt"), QStringLiteral("20000"));
    QTest::mouseClick(child<QPushButton>(total, "cmdOrder"), Qt::LeftButton);
    for (QWidget* window : {static_cast<QWidget*>(s.pos.get()), static_cast<QWidget*>(&total)}) {
        QApplication::processEvents();
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisible() || (!qobject_cast<QLabel*>(w) && !qobject_cast<QPushButton*>(w)))
                continue;
            QVERIFY2(w->width() >= w->minimumSizeHint().width() && w->height() >= w->minimumSizeHint().height(),
                     qPrintable(w->objectName() + QLatin1Char(' ') + w->property("text").toString()));
        }
        const QString dir = qEnvironmentVariable("PEMVIX_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            window->grab().save(dir + QLatin1Char('/') + window->objectName() + QStringLiteral(".png"));
    }
}

void tst_sales::storedPrices_data()
{
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("amount"); // amount box, sold line, total (empty: refused)
    QTest::addColumn<QString>("itemAmount");
    QTest::newRow("thousands separator") << "1,500"
                                         << "2"
                                         << "3,000.00"
                                         << "3000";
    QTest::newRow("cents") << "12.50"
                           << "3"
                           << "37.50"
                           << "37.5";
    QTest::newRow("tenths add exactly") << "0.10"
                                        << "3"
                                        << "0.30"
                                        << "0.3";
    QTest::newRow("free") << "0"
                          << "1"
                          << "0.00"
                          << "0";
    QTest::newRow("just below the limit") << "999,999,999.99"
                                          << "1"
                                          << "999,999,999.99"
                                          << "999999999.99";
    for (const char* bad : {"abc", "-25", "1e308", "", "1000000000", "&H10"})
        QTest::addRow("refused: '%s'", bad) << bad << "2"
                                            << ""
                                            << "";
}

// The till reads every stored price as a number with the system's number format: the amount
// box, the cart line, the sold line and the total agree; a price that is no number is refused.
void tst_sales::storedPrices()
{
    QFETCH(QString, price);
    QFETCH(QString, quantity);
    QFETCH(QString, amount);
    QFETCH(QString, itemAmount);
    Session s;
    addStockItem(s.env, {"4001", "Priced", price, 10, "Available"});
    auto* item = child<QLineEdit>(*s.pos, "txtItem");
    auto* quan = child<QLineEdit>(*s.pos, "txtQuan");
    quan->clear();
    QTest::keyClicks(quan, quantity);
    QTest::keyClicks(item, QStringLiteral("4001"));
    QCOMPARE(shownText(*s.pos, "Tprice"), price);
    QCOMPARE(shownText(*s.pos, "tAmt"), amount);
    const QStringList before = saleTables(s.env);
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdSearch"), Qt::LeftButton);
    if (amount.isEmpty()) {
        QCOMPARE(s.env.messages.size(), 1);
        QCOMPARE(s.env.lastMessage().text,
                 QStringLiteral("Priced (item 4001) cannot be sold: its price is not a valid price.\n"
                                "Correct the item's price in Registration."));
        QCOMPARE(s.env.lastMessage().title, QStringLiteral("Pemvix"));
        QCOMPARE(s.env.lastMessage().icon, QMessageBox::Warning);
        QCOMPARE(saleTables(s.env), before);
        QCOMPARE(shownText(*s.pos, "lblAmt"), QStringLiteral("0.00"));
        return;
    }
    QVERIFY2(s.env.messages.isEmpty(), qPrintable(s.env.lastMessage().text));
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT itemAmount FROM tblPos")), itemAmount);
    QCOMPARE(s.env.scalar(QStringLiteral("SELECT Amount FROM tblSold")), amount);
    QCOMPARE(shownText(*s.pos, "lblAmt"), amount);
}

void tst_sales::unchargeableAdds_data()
{
    QTest::addColumn<QVariant>("oldLine"); // an amount already in the cart, or none
    QTest::addColumn<QString>("quantity");
    const QString e300 = QStringLiteral("1") + QString(300, QLatin1Char('0'));
    const QString e299 = QStringLiteral("1") + QString(299, QLatin1Char('0'));
    QTest::newRow("line amount beyond any number") << QVariant() << e300;
    QTest::newRow("cart total beyond any number") << QVariant(1.7e308) << e299;
}

// An add whose amount, or the cart's total with it, would not be a finite number is refused
// with a message and writes nothing.
void tst_sales::unchargeableAdds()
{
    QFETCH(QVariant, oldLine);
    QFETCH(QString, quantity);
    Session s;
    addStockItem(s.env, {"4001", "Gold", "999999999", 0, "Available"});
    s.env.exec(QStringLiteral("UPDATE tblStocks SET ItemStocks = '1e301' WHERE ItemNumber = '4001'"));
    if (oldLine.isValid())
        addOldCartLine(s.env, QStringLiteral("9"), oldLine);
    s.reopen();
    const QStringList before = saleTables(s.env);
    addThroughWindow(*s.pos, QStringLiteral("4001"), quantity);
    QCOMPARE(s.env.messages.size(), 1);
    QCOMPARE(s.env.lastMessage().text,
             QStringLiteral("Gold (item 4001) was not added: the amount, or the cart's total with it, is too large "
                            "to be charged.\nCheck the quantity."));
    QCOMPARE(s.env.lastMessage().icon, QMessageBox::Warning);
    QCOMPARE(s.pos->focusWidget()->objectName(), QStringLiteral("txtQuan"));
    QCOMPARE(saleTables(s.env), before);
}

void tst_sales::unpayableTotals_data()
{
    QTest::addColumn<QVariantList>("amounts");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    const QString tooLarge = QStringLiteral("The cart's total is too large to add up, so it cannot be paid.\n"
                                            "Remove the line with the largest amount.");
    const QString belowZero = QStringLiteral("The cart's total is below zero, so it cannot be paid.\n"
                                             "Remove the lines with an amount below zero.");
    QTest::newRow("two huge lines") << QVariantList{1.7e308, 1.7e308} << "Total too large" << tooLarge;
    QTest::newRow("an Inf line") << QVariantList{25, std::numeric_limits<double>::infinity()} << "Total too large"
                                 << tooLarge;
    QTest::newRow("huge text lines") << QVariantList{FormatNumber(1e308, NumberPattern::Plain2),
                                                     FormatNumber(1e308, NumberPattern::Plain2)}
                                     << "Total too large" << tooLarge;
    QTest::newRow("negative line") << QVariantList{-25} << "-25.00" << belowZero;
    QTest::newRow("negative total") << QVariantList{10, -25.5} << "-15.50" << belowZero;
}

// Old cart lines may add up beyond any number or below zero: the total says so instead of
// showing 0, and such a cart cannot be paid, neither from the sales window nor the payment.
void tst_sales::unpayableTotals()
{
    QFETCH(QVariantList, amounts);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    Session s;
    int n = 0;
    for (const QVariant& amount : amounts)
        addOldCartLine(s.env, QString::number(++n), amount);
    s.reopen();
    QCOMPARE(shownText(*s.pos, "lblAmt"), shown);
    auto* lines = s.pos->findChild<DataControl*>(QStringLiteral("adoLog1"));
    for (int row = 0; row < lines->rowCount(); ++row)
        QVERIFY(!lines->data(lines->index(row, lines->columnIndex(QStringLiteral("itemAmount"))))
                     .toString()
                     .contains(QStringLiteral("inf"), Qt::CaseInsensitive));
    QTest::mouseClick(child<QPushButton>(*s.pos, "cmdOrder"), Qt::LeftButton);
    QCOMPARE(s.env.messageTexts(), QStringList{message});
    QCOMPARE(s.env.lastMessage().icon, QMessageBox::Warning);
    QVERIFY(s.env.modalWindows.isEmpty());

    // The payment window refuses it too.
    const QStringList before = saleTables(s.env);
    frmTotal total(s.env.ctx, shown, shownText(*s.pos, "TID"), shownText(*s.pos, "lblCashier"));
    total.show();
    QTest::keyClicks(child<QLineEdit>(total, "tAmt"), QStringLiteral("100"));
    QVERIFY(!child<QPushButton>(total, "cmdOrder")->isEnabled());
    QTest::keyClick(child<QLineEdit>(total, "tAmt"), Qt::Key_Return);
    Cart cart(s.env.db);
    const SaleResult r = cart.completeSale(shown, QStringLiteral("100"), shownText(*s.pos, "TID"), QStringLiteral("x"));
    QCOMPARE(r.outcome, SaleOutcome::NotPayable);
    QCOMPARE(totalProblemText(r.problem), message);
    QCOMPARE(saleTables(s.env), before);
}

void tst_sales::missingSettingsRow_data()
{
    QTest::addColumn<bool>("sale");
    QTest::newRow("add a line") << false;
    QTest::newRow("complete a sale") << true;
}

// Without the settings row no sale number can be issued or kept: adding a line and completing
// a sale are refused with a message naming the problem, and nothing is written.
void tst_sales::missingSettingsRow()
{
    QFETCH(bool, sale);
    Session s;
    if (sale)
        addThroughWindow(*s.pos, QStringLiteral("1001"), QStringLiteral("2"));
    s.env.exec(QStringLiteral("DELETE FROM tblMain"));
    const QStringList before = saleTables(s.env);
    s.env.messages.clear();
    if (sale) {
        int result = -1;
        s.env.onModal([&](QDialog& d) {
            result = payWith(d, QStringLiteral("100"));
            return result;
        });
        QTest::mouseClick(child<QPushButton>(*s.pos, "cmdOrder"), Qt::LeftButton);
        QCOMPARE(result, 0); // the payment window stayed open
        QCOMPARE(s.env.lastMessage().text,
                 QStringLiteral("The sale was not stored: the settings row is missing from tblMain, so the sale "
                                "number cannot be kept."));
    } else {
        addThroughWindow(*s.pos, QStringLiteral("1002"), QStringLiteral("1"));
        QCOMPARE(s.env.lastMessage().text,
                 QStringLiteral("The item was not added: the settings row is missing from tblMain, so no sale "
                                "number can be issued."));
    }
    QCOMPARE(s.env.messages.size(), 1);
    QCOMPARE(s.env.lastMessage().title, QStringLiteral("Pemvix"));
    QCOMPARE(s.env.lastMessage().icon, QMessageBox::Warning);
    QCOMPARE(saleTables(s.env), before);
}

// A whole sale typed and clicked through the real windows, the payment in its own dialog loop:
// stored prices with separators, cents and tenths show, charge, store and report one amount.
void tst_sales::pricesAgreeThroughRealWindows()
{
    TestEnv env;
    addStockItem(env, {"5001", "Cabinet", "1,500", 5, "Available"});
    addStockItem(env, {"5002", "Paint", "12.50", 50, "Available"});
    addStockItem(env, {"5003", "Nail", "0.10", 500, "Available"});
    env.setSession(QStringLiteral("Maria Santos"), QStringLiteral("Cashier"));
    env.platform.setModalHook({}); // the payment window runs its own exec()
    auto pos = std::make_unique<frmPOS>(env.ctx);
    pos->show();
    QVERIFY(QTest::qWaitForWindowExposed(pos.get()));
    QApplication::setActiveWindow(pos.get());
    auto* item = child<QLineEdit>(*pos, "txtItem");
    auto* quan = child<QLineEdit>(*pos, "txtQuan");

    const struct
    {
        const char* number;
        const char* quantity;
        const char* amount;
    } lines[] = {{"5001", "2", "3,000.00"}, {"5002", "3", "37.50"}, {"5003", "3", "0.30"}};
    QStringList boxAmounts;
    for (const auto& line : lines) {
        QTest::mouseClick(quan, Qt::LeftButton); // empties it
        QTest::keyClicks(quan, QString::fromLatin1(line.quantity));
        QTest::mouseClick(item, Qt::LeftButton);
        QTest::keyClicks(item, QString::fromLatin1(line.number));
        boxAmounts << shownText(*pos, "tAmt");
        QTest::mouseClick(child<QPushButton>(*pos, "cmdSearch"), Qt::LeftButton);
    }
    QCOMPARE(boxAmounts, (QStringList{"3,000.00", "37.50", "0.30"}));
    QCOMPARE(shownText(*pos, "lblAmt"), QStringLiteral("3,037.80"));
    auto* cart = pos->findChild<DataControl*>(QStringLiteral("adoLog1"));
    QStringList cartAmounts;
    for (int row = 0; row < cart->rowCount(); ++row)
        cartAmounts << cart->value(row, QStringLiteral("itemAmount")).toString();
    QCOMPARE(cartAmounts, (QStringList{"3000", "37.5", "0.3"}));

    // Process, then the cashier types the cash and clicks Submit and Finish in the payment
    // window while its own exec() runs.
    QStringList paid;
    bool driven = false;
    const std::function<void()> pay = [&] {
        auto* total = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!total || total->objectName() != u"frmTotal" || !total->isVisible()) {
            QTimer::singleShot(10, pay);
            return;
        }
        driven = true;
        paid << shownText(*total, "lblAmt");
        auto* cash = child<QLineEdit>(*total, "tAmt");
        QTest::keyClicks(cash, QStringLiteral("3100"));
        QTest::mouseClick(child<QPushButton>(*total, "cmdOrder"), Qt::LeftButton);
        paid << shownText(*total, "lblChange");
        QTest::mouseClick(child<QPushButton>(*total, "cmdCancel"), Qt::LeftButton);
    };
    QTimer::singleShot(0, pay);
    QTest::mouseClick(child<QPushButton>(*pos, "cmdOrder"), Qt::LeftButton);
    QVERIFY(driven);
    QCOMPARE(paid, (QStringList{"3,037.80", "62.20"}));
    QCOMPARE(pos->result(), FormDialog::Reopen);

    QCOMPARE(env.scalar(QStringLiteral("SELECT AmountDue || '|' || Cash || '|' || Change FROM tblSales")),
             QStringLiteral("3037.80|3100|62.20"));
    QCOMPARE(env.scalar(QStringLiteral(
                 "SELECT group_concat(Amount, ' + ') FROM (SELECT Amount FROM tblSold ORDER BY rowid) AS sold")),
             QStringLiteral("3,000.00 + 37.50 + 0.30"));
    QCOMPARE(env.count(QStringLiteral("tblPos")), 0);
    // The inventory's sold total and the sales ledger's day total are the same amount.
    QCOMPARE(InventoryData::sumSoldForDate(env.db, DateText()).total.text(), QStringLiteral("3037.8"));
    QCOMPARE(SumSalesForDate(env.db, DateText()), QStringLiteral("3037.8"));
}

QTEST_MAIN(tst_sales)
#include "tst_sales.moc"
