#include "TestEnv.h"

#include "data/DataControl.h"
#include "data/Database.h"
#include "platform/DataGrid.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

// Lists sorted by a column: by the database, in the column's own sense of order, page after
// page, filtered or not, and from a click on a real grid's heading.
class tst_Sorting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void kinds_data();
    void kinds();
    void largeTableByPrice_data();
    void largeTableByPrice();
    void largeTableFilteredOrUnindexed_data();
    void largeTableFilteredOrUnindexed();
    void defaultOrderAndRowsKept();
    void headingClickSortsGrid();

private:
    // 100,000 items: prices as whole numbers of 1 to 4 digits (their text order is not their
    // number order), a few with thousands separators, a few that are no number; many ties.
    std::unique_ptr<TestEnv> m_big;
};

namespace {

QVector<qint64> shownIds(const DataControl& ctl)
{
    QVector<qint64> ids;
    for (int r = 0; r < ctl.rowCount(); ++r)
        ids << ctl.rowId(r);
    return ids;
}

QStringList shownColumn(const DataControl& ctl, const QString& column)
{
    QStringList values;
    for (int r = 0; r < ctl.rowCount(); ++r)
        values << ctl.value(r, column).toString();
    return values;
}

// The rowids of the items in the order of a number column, worked out here, ties by rowid; only
// the items whose name contains `contains` (letter case ignored) when it is given, and whose
// stock is below `below` when that is above 0.
QVector<qint64> numberOrder(Database& db, const QString& column, Qt::SortOrder order, const QString& contains = {},
                            int below = 0)
{
    struct Item
    {
        double price;
        qint64 id;
    };
    QVector<Item> items;
    const Recordset all = db.query(QStringLiteral("SELECT rowid, %1, ItemName, ItemStocks FROM tblStocks").arg(column));
    for (const QVariantList& row : all.rows()) {
        if (!contains.isEmpty() && !row.at(2).toString().contains(contains, Qt::CaseInsensitive))
            continue;
        if (below > 0 && row.at(3).toInt() >= below)
            continue;
        bool ok = false;
        const double price = row.at(1).toString().remove(u',').toDouble(&ok);
        items.push_back({ok ? price : 0.0, row.at(0).toLongLong()});
    }
    std::sort(items.begin(), items.end(), [order](const Item& a, const Item& b) {
        const bool less = a.price < b.price || (a.price == b.price && a.id < b.id);
        const bool greater = a.price > b.price || (a.price == b.price && a.id > b.id);
        return order == Qt::AscendingOrder ? less : greater;
    });
    QVector<qint64> ids;
    for (const Item& item : items)
        ids << item.id;
    return ids;
}

void fetchAll(DataControl& ctl)
{
    while (ctl.canFetchMore() || ctl.isFilling()) {
        if (ctl.isFilling())
            ctl.setCurrentRow(ctl.rowCount()); // a row asked for by number is gathered at once
        else
            ctl.fetchMore();
    }
}

} // namespace

void tst_Sorting::initTestCase()
{
    m_big = std::make_unique<TestEnv>();
    Database& db = m_big->db;
    QVERIFY(db.begin());
    QVERIFY(db.ExecuteSql(QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                "INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, ItemStocks, ItemBrand, "
                "ItemAvailability) SELECT CAST(1000 + i AS TEXT), 'Item ' || CAST((i * 7919) % 100003 AS TEXT), "
                "CAST((i * 37) % 2000 AS TEXT), 'Described ' || CAST(i % 977 AS TEXT), i % 300, 'Brand', "
                "'Available' FROM n")) == 100000);
    QVERIFY(db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemPrice = '2,250.50' WHERE rowid IN (7, 70000)")) ==
            2);
    QVERIFY(db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemPrice = 'n/a' WHERE rowid = 5")) == 1);
    QVERIFY(db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemPrice = NULL WHERE rowid = 99999")) == 1);
    QVERIFY(db.commit());
    // A server plans from statistics, which a shop's server keeps up to date by itself; a table
    // filled a moment ago has none yet.
    if (TestEnv::onServer())
        QVERIFY(db.executeScript(QStringLiteral("ANALYZE tblStocks")));
}

void tst_Sorting::kinds_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("ascending");

    QTest::newRow("prices as numbers") << "tblStocks"
                                       << "ItemPrice" << QStringList{"5", "40", "1,200.50", "12.5", "", "0.75"}
                                       << QStringList{"", "0.75", "5", "12.5", "40", "1,200.50"};
    QTest::newRow("item numbers stored as text")
        << "tblStocks"
        << "ItemNumber" << QStringList{"1001", "999", "10000", "20"} << QStringList{"20", "999", "1001", "10000"};
    QTest::newRow("amounts of sold lines")
        << "tblSold"
        << "Amount" << QStringList{"2,000.00", "950.00", "12,500.25"} << QStringList{"950.00", "2,000.00", "12,500.25"};
    QTest::newRow("days as dates") << "tblSales"
                                   << "BusinessDate"
                                   << QStringList{"December 08, 2026", "January 15, 2027", "March 02, 2026",
                                                  "february 10, 2026", "May 31, 2025"}
                                   << QStringList{"May 31, 2025", "february 10, 2026", "March 02, 2026",
                                                  "December 08, 2026", "January 15, 2027"};
    QTest::newRow("sold days as dates") << "tblSold"
                                        << "Dated"
                                        << QStringList{"November 30, 2026", "April 01, 2026", "August 15, 2026"}
                                        << QStringList{"April 01, 2026", "August 15, 2026", "November 30, 2026"};
    QTest::newRow("times of day") << "tblSales"
                                  << "BusinessTime"
                                  << QStringList{"9:05:07 PM", "12:30:00 PM", "10:00:00 AM", "12:05:00 AM",
                                                 "1:00:00 PM"}
                                  << QStringList{"12:05:00 AM", "10:00:00 AM", "12:30:00 PM", "1:00:00 PM",
                                                 "9:05:07 PM"};
    QTest::newRow("session lengths") << "tblLogs"
                                     << "ElapsedTime"
                                     << QStringList{"10 Hr 0 Min 0 Sec", "2 Hr 59 Min 1 Sec", "",
                                                    "0 Hr 5 Min 12 Sec", "2 Hr 9 Min 30 Sec", "0 Hr 0 Min 45 Sec"}
                                     << QStringList{"",
                                                    "0 Hr 0 Min 45 Sec",
                                                    "0 Hr 5 Min 12 Sec",
                                                    "2 Hr 9 Min 30 Sec",
                                                    "2 Hr 59 Min 1 Sec",
                                                    "10 Hr 0 Min 0 Sec"};
    QTest::newRow("text without letter case")
        << "tblStocks"
        << "ItemName" << QStringList{"banana", "Apple", "cherry", "apple pie", "Banana split"}
        << QStringList{"Apple", "apple pie", "banana", "Banana split", "cherry"};
}

void tst_Sorting::kinds()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QStringList, values);
    QFETCH(QStringList, ascending);
    TestEnv env;
    for (const QString& value : values)
        QCOMPARE(env.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (?)").arg(table, column), {value}), 1);
    DataControl ctl(env.db);
    QAbstractItemModelTester tester(&ctl, QAbstractItemModelTester::FailureReportingMode::QtTest);
    ctl.setRecordSource(QStringLiteral("Select * from %1").arg(table));
    QVERIFY(ctl.Refresh());
    QCOMPARE(shownColumn(ctl, column), values); // the record source's order first
    const int c = ctl.columnIndex(column);
    ctl.sort(c, Qt::AscendingOrder);
    QCOMPARE(shownColumn(ctl, column), ascending);
    ctl.sort(c, Qt::DescendingOrder);
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(shownColumn(ctl, column), descending);
    // A filter keeps the order.
    ctl.setFilter(column, values.first().left(2));
    QStringList filtered;
    for (const QString& v : std::as_const(descending))
        if (v.contains(values.first().left(2), Qt::CaseInsensitive))
            filtered << v;
    QCOMPARE(shownColumn(ctl, column), filtered);
}

void tst_Sorting::largeTableByPrice_data()
{
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::newRow("ascending") << Qt::AscendingOrder;
    QTest::newRow("descending") << Qt::DescendingOrder;
}

void tst_Sorting::largeTableByPrice()
{
    QFETCH(Qt::SortOrder, order);
    DataControl ctl(m_big->db);
    ctl.setRecordSource(QStringLiteral("Select * from tblStocks"));
    QVERIFY(ctl.Refresh());
    const QVector<qint64> expected = numberOrder(m_big->db, QStringLiteral("ItemPrice"), order);
    ctl.sort(ctl.columnIndex(QStringLiteral("ItemPrice")), order);
    // The first page at once, from the index, not from a sort of the whole table.
    QVERIFY(!ctl.isFilling());
    QCOMPARE(ctl.rowCount(), DataControl::kPageSize);
    QCOMPARE(ctl.totalRowCount(), 100000);
    QCOMPARE(shownIds(ctl), expected.mid(0, DataControl::kPageSize));
    // Page after page gives the order of the whole sort.
    fetchAll(ctl);
    QCOMPARE(ctl.rowCount(), 100000);
    QCOMPARE(shownIds(ctl), expected);
}

void tst_Sorting::largeTableFilteredOrUnindexed_data()
{
    QTest::addColumn<int>("below"); // a record source of the items whose stock is below this
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<bool>("gathered"); // between events, a slice of rowids at a time
    QTest::newRow("filtered, by price") << 0 << QString("item 12") << QString("ItemPrice") << Qt::AscendingOrder
                                        << true;
    QTest::newRow("filtered, by price, descending")
        << 0 << QString("item 12") << QString("ItemPrice") << Qt::DescendingOrder << true;
    QTest::newRow("few found") << 0 << QString("item 12345") << QString("ItemPrice") << Qt::DescendingOrder << true;
    QTest::newRow("by a column without an index")
        << 0 << QString() << QString("ItemStocks") << Qt::DescendingOrder << true;
    QTest::newRow("source finding every row") << 300 << QString() << QString("ItemPrice") << Qt::AscendingOrder << true;
    QTest::newRow("source finding few rows") << 2 << QString() << QString("ItemStocks") << Qt::DescendingOrder << false;
}

void tst_Sorting::largeTableFilteredOrUnindexed()
{
    QFETCH(int, below);
    QFETCH(QString, filter);
    QFETCH(QString, column);
    QFETCH(Qt::SortOrder, order);
    QFETCH(bool, gathered);
    // On the server a trigram index finds the rows of a name search: those few are sorted at once.
    if (m_big->db.isServer() && !filter.isEmpty())
        gathered = false;
    DataControl ctl(m_big->db);
    ctl.setFillStepMs(1);
    if (below > 0)
        ctl.setRecordSource(QStringLiteral("Select * from tblStocks where ItemStocks < ?"), {below});
    else
        ctl.setRecordSource(QStringLiteral("Select * from tblStocks"));
    QVERIFY(ctl.Refresh());
    if (!filter.isEmpty())
        QVERIFY(ctl.setFilter(QStringLiteral("ItemName"), filter));
    QTRY_VERIFY(!ctl.isFilling());
    ctl.setCurrentRow(3);
    // (No model tester here: it fetches more on every insertion, a pass over the table each.)
    ctl.sort(ctl.columnIndex(column), order);
    // Gathered between events: the whole table is read a slice at a time. Otherwise a page now.
    QCOMPARE(ctl.isFilling(), gathered);
    QVERIFY(!ctl.canFetchMore() || !gathered);
    QTRY_VERIFY_WITH_TIMEOUT(!ctl.isFilling(), 20000);
    const QVector<qint64> expected = numberOrder(m_big->db, column, order, filter, below);
    const int page = gathered ? DataControl::kPassRows : DataControl::kPageSize;
    const int first = std::min<int>(page, int(expected.size()));
    QCOMPARE(ctl.rowCount(), first);
    QCOMPARE(shownIds(ctl), expected.mid(0, first));
    QCOMPARE(ctl.currentRow(), expected.isEmpty() ? -1 : 0); // the first row sorted, as after a refresh
    // The next pass goes on after the last row; a row asked for by number is gathered at once.
    if (expected.size() > first) {
        ctl.setCurrentRow(first + 10);
        QCOMPARE(ctl.currentRow(), first + 10);
        QCOMPARE(shownIds(ctl), expected.mid(0, ctl.rowCount()));
    }
    if (!filter.isEmpty() || !gathered) {
        fetchAll(ctl);
        QCOMPARE(shownIds(ctl), expected);
        while (!ctl.countStep(50)) {
        }
        QCOMPARE(ctl.knownRowCount(), int(expected.size()));
    }
}

void tst_Sorting::defaultOrderAndRowsKept()
{
    TestEnv env;
    for (const char* price : {"30", "10", "20", "10"})
        QCOMPARE(env.exec(QStringLiteral("INSERT INTO tblStocks (ItemName, ItemPrice) VALUES ('x', ?)"),
                          {QString::fromLatin1(price)}),
                 1);
    DataControl ctl(env.db);
    QSignalSpy sortChanges(&ctl, &DataControl::sortChanged);
    ctl.setRecordSource(QStringLiteral("Select * from tblStocks"));
    QVERIFY(ctl.Refresh());
    QCOMPARE(ctl.sortColumn(), -1);
    QCOMPARE(shownIds(ctl), (QVector<qint64>{1, 2, 3, 4})); // the record source's order at opening

    const int price = ctl.columnIndex(QStringLiteral("ItemPrice"));
    ctl.setCurrentRow(2);
    ctl.sort(price, Qt::AscendingOrder);
    QCOMPARE(shownIds(ctl), (QVector<qint64>{2, 4, 3, 1}));
    QCOMPARE(ctl.currentRow(), 0); // the top of the sorted list, as after a refresh
    QCOMPARE(sortChanges.count(), 1);

    // An edit moves nothing while the list stands; a deletion takes the row out.
    QVERIFY(ctl.setData(ctl.index(0, price), QStringLiteral("99")) == false); // not editable here
    ctl.setEditable(true);
    QVERIFY(ctl.setData(ctl.index(0, price), QStringLiteral("99")));
    QCOMPARE(shownIds(ctl), (QVector<qint64>{2, 4, 3, 1}));
    QCOMPARE(ctl.value(0, price).toString(), QStringLiteral("99"));
    QVERIFY(ctl.deleteRow(1));
    QCOMPARE(shownIds(ctl), (QVector<qint64>{2, 3, 1}));
    QVERIFY(ctl.reloadRow(0));

    // Refresh keeps the sort; so does a new record source with the column; one without it drops it.
    QVERIFY(ctl.Refresh());
    QCOMPARE(shownIds(ctl), (QVector<qint64>{3, 1, 2}));
    ctl.setRecordSource(QStringLiteral("Select ItemName, ItemPrice from tblStocks where ItemPrice <> ?"), {"30"});
    QVERIFY(ctl.Refresh());
    QCOMPARE(ctl.sortColumn(), 1);
    QCOMPARE(shownIds(ctl), (QVector<qint64>{3, 2}));
    ctl.setRecordSource(QStringLiteral("Select ItemName from tblStocks"));
    QVERIFY(ctl.Refresh());
    QCOMPARE(ctl.sortColumn(), -1);
    QCOMPARE(sortChanges.last().at(0).toInt(), -1);
    QCOMPARE(shownIds(ctl), (QVector<qint64>{1, 2, 3}));

    // A record source's own order is the order at opening, and again after sort(-1).
    ctl.setRecordSource(QStringLiteral("Select * from tblStocks order by ItemPrice desc"));
    QVERIFY(ctl.Refresh());
    QCOMPARE(shownIds(ctl), (QVector<qint64>{2, 1, 3}));
    ctl.sort(price, Qt::AscendingOrder);
    QCOMPARE(shownIds(ctl), (QVector<qint64>{3, 1, 2}));
    ctl.sort(-1);
    QCOMPARE(shownIds(ctl), (QVector<qint64>{2, 1, 3}));
}

void tst_Sorting::headingClickSortsGrid()
{
    DataControl ctl(m_big->db);
    ctl.setRecordSource(QStringLiteral("Select * from tblStocks"));
    QVERIFY(ctl.Refresh());
    DataGrid grid;
    bindGrid(&grid, &ctl);
    grid.resize(1000, 600);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QHeaderView* header = grid.horizontalHeader();
    QVERIFY(header->isSortIndicatorShown());
    QCOMPARE(header->sortIndicatorSection(), -1); // no arrow at opening
    QCOMPARE(ctl.rowId(0), 1);

    const int price = ctl.columnIndex(QStringLiteral("ItemPrice"));
    auto clickHeading = [&] {
        const QPoint at(header->sectionViewportPosition(price) + header->sectionSize(price) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    clickHeading();
    QCOMPARE(ctl.sortColumn(), price);
    QCOMPARE(ctl.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(header->sortIndicatorSection(), price);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(ctl.rowId(0), numberOrder(m_big->db, QStringLiteral("ItemPrice"), Qt::AscendingOrder).first());
    QCOMPARE(grid.currentRowIndex(), ctl.currentRow());
    clickHeading();
    QCOMPARE(ctl.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(grid.model()->data(grid.model()->index(0, price)).toString(), QStringLiteral("2,250.50"));
    const QString shot = qEnvironmentVariable("PEMVIX_SHOT_DIR");
    if (!shot.isEmpty())
        grid.grab().save(shot + QStringLiteral("/sorted-grid.png"));

    // A cell being typed into is saved before the list is read in the new order.
    ctl.setEditable(true);
    const int description = ctl.columnIndex(QStringLiteral("ItemDescription"));
    const qint64 edited = ctl.rowId(0);
    grid.setCurrentIndex(grid.model()->index(0, description));
    grid.edit(grid.currentIndex());
    auto* editor = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
    QVERIFY(editor);
    editor->setText(QStringLiteral("Typed before the sort"));
    clickHeading();
    QCOMPARE(ctl.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(m_big->db.query(QStringLiteral("SELECT ItemDescription FROM tblStocks WHERE rowid = ?"), {edited})
                 .rows()
                 .first()
                 .first()
                 .toString(),
             QStringLiteral("Typed before the sort"));

    // A new source without the column takes the arrow away.
    ctl.setRecordSource(QStringLiteral("Select ItemName from tblStocks"));
    QVERIFY(ctl.Refresh());
    QCOMPARE(header->sortIndicatorSection(), -1);
}

QTEST_MAIN(tst_Sorting)
#include "tst_sorting.moc"
