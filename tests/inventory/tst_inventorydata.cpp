// The inventory model on a test database, without windows: setting and adding stock.
#include "TestEnv.h"

#include "inventory/InventoryData.h"

#include <QTest>

class tst_InventoryData : public QObject
{
    Q_OBJECT

private slots:
    void stockWrites_data();
    void stockWrites();
};

void tst_InventoryData::stockWrites_data()
{
    QTest::addColumn<bool>("add");       // else the stock is set
    QTest::addColumn<double>("figure");  // added, or the new stock
    QTest::addColumn<QString>("before"); // the item's availability before
    QTest::addColumn<QString>("fault");  // "" | "gone" (the row was deleted) | "refused"
    QTest::addColumn<QString>("stocks");
    QTest::addColumn<QString>("availability");
    QTest::newRow("set 0") << false << 0.0 << "Available"
                           << ""
                           << "0"
                           << "Out of Stock";
    QTest::newRow("set 25") << false << 25.0 << "Out of Stock"
                            << ""
                            << "25"
                            << "Available";
    QTest::newRow("set, reserved to available") << false << 25.0 << "Reserved"
                                                << ""
                                                << "25"
                                                << "Available";
    QTest::newRow("set, reserved to out of stock") << false << 0.0 << "Reserved"
                                                   << ""
                                                   << "0"
                                                   << "Out of Stock";
    QTest::newRow("set 1250") << false << 1250.0 << "Available"
                              << ""
                              << "1250"
                              << "Available";
    QTest::newRow("add 5") << true << 5.0 << "Reserved"
                           << ""
                           << "15"
                           << "Available";
    QTest::newRow("add -10") << true << -10.0 << "Available"
                             << ""
                             << "0"
                             << "Out of Stock";
    QTest::newRow("add 2.5") << true << 2.5 << "Available"
                             << ""
                             << "12.5"
                             << "Available";
    QTest::newRow("set, item gone") << false << 25.0 << "Available"
                                    << "gone"
                                    << ""
                                    << "";
    QTest::newRow("add, item gone") << true << 5.0 << "Available"
                                    << "gone"
                                    << ""
                                    << "";
    QTest::newRow("set refused") << false << 25.0 << "Available"
                                 << "refused"
                                 << "10"
                                 << "Available";
    QTest::newRow("add refused") << true << 5.0 << "Available"
                                 << "refused"
                                 << "10"
                                 << "Available";
}

// The availability follows the stock written; a write that fails changes nothing and says why.
void tst_InventoryData::stockWrites()
{
    QFETCH(bool, add);
    QFETCH(double, figure);
    QFETCH(QString, before);
    QFETCH(QString, fault);
    QFETCH(QString, stocks);
    QFETCH(QString, availability);
    TestEnv env;
    env.exec(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemStocks, ItemAvailability) VALUES "
                            "('1001', 'Pencil', 10, ?), ('1002', 'Eraser', 10, 'Available')"),
             {before});
    const qint64 rowId =
        env.scalar(QStringLiteral("SELECT rowid FROM tblStocks WHERE ItemNumber = '1001'")).toLongLong();
    if (fault == QLatin1String("gone"))
        env.exec(QStringLiteral("DELETE FROM tblStocks WHERE ItemNumber = '1001'"));
    if (fault == QLatin1String("refused"))
        env.refuseWrites(QStringLiteral("refuse"), QStringLiteral("BEFORE UPDATE ON tblStocks"),
                         QStringLiteral("locked"));

    const InventoryData::StockChange change =
        add ? InventoryData::addToStock(env.db, rowId, figure) : InventoryData::setStock(env.db, rowId, figure);
    QVERIFY(!env.db.inTransaction());
    QCOMPARE(change.stock.has_value(), fault.isEmpty());
    if (fault.isEmpty())
        QCOMPARE(*change.stock, stocks.toDouble());
    if (fault == QLatin1String("refused"))
        QVERIFY2(change.error.contains(QLatin1String("locked")), qPrintable(change.error));
    QCOMPARE(change.itemGone, add && fault == QLatin1String("gone"));
    QCOMPARE(env.scalar(QStringLiteral("SELECT ItemStocks FROM tblStocks WHERE ItemNumber = '1001'")), stocks);
    QCOMPARE(env.scalar(QStringLiteral("SELECT ItemAvailability FROM tblStocks WHERE ItemNumber = '1001'")),
             availability);
    // Only that item's row.
    QCOMPARE(env.scalar(QStringLiteral("SELECT ItemStocks || '|' || ItemAvailability FROM tblStocks WHERE "
                                       "ItemNumber = '1002'")),
             QStringLiteral("10|Available"));
}

QTEST_MAIN(tst_InventoryData)
#include "tst_inventorydata.moc"
