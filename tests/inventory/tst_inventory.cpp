#include "TestEnv.h"

#include "data/DataControl.h"
#include "data/Recordset.h"
#include "data/TextForms.h"
#include "inventory/InventoryData.h"
#include "inventory/InventoryReport.h"
#include "inventory/frmInvent.h"
#include "platform/DataGrid.h"

#include <QCalendarWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

const QString kDay = QStringLiteral("December 08, 2026");
const QString kOtherDay = QStringLiteral("December 09, 2026");

} // namespace

class tst_Inventory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensWithEverythingInPlace();
    void closeAndRefresh();
    void detailBoxesFollowTheCurrentRow();
    void search_data();
    void search();
    void optionSwitchKeepsTheFilter();
    void stockWatchThresholds_data();
    void stockWatchThresholds();
    void watchGridShowsSoldLinesBeforeFirstPress();
    void overlays();
    void addStock_data();
    void addStock();
    void twoAddsStartFromTheStoredStock();
    void addStockKeepsASaleMadeMeanwhile_data();
    void addStockKeepsASaleMadeMeanwhile();
    void editStock_data();
    void editStock();
    void adjustmentChecks_data();
    void adjustmentChecks();
    void noAtTheQuestionWritesNothing_data();
    void noAtTheQuestionWritesNothing();
    void adjustmentChangesOnlyTheCurrentItem();
    void failedUpdateIsReported();
    void dayTotals();
    void perItemQuantity();
    void soldNameFilterIsLiteral();
    void panelRefreshShowsAllLines();
    void printWithoutDay();
    void printQuestionPaths_data();
    void printQuestionPaths();
    void reportPdf();
    void totalsNeverOverflowToZero_data();
    void totalsNeverOverflowToZero();

private:
    void addItem(const QString& number, const QString& name, const QVariant& stocks,
                 const QString& availability = QStringLiteral("Available"),
                 const QString& brand = QStringLiteral("Acme"));
    void addSold(const QString& day, const QString& number, const QString& name, const QString& quantity,
                 const QString& amount, const QString& cashier = QStringLiteral("Maria"));
    frmInvent& open();
    template <class T> T* child(const char* name)
    {
        T* w = m_window->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QLineEdit* box(const char* name) { return child<QLineEdit>(name); }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    void selectItem(const QString& number);
    QString stored(const QString& number, const QString& column);

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<frmInvent> m_window;
};

void tst_Inventory::init()
{
    m_env = std::make_unique<TestEnv>();
    m_env->setSession(QStringLiteral("Maria"), QStringLiteral("Administrator"));
}

void tst_Inventory::cleanup()
{
    m_window.reset();
    m_env.reset();
}

void tst_Inventory::addItem(const QString& number, const QString& name, const QVariant& stocks,
                            const QString& availability, const QString& brand)
{
    m_env->exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, ItemStocks, "
                               "ItemBrand, ItemAvailability) VALUES (?, ?, '10', 'desc', ?, ?, ?)"),
                {number, name, stocks, brand, availability});
}

void tst_Inventory::addSold(const QString& day, const QString& number, const QString& name, const QString& quantity,
                            const QString& amount, const QString& cashier)
{
    m_env->exec(QStringLiteral("INSERT INTO tblSold (TransactionID, Dated, ItemName, ItemNumber, Quantity, "
                               "PresentStock, Cashier, Amount) VALUES ('1', ?, ?, ?, ?, '100', ?, ?)"),
                {day, name, number, quantity, cashier, amount});
}

frmInvent& tst_Inventory::open()
{
    m_window = std::make_unique<frmInvent>(m_env->ctx);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("window not exposed");
    return *m_window;
}

void tst_Inventory::selectItem(const QString& number)
{
    auto* control = m_window->findChild<DataControl*>(QStringLiteral("adoLog2"));
    for (int row = 0; row < control->totalRowCount(); ++row) {
        if (control->value(row, QStringLiteral("ItemNumber")).toString() == number) {
            auto* grid = child<DataGrid>("DataGrid2");
            const QRect cell = grid->visualRect(grid->model()->index(row, 1));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            return;
        }
    }
    qFatal("no item %s", qPrintable(number));
}

QString tst_Inventory::stored(const QString& number, const QString& column)
{
    return m_env->scalar(QStringLiteral("SELECT %1 FROM tblStocks WHERE ItemNumber = ?").arg(column), {number});
}

// ---- Window shell -----------------------------------------------------------------------

void tst_Inventory::opensWithEverythingInPlace()
{
    addItem("1001", "Pencil", 10);
    addSold(kDay, "1001", "Pencil", "2", "1,251");
    addSold(kOtherDay, "1001", "Pencil", "1", "49");
    open();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Inventory"));
    const struct
    {
        const char* name;
        const char* caption;
    } buttons[] = {
        {"lvButtons_H6", "Add Stock"},
        {"lvButtons_H7", "Edit Stock"},
        {"lvButtons_H1", "Sold Items"},
        {"lvButtons_H12", "Stock Watch"},
        {"lvButtons_H8", "Refresh"},
        {"cmdAccept", "Close"},
        {"lvButtons_H9", "Critical Items"},
        {"lvButtons_H10", "Running out Items"},
        {"lvButtons_H11", "Items to Monitor"},
        {"lvButtons_H14", "Average Items"},
        {"lvButtons_H15", "Watch List"},
        {"lvButtons_H13", "Close"},
        {"lvButtons_H5", "Date"},
        {"lvButtons_H2", "Close"},
        {"lvButtons_H3", "Refresh"},
        {"lvButtons_H4", "Print"},
    };
    for (const auto& b : buttons)
        QCOMPARE(child<QPushButton>(b.name)->text(), QLatin1String(b.caption));
    QCOMPARE(child<QRadioButton>("Option1")->text(), QStringLiteral("Name"));
    QVERIFY(child<QRadioButton>("Option1")->isChecked());
    QCOMPARE(child<QGroupBox>("Frame1")->title(), QStringLiteral("STOCK WATCH"));
    QVERIFY(child<QWidget>("Picture1")->isHidden());
    QVERIFY(child<QWidget>("Frame1")->isHidden());
    QVERIFY(child<QCalendarWidget>("Calendar1")->isHidden());
    QCOMPARE(box("txtSearch")->text(), QStringLiteral("Item Name"));
    QCOMPARE(box("txtSales")->text(), QStringLiteral("1300")); // every sold line of every day
    QCOMPARE(child<QLabel>("lblFound")->text(), QStringLiteral("1"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("2"));
    QVERIFY(child<DataGrid>("DataGrid1")->isColumnHidden(0));
    for (const char* grid : {"DataGrid1", "DataGrid2", "DataGrid3"}) {
        auto* g = child<DataGrid>(grid);
        QVERIFY(!(g->model()->flags(g->model()->index(0, 1)) & Qt::ItemIsEditable));
        g->setCurrentRow(0);
        QTest::keyClick(g, Qt::Key_Delete);
    }
    QCOMPARE(m_env->count("tblStocks"), 1);
    QCOMPARE(m_env->count("tblSold"), 2);
}

void tst_Inventory::closeAndRefresh()
{
    open();
    click("lvButtons_H8");
    QCOMPARE(m_window->result(), int(FormDialog::Reopen));
    open();
    click("cmdAccept");
    QCOMPARE(m_window->result(), int(QDialog::Rejected));
    QVERIFY(m_window->isHidden());
}

void tst_Inventory::detailBoxesFollowTheCurrentRow()
{
    addItem("1001", "Pencil", 10, "Available", "Mongol");
    addItem("1002", "Eraser", 0, "Out of Stock", "Pelikan");
    open();
    QCOMPARE(box("txtNum")->text(), QStringLiteral("1001"));
    selectItem("1002");
    QCOMPARE(box("txtNum")->text(), QStringLiteral("1002"));
    QCOMPARE(box("txtName")->text(), QStringLiteral("Eraser"));
    QCOMPARE(box("txtPrice")->text(), QStringLiteral("10"));
    QCOMPARE(box("txtDesc")->text(), QStringLiteral("desc"));
    QCOMPARE(box("txtBrand")->text(), QStringLiteral("Pelikan"));
    QCOMPARE(box("txtStocks")->text(), QStringLiteral("0"));
    QCOMPARE(box("txtAvail")->text(), QStringLiteral("Out of Stock"));
    QVERIFY(box("txtAdd")->hasFocus());
    for (const char* name : {"txtNum", "txtName", "txtPrice", "txtDesc", "txtBrand", "txtStocks", "txtAvail"})
        QVERIFY(box(name)->isReadOnly());
}

// ---- Search -----------------------------------------------------------------------------

void tst_Inventory::search_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("name, any case") << "Option1"
                                    << "ca" << QStringList{"1001", "1003"};
    QTest::newRow("item number") << "Option2"
                                 << "100" << QStringList{"1001", "1002", "1003"};
    QTest::newRow("item number exact") << "Option2"
                                       << "2004" << QStringList{"2004"};
    QTest::newRow("availability") << "Option3"
                                  << "Out" << QStringList{"1002"};
    QTest::newRow("brand") << "Option4"
                           << "sun" << QStringList{"1003"};
    QTest::newRow("nothing found") << "Option1"
                                   << "zzz" << QStringList{};
    QTest::newRow("quote literal") << "Option1"
                                   << "Jack's" << QStringList{"2004"};
    QTest::newRow("percent literal") << "Option1"
                                     << "50%" << QStringList{"1002"};
    QTest::newRow("underscore literal") << "Option1"
                                        << "a_b" << QStringList{};
    QTest::newRow("sql text") << "Option1"
                              << "' or ''='" << QStringList{};
}

void tst_Inventory::search()
{
    QFETCH(QString, option);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    addItem("1001", "Cash Box", 10, "Available", "Acme");
    addItem("1002", "Eraser 50%", 0, "Out of Stock", "Pelikan");
    addItem("1003", "Cable", 5, "Reserved", "Sunrise");
    addItem("2004", "Jack's Knife", 7, "Available", "Acme");
    open();
    QTest::mouseClick(child<QRadioButton>(qPrintable(option)), Qt::LeftButton);
    QTest::keyClicks(box("txtSearching"), text);
    auto* control = m_window->findChild<DataControl*>(QStringLiteral("adoLog2"));
    QStringList numbers;
    for (int row = 0; row < control->rowCount(); ++row)
        numbers << control->value(row, QStringLiteral("ItemNumber")).toString();
    QCOMPARE(numbers, found);
    QCOMPARE(child<QLabel>("lblFound")->text(), QString::number(found.size()));
    QCOMPARE(box("txtNum")->text(), found.value(0));

    // Emptying the box lists every item again, whatever the option.
    box("txtSearching")->clear();
    QCOMPARE(child<QLabel>("lblFound")->text(), QStringLiteral("4"));
}

void tst_Inventory::optionSwitchKeepsTheFilter()
{
    addItem("1001", "Pencil", 10, "Available", "Mongol");
    addItem("1002", "Pen", 10, "Available", "Pencraft");
    addItem("1003", "Ruler", 10, "Available", "Pentel");
    open();
    QTest::keyClicks(box("txtSearching"), "Pen");
    QCOMPARE(child<QLabel>("lblFound")->text(), QStringLiteral("2")); // by name
    QTest::mouseClick(child<QRadioButton>("Option4"), Qt::LeftButton);
    QCOMPARE(child<QLabel>("lblFound")->text(), QStringLiteral("2")); // the name filter stays
    QTest::keyClicks(box("txtSearching"), "t");                       // "Pent", now by brand
    QCOMPARE(child<QLabel>("lblFound")->text(), QStringLiteral("1"));
    QCOMPARE(box("txtNum")->text(), QStringLiteral("1003"));
}

// ---- Stock watch ------------------------------------------------------------------------

void tst_Inventory::stockWatchThresholds_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("listed");
    // Stocks: A 49, B 50, C 99, D 199, E 299, F 499, G 500
    QTest::newRow("critical") << "lvButtons_H9" << QStringList{"A"};
    QTest::newRow("running out") << "lvButtons_H10" << QStringList{"A", "B", "C"};
    QTest::newRow("monitor") << "lvButtons_H11" << QStringList{"A", "B", "C", "D"};
    QTest::newRow("average") << "lvButtons_H14" << QStringList{"A", "B", "C", "D", "E"};
    QTest::newRow("watch list") << "lvButtons_H15" << QStringList{"A", "B", "C", "D", "E", "F"};
}

void tst_Inventory::stockWatchThresholds()
{
    QFETCH(QString, button);
    QFETCH(QStringList, listed);
    const int stocks[] = {49, 50, 99, 199, 299, 499, 500};
    for (int i = 0; i < 7; ++i)
        addItem(QString::number(1001 + i), QString(QChar('A' + i)), stocks[i]);
    open();
    click("lvButtons_H12");
    click(qPrintable(button));
    auto* grid = child<DataGrid>("DataGrid3");
    QStringList columns;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        columns << grid->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(columns, (QStringList{"ItemNumber", "ItemName", "ItemStocks", "ItemAvailability", "ItemBrand"}));
    QStringList names;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        names << grid->model()->index(row, 1).data().toString();
    QCOMPARE(names, listed);
    QCOMPARE(child<QLabel>("lblWatch")->text(), QString::number(listed.size()));

    // The result stays when the frame is closed and opened again.
    click("lvButtons_H13");
    click("lvButtons_H12");
    QCOMPARE(child<QLabel>("lblWatch")->text(), QString::number(listed.size()));
}

void tst_Inventory::watchGridShowsSoldLinesBeforeFirstPress()
{
    addItem("1001", "Pencil", 10);
    for (int i = 0; i < 3; ++i)
        addSold(kDay, "1001", "Pencil", "1", "10");
    open();
    click("lvButtons_H12");
    auto* grid = child<DataGrid>("DataGrid3");
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Dated"));
    QCOMPARE(child<QLabel>("lblWatch")->text(), QStringLiteral("3"));
    click("lvButtons_H9");
    QCOMPARE(child<QLabel>("lblWatch")->text(), QStringLiteral("1"));
}

void tst_Inventory::overlays()
{
    open();
    auto* sold = child<QPushButton>("lvButtons_H1");
    auto* watch = child<QPushButton>("lvButtons_H12");
    auto* panel = child<QWidget>("Picture1");
    auto* frame = child<QWidget>("Frame1");
    const struct
    {
        const char* opener;
        const char* closer;
        QWidget* shown;
    } cases[] = {{"lvButtons_H1", "lvButtons_H2", panel}, {"lvButtons_H12", "lvButtons_H13", frame}};
    for (const auto& c : cases) {
        click(c.opener);
        QVERIFY(c.shown->isVisible());
        QVERIFY((c.shown == panel ? frame : panel)->isHidden());
        QVERIFY(!sold->isEnabled());
        QVERIFY(!watch->isEnabled());
        click(c.closer);
        QVERIFY(c.shown->isHidden());
        QVERIFY(sold->isEnabled());
        QVERIFY(watch->isEnabled());
        QVERIFY(child<DataGrid>("DataGrid2")->isVisible());
    }
}

// ---- Stock adjustment -------------------------------------------------------------------

void tst_Inventory::addStock_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stocks");
    QTest::addColumn<QString>("availability");
    QTest::addColumn<QString>("question");
    QTest::newRow("5") << "5"
                       << "15"
                       << "Available"
                       << "Add 5 stock(s) to Pencil?\n\nCurrent Stock: 10\nFuture Stock: 15\n\nConfirm additional "
                          "stock(s)?";
    QTest::newRow("-10") << "-10"
                         << "0"
                         << "Out of Stock"
                         << "Add -10 stock(s) to Pencil?\n\nCurrent Stock: 10\nFuture Stock: 0\n\nConfirm "
                            "additional stock(s)?";
    QTest::newRow("abc") << "abc"
                         << "10"
                         << "Available"
                         << "Add abc stock(s) to Pencil?\n\nCurrent Stock: 10\nFuture Stock: 10\n\nConfirm "
                            "additional stock(s)?";
    QTest::newRow("2.5") << "2.5"
                         << "12.5"
                         << "Available"
                         << "Add 2.5 stock(s) to Pencil?\n\nCurrent Stock: 10\nFuture Stock: 12.5\n\nConfirm "
                            "additional stock(s)?";
}

void tst_Inventory::addStock()
{
    QFETCH(QString, typed);
    QFETCH(QString, stocks);
    QFETCH(QString, availability);
    QFETCH(QString, question);
    addItem("1001", "Pencil", 10, "Reserved");
    open();
    QTest::keyClicks(box("txtAdd"), typed);
    m_env->answer(QMessageBox::Yes);
    click("lvButtons_H6");
    QCOMPARE(m_env->messages.size(), 2);
    QCOMPARE(m_env->messages[0].text, question);
    QCOMPARE(m_env->messages[0].title, QStringLiteral("Confirm"));
    QCOMPARE(m_env->messages[0].icon, QMessageBox::Question);
    QCOMPARE(m_env->messages[1].text, QStringLiteral("Click Refresh to view updated result."));
    QCOMPARE(m_env->messages[1].title, QStringLiteral("Successfully Updated"));
    QCOMPARE(stored("1001", "ItemStocks"), stocks);
    QCOMPARE(stored("1001", "ItemAvailability"), availability);
    QCOMPARE(box("txtStocks")->text(), stocks); // shown at once
    QCOMPARE(box("txtAvail")->text(), availability);
    QCOMPARE(box("txtAdd")->text(), typed); // kept for another press
}

void tst_Inventory::twoAddsStartFromTheStoredStock()
{
    addItem("1001", "Pencil", 10);
    open();
    QTest::keyClicks(box("txtAdd"), "5");
    m_env->answer(QMessageBox::Yes);
    click("lvButtons_H6");
    m_env->answer(QMessageBox::Yes);
    click("lvButtons_H6");
    QCOMPARE(stored("1001", "ItemStocks"), QStringLiteral("20"));
    QVERIFY(m_env->messages[2].text.contains(QStringLiteral("Current Stock: 15\nFuture Stock: 20")));
    QCOMPARE(box("txtStocks")->text(), QStringLiteral("20"));

    // A sale made elsewhere in between is not overwritten by the figure shown.
    m_env->exec(QStringLiteral("UPDATE tblStocks SET ItemStocks = 18"));
    m_env->answer(QMessageBox::Yes);
    click("lvButtons_H6");
    QCOMPARE(stored("1001", "ItemStocks"), QStringLiteral("23"));
}

void tst_Inventory::addStockKeepsASaleMadeMeanwhile_data()
{
    QTest::addColumn<int>("stock");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("soldMeanwhile");
    QTest::addColumn<QString>("future"); // as the question shows it
    QTest::addColumn<QString>("stocks");
    QTest::addColumn<QString>("availability");
    QTest::newRow("10 + 5, 3 sold") << 10 << "5" << 3 << "15"
                                    << "12"
                                    << "Available";
    QTest::newRow("3 - 2, 1 sold") << 3 << "-2" << 1 << "1"
                                   << "0"
                                   << "Out of Stock";
}

// Another copy sells while the question is open: the question keeps the figure read when the
// button was pressed, and the write adds to the stock as stored then, so the sale is kept.
void tst_Inventory::addStockKeepsASaleMadeMeanwhile()
{
    QFETCH(int, stock);
    QFETCH(QString, typed);
    QFETCH(int, soldMeanwhile);
    QFETCH(QString, future);
    QFETCH(QString, stocks);
    QFETCH(QString, availability);
    addItem("1001", "Pencil", stock);
    open();
    Database otherCopy;
    QVERIFY(m_env->openAnother(otherCopy));
    QString question;
    m_env->platform.setMessageHook([&](const MessageRecord& m) {
        m_env->messages << m;
        if (!m.buttons.testFlag(QMessageBox::Yes))
            return QMessageBox::Ok;
        question = m.text;
        otherCopy.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemStocks = ItemStocks - ?"), {soldMeanwhile});
        return QMessageBox::Yes;
    });
    QTest::keyClicks(box("txtAdd"), typed);
    click("lvButtons_H6");
    QVERIFY2(question.contains(QStringLiteral("Current Stock: %1\nFuture Stock: %2").arg(stock).arg(future)),
             qPrintable(question));
    QCOMPARE(stored("1001", "ItemStocks"), stocks);
    QCOMPARE(stored("1001", "ItemAvailability"), availability);
    QCOMPARE(box("txtStocks")->text(), stocks);
    QCOMPARE(box("txtAvail")->text(), availability);
    QCOMPARE(m_env->lastMessage().title, QStringLiteral("Successfully Updated"));
}

void tst_Inventory::editStock_data()
{
    QTest::addColumn<QString>("availabilityBefore");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stocks");
    QTest::addColumn<QString>("availability");
    // How the availability follows the stock is the model's rule (tst_inventorydata).
    QTest::newRow("25") << "Out of Stock"
                        << "25"
                        << "25"
                        << "Available";
    QTest::newRow("thousands") << "Available"
                               << "1,250"
                               << "1250"
                               << "Available";
}

void tst_Inventory::editStock()
{
    QFETCH(QString, availabilityBefore);
    QFETCH(QString, typed);
    QFETCH(QString, stocks);
    QFETCH(QString, availability);
    addItem("1001", "Pencil", 10, availabilityBefore);
    open();
    QTest::keyClicks(box("txtAdd"), typed);
    m_env->answer(QMessageBox::Yes);
    click("lvButtons_H7");
    QCOMPARE(m_env->messages.size(), 2);
    QCOMPARE(m_env->messages[0].text,
             QStringLiteral("Update Pencil's Stock to %1?\n\nCurrent Stock: 10\nConfirm Update "
                            "of stock(s)?")
                 .arg(typed));
    QCOMPARE(m_env->messages[0].title, QStringLiteral("Confirm"));
    QCOMPARE(m_env->messages[1].title, QStringLiteral("Successfully Updated"));
    QCOMPARE(stored("1001", "ItemStocks"), stocks);
    QCOMPARE(stored("1001", "ItemAvailability"), availability);
    QCOMPARE(box("txtStocks")->text(), stocks);
}

void tst_Inventory::adjustmentChecks_data()
{
    QTest::addColumn<bool>("haveItem");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    const QString noItem = QStringLiteral("No valid Item Number or Item Name for Stock Management!");
    QTest::newRow("add without item") << false << "lvButtons_H6"
                                      << "5" << noItem << "Message";
    QTest::newRow("edit without item") << false << "lvButtons_H7"
                                       << "5" << noItem << "Message";
    QTest::newRow("add without figure") << true << "lvButtons_H6"
                                        << ""
                                        << "Set number of stocks to be added!"
                                        << "Add";
    QTest::newRow("edit without figure") << true << "lvButtons_H7"
                                         << ""
                                         << "Set new remaining stocks!"
                                         << "Add";
    const QString notNumber =
        QStringLiteral("The new remaining stocks must be a number, such as 25. Nothing was changed.");
    QTest::newRow("edit with a word") << true << "lvButtons_H7"
                                      << "many" << notNumber << "Add";
    QTest::newRow("edit with trailing text") << true << "lvButtons_H7"
                                             << "12abc" << notNumber << "Add";
}

void tst_Inventory::adjustmentChecks()
{
    QFETCH(bool, haveItem);
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(QString, title);
    addItem("1001", "Pencil", 10);
    open();
    if (!haveItem)
        QTest::keyClicks(box("txtSearching"), "no such item");
    QTest::keyClicks(box("txtAdd"), typed);
    m_env->answer(QMessageBox::Yes);
    click(qPrintable(button));
    QCOMPARE(m_env->messageTexts(), QStringList{text});
    QCOMPARE(m_env->lastMessage().title, title);
    QCOMPARE(stored("1001", "ItemStocks"), QStringLiteral("10"));
    QCOMPARE(stored("1001", "ItemAvailability"), QStringLiteral("Available"));
}

void tst_Inventory::noAtTheQuestionWritesNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("add") << "lvButtons_H6";
    QTest::newRow("edit") << "lvButtons_H7";
}

void tst_Inventory::noAtTheQuestionWritesNothing()
{
    QFETCH(QString, button);
    addItem("1001", "Pencil", 10, "Reserved");
    open();
    QTest::keyClicks(box("txtAdd"), "5");
    m_env->answer(QMessageBox::No);
    click(qPrintable(button));
    QCOMPARE(m_env->messages.size(), 1);
    QCOMPARE(stored("1001", "ItemStocks"), QStringLiteral("10"));
    QCOMPARE(stored("1001", "ItemAvailability"), QStringLiteral("Reserved"));
}

void tst_Inventory::adjustmentChangesOnlyTheCurrentItem()
{
    addItem("1001", "Jack's Pencil", 10);
    addItem("1002", "Jack's Pencil", 3);
    open();
    selectItem("1002");
    QTest::keyClicks(box("txtAdd"), "4");
    m_env->answer(QMessageBox::Yes);
    click("lvButtons_H6");
    QCOMPARE(stored("1001", "ItemStocks"), QStringLiteral("10"));
    QCOMPARE(stored("1002", "ItemStocks"), QStringLiteral("7"));
    m_env->answer(QMessageBox::Yes);
    click("lvButtons_H7");
    QCOMPARE(stored("1001", "ItemStocks"), QStringLiteral("10"));
    QCOMPARE(stored("1002", "ItemStocks"), QStringLiteral("4"));
}

void tst_Inventory::failedUpdateIsReported()
{
    addItem("1001", "Pencil", 10);
    open();
    m_env->refuseWrites(QStringLiteral("refuse"), QStringLiteral("BEFORE UPDATE ON tblStocks"),
                        QStringLiteral("locked"));
    QTest::keyClicks(box("txtAdd"), "5");
    for (const char* button : {"lvButtons_H6", "lvButtons_H7"}) {
        m_env->messages.clear();
        m_env->answer(QMessageBox::Yes);
        click(button);
        QCOMPARE(m_env->messages.size(), 2);
        QCOMPARE(m_env->messages[1].text, QStringLiteral("The stock of Pencil was not updated."));
        QVERIFY(m_env->messages[1].details.contains(QStringLiteral("locked")));
        QCOMPARE(m_env->messages[1].title, QStringLiteral("Pemvix"));
        QCOMPARE(m_env->messages[1].icon, QMessageBox::Warning);
        QCOMPARE(stored("1001", "ItemStocks"), QStringLiteral("10"));
        QCOMPARE(box("txtStocks")->text(), QStringLiteral("10"));
    }
}

// ---- Sold-items panel -------------------------------------------------------------------

void tst_Inventory::dayTotals()
{
    addItem("1001", "Pencil", 10);
    addSold(kDay, "1001", "Pencil", "1", "100");
    addSold(kDay, "1002", "Paper", "3", "1,251");
    addSold(kDay, "1003", "Glue", "1", "49");
    addSold(kOtherDay, "1001", "Pencil", "1", "7");
    open();
    QCOMPARE(box("txtSales")->text(), QStringLiteral("1407"));
    click("lvButtons_H1"); // an empty day keeps the total of all lines
    QCOMPARE(box("txtSales")->text(), QStringLiteral("1407"));

    click("lvButtons_H5");
    auto* calendar = child<QCalendarWidget>("Calendar1");
    QVERIFY(calendar->isVisible());
    QCOMPARE(calendar->selectedDate(), QDate::currentDate());
    emit calendar->clicked(QDate(2026, 12, 8));
    QVERIFY(calendar->isHidden());
    QCOMPARE(box("txtSearch1")->text(), kDay);
    QCOMPARE(box("txtSales")->text(), QStringLiteral("1400"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("3"));
    QCOMPARE(child<DataGrid>("DataGrid1")->model()->rowCount(), 3);
    QVERIFY(child<DataGrid>("DataGrid1")->isColumnHidden(0));

    // A day without lines shows 0, not the previous day's figure.
    click("lvButtons_H5");
    emit calendar->clicked(QDate(2026, 12, 10));
    QCOMPARE(box("txtSales")->text(), QStringLiteral("0"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("0"));
    QCOMPARE(child<DataGrid>("DataGrid1")->model()->rowCount(), 0);

    // Reopening the panel sums the day it holds.
    click("lvButtons_H2");
    m_env->exec(QStringLiteral("UPDATE tblSold SET Dated = ? WHERE Amount = '7'"),
                {QStringLiteral("December 10, 2026")});
    click("lvButtons_H1");
    QCOMPARE(box("txtSales")->text(), QStringLiteral("7"));
}

void tst_Inventory::perItemQuantity()
{
    addItem("1001", "Pencil", 10);
    addSold(kDay, "1001", "Pencil", "2", "20");
    addSold(kDay, "1002", "Paper", "4", "40");
    addSold(kDay, "1001", "Pencil", "3", "30");
    addSold(kOtherDay, "1001", "Pencil", "9", "90");
    open();
    click("lvButtons_H1");
    click("lvButtons_H5");
    emit child<QCalendarWidget>("Calendar1")->clicked(QDate(2026, 12, 8));
    QTest::qWait(300);
    QCOMPARE(box("Text2")->text(), QString()); // "Item Name" is no item number

    QTest::mouseClick(box("txtSearch"), Qt::LeftButton); // a click empties the box
    QCOMPARE(box("txtSearch")->text(), QString());
    QTest::keyClicks(box("txtSearch"), "1001");
    QTRY_COMPARE(box("Text2")->text(), QStringLiteral("5"));
    QCOMPARE(child<DataGrid>("DataGrid1")->model()->rowCount(), 3); // the grid still lists the day

    box("txtSearch1")->setText(kOtherDay);
    QTRY_COMPARE(box("Text2")->text(), QStringLiteral("9"));
    box("txtSearch1")->setText(QStringLiteral("December 10, 2026"));
    QTRY_COMPARE(box("Text2")->text(), QString());
}

void tst_Inventory::soldNameFilterIsLiteral()
{
    addSold(kDay, "1001", "Jack's 50% Pencil", "1", "10");
    addSold(kDay, "1002", "Paper", "1", "10");
    addSold(kDay, "1003", "Jacks 500 Pencil", "1", "10");
    open();
    click("lvButtons_H1");
    QTest::mouseClick(box("txtSearch"), Qt::LeftButton);
    QTest::keyClicks(box("txtSearch"), "Jack's 50%");
    QTRY_COMPARE(box("Text1")->text(), QStringLiteral("1"));
    QTest::mouseClick(box("txtSearch"), Qt::LeftButton);
    QCOMPARE(box("Text1")->text(), QStringLiteral("3"));
}

void tst_Inventory::panelRefreshShowsAllLines()
{
    addItem("1001", "Pencil", 10);
    addItem("1002", "Pen", 10);
    addSold(kDay, "1001", "Pencil", "1", "100");
    addSold(kOtherDay, "1001", "Pencil", "1", "1,000");
    open();
    QTest::keyClicks(box("txtSearching"), "Pencil");
    click("lvButtons_H1");
    click("lvButtons_H5");
    emit child<QCalendarWidget>("Calendar1")->clicked(QDate(2026, 12, 8));
    QCOMPARE(box("Text1")->text(), QStringLiteral("1"));
    addSold(kOtherDay, "1002", "Pen", "1", "5");
    click("lvButtons_H3");
    QCOMPARE(box("Text1")->text(), QStringLiteral("3"));
    QCOMPARE(box("txtSales")->text(), QStringLiteral("1105"));
    QCOMPARE(child<QLabel>("lblFound")->text(), QStringLiteral("2")); // the stock filter is gone too
    QVERIFY(child<DataGrid>("DataGrid1")->isColumnHidden(0));
}

void tst_Inventory::printWithoutDay()
{
    addSold(kDay, "1001", "Pencil", "1", "100");
    open();
    click("lvButtons_H1");
    const QString before = box("txtSales")->text();
    click("lvButtons_H4");
    QCOMPARE(m_env->messageTexts(), QStringList{QStringLiteral("Set Date of Transaction!")});
    QCOMPARE(m_env->lastMessage().title, QStringLiteral("Message"));
    QCOMPARE(m_env->lastMessage().icon, QMessageBox::Information);
    QVERIFY(child<QCalendarWidget>("Calendar1")->isVisible());
    QVERIFY(m_env->modalWindows.isEmpty());
    QCOMPARE(box("txtSales")->text(), before);
    QCOMPARE(box("Text1")->text(), QStringLiteral("1"));
}

void tst_Inventory::printQuestionPaths_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes shows the report") << true;
    QTest::newRow("no shows the lines") << false;
}

void tst_Inventory::printQuestionPaths()
{
    QFETCH(bool, yes);
    addSold(kDay, "1001", "Pencil", "1", "100");
    addSold(kOtherDay, "1001", "Pencil", "1", "5");
    open();
    click("lvButtons_H1");
    QTest::mouseClick(box("txtSearch1"), Qt::LeftButton);
    QTest::keyClicks(box("txtSearch1"), kDay); // typed by hand
    m_env->answer(yes ? QMessageBox::Yes : QMessageBox::No);
    // The report window prints to a PDF file, as a user's "Print" would to a printer.
    const QString pdf = m_env->dir() + QStringLiteral("/printed.pdf");
    QString title;
    m_env->onModal([&](QDialog& d) {
        title = d.windowTitle();
        auto* preview = qobject_cast<QPrintPreviewDialog*>(&d);
        if (!preview)
            return 0;
        preview->printer()->setOutputFormat(QPrinter::PdfFormat);
        preview->printer()->setOutputFileName(pdf);
        preview->findChild<QPrintPreviewWidget*>()->print();
        return 0;
    });
    click("lvButtons_H4");
    QCOMPARE(m_env->messages.size(), 1);
    QCOMPARE(m_env->messages[0].text,
             QStringLiteral("Print Sold Items for December 08, 2026?\nClick Yes to Print\nClick No to See Result"));
    QCOMPARE(m_env->messages[0].title, QStringLiteral("Print"));
    QCOMPARE(m_env->modalWindows.size(), yes ? 1 : 0);
    QCOMPARE(box("Text1")->text(), QStringLiteral("1"));
    QCOMPARE(box("txtSales")->text(), QStringLiteral("100"));
    if (!yes)
        return;
    QCOMPARE(title, QStringLiteral("Zarel's Customized Inventory Report"));
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    QVERIFY2(text.contains(InventoryReport::headerDate(QDate::currentDate())), qPrintable(text));
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("1001\\s+Pencil\\s+1\\s+100\\s+Maria"))));
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("SALES:\\s+100.00"))));
    QCOMPARE(text.count(QStringLiteral("Pencil")), 1); // the other day's line is not printed
}

void tst_Inventory::reportPdf()
{
    // 130 lines on the day, enough for several pages, and one line on another day.
    double total = 0;
    for (int i = 1; i <= 130; ++i) {
        const int amount = 1000 + i;
        total += amount;
        addSold(kDay, QString::number(5000 + i), QStringLiteral("Item %1").arg(i), QString::number(i % 7 + 1),
                FormatNumber(amount, NumberPattern::Grouped0), i % 2 ? "Maria" : "Jose");
    }
    addSold(kOtherDay, "9999", "Other Day Item", "1", "77");
    const Recordset lines = InventoryData::soldLinesForDate(m_env->db, kDay);
    QCOMPARE(lines.rowCount(), 130);
    const QDate printedOn(2026, 12, 15);
    const BandedReport report = InventoryReport::build(lines, printedOn);
    QCOMPARE(report.windowTitle(), QStringLiteral("Zarel's Customized Inventory Report"));
    const QString pdf = m_env->dir() + QStringLiteral("/inventory.pdf");
    QVERIFY(report.exportPdf(pdf));

    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
    QCOMPARE(text.count(QStringLiteral("INVENTORY ITEM SOLD REPORT")), 1);
    QVERIFY(text.contains(QStringLiteral("Zarel's Customized Sales and Inventory System")));
    QVERIFY(text.contains(QStringLiteral("Tuesday December 15, 2026"))); // the day of printing
    for (const QString& page : pages) {
        for (const char* heading : {"ITEM NUMBER", "ITEM NAME", "QUANTITY", "AMOUNT", "CASHIER"})
            QVERIFY2(page.contains(QLatin1String(heading)), heading);
        QVERIFY(page.contains(QStringLiteral("TOLVENCO SYSTEM SOLUTION")));
    }
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("5001\\s+Item 1\\s+2\\s+1,001\\s+Maria"))));
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("5130\\s+Item 130\\s+5\\s+1,130\\s+Jose"))));
    QVERIFY(!text.contains(QStringLiteral("Other Day Item")));
    QCOMPARE(text.count(QRegularExpression(QStringLiteral("\\b5\\d\\d\\d\\s+Item \\d+\\b"))), 130);
    const QString footer =
        QStringLiteral("SALES:\\s+") + QRegularExpression::escape(FormatNumber(total, NumberPattern::Grouped2));
    QVERIFY(pages.last().contains(QRegularExpression(footer)));
    QCOMPARE(FormatNumber(total, NumberPattern::Grouped2), QStringLiteral("138,515.00"));
}

void tst_Inventory::totalsNeverOverflowToZero_data()
{
    QTest::addColumn<QStringList>("amounts");
    QTest::addColumn<QString>("total");
    const QString huge = FormatNumber(1e308, NumberPattern::Grouped0); // as an old line may hold it
    QTest::newRow("separators and cents") << QStringList{"1,500.00", "37.50", "0.30"} << "1537.8";
    QTest::newRow("beyond any number") << QStringList{huge, "1", huge} << "Total too large";
}

// The sold total of a day, of all days and of the printed report is the sum of the lines, or
// says that it is too large, never 0.
void tst_Inventory::totalsNeverOverflowToZero()
{
    QFETCH(QStringList, amounts);
    QFETCH(QString, total);
    int n = 0;
    for (const QString& amount : amounts)
        addSold(kDay, QString::number(1001 + n++), QStringLiteral("Item"), "1", amount);
    open();
    QCOMPARE(box("txtSales")->text(), total);
    click("lvButtons_H5");
    emit child<QCalendarWidget>("Calendar1")->clicked(QDate(2026, 12, 8));
    QCOMPARE(box("txtSales")->text(), total);
    const BandedReport report = InventoryReport::build(InventoryData::soldLinesForDate(m_env->db, kDay), QDate());
    QCOMPARE(report.caption(QStringLiteral("Label7")), FormatText(total, NumberPattern::Grouped2));
}

QTEST_MAIN(tst_Inventory)
#include "tst_inventory.moc"
