#include "Invariants.h"

#include "data/Database.h"
#include "data/Schema.h"
#include "data/TextForms.h"

#include <QHash>

QStringList checkShopInvariants(Database& db, double initialStock, bool oneTill, const QHash<QString, double>& added)
{
    QStringList broken;
    auto scalar = [&](const QString& sql, const QVariantList& params = {}) {
        const Recordset r = db.query(sql, params);
        return r.BOF() ? QString() : r.rows().first().first().toString();
    };

    // Every sold item's stock is its starting stock, plus what was added to it and what returns
    // gave back to stock, less the quantities of its sold lines: no update of any kind is lost.
    const Recordset items = db.query(QStringLiteral(
        "SELECT s.ItemNumber, s.ItemStocks, s.ItemAvailability, "
        "(SELECT coalesce(sum(CAST(Quantity AS REAL)), 0) FROM tblSold d WHERE d.ItemNumber = s.ItemNumber) - "
        "(SELECT coalesce(sum(Quantity), 0) FROM tblReturnLine r WHERE r.ItemNumber = s.ItemNumber AND "
        "r.Restocked <> 0) "
        "FROM tblStocks s WHERE s.ItemDescription = 'seeded'"));
    if (items.BOF())
        broken << QStringLiteral("no seeded items could be read: %1").arg(db.lastError());
    for (const auto& row : items.rows()) {
        const double stock = row.at(1).toDouble();
        const double sold = row.at(3).toDouble();
        const double more = added.value(row.at(0).toString());
        if (stock != initialStock + more - sold)
            broken << QStringLiteral("item %1: stock %2, but %3 + %4 added - %5 sold")
                          .arg(row.at(0).toString())
                          .arg(stock)
                          .arg(initialStock)
                          .arg(more)
                          .arg(sold);
        const QString expected = stock > 0 ? QStringLiteral("Available") : QStringLiteral("Out of Stock");
        if (row.at(2).toString() != expected)
            broken << QStringLiteral("item %1: availability %2 with stock %3")
                          .arg(row.at(0).toString(), row.at(2).toString())
                          .arg(stock);
    }

    // No sale's item was taken back more often than it was sold, no sale refunded more than it
    // was paid, and every return's refund is that of its lines.
    const Recordset over = db.query(QStringLiteral(
        "SELECT r.SaleNumber, r.ItemNumber, sum(r.Quantity), (SELECT coalesce(sum(CAST(d.Quantity AS REAL)), 0) FROM "
        "tblSold d WHERE d.TransactionID = r.SaleNumber AND d.ItemNumber = r.ItemNumber) FROM tblReturnLine r GROUP "
        "BY r.SaleNumber, r.ItemNumber"));
    for (const auto& row : over.rows()) {
        if (row.at(2).toDouble() > row.at(3).toDouble())
            broken << QStringLiteral("sale %1, item %2: %3 returned but %4 sold")
                          .arg(row.at(0).toString(), row.at(1).toString(), row.at(2).toString(), row.at(3).toString());
    }
    const Recordset refunded = db.query(QStringLiteral(
        "SELECT r.SaleNumber, sum(r.Refund), (SELECT max(f.Amount) FROM tblSaleRef f WHERE f.SaleNumber = "
        "r.SaleNumber) FROM tblReturn r GROUP BY r.SaleNumber"));
    for (const auto& row : refunded.rows()) {
        if (row.at(1).toLongLong() > row.at(2).toLongLong())
            broken << QStringLiteral("sale %1: %2 cents refunded but %3 paid")
                          .arg(row.at(0).toString(), row.at(1).toString(), row.at(2).toString());
    }
    const QString unbalanced = scalar(QStringLiteral(
        "SELECT count(*) FROM tblReturn r WHERE r.Refund <> (SELECT coalesce(sum(l.Refund), 0) FROM tblReturnLine l "
        "WHERE l.ReturnNumber = r.ReturnNumber) OR NOT EXISTS (SELECT 1 FROM tblReturnLine l WHERE l.ReturnNumber = "
        "r.ReturnNumber)"));
    if (unbalanced != QLatin1String("0"))
        broken << QStringLiteral("%1 returns whose refund is not that of their lines").arg(unbalanced);

    // The sale counter counts the completed sales.
    const double counter = NumberFromText(scalar(QStringLiteral("SELECT TransactionID FROM tblMain")));
    const int sales = scalar(QStringLiteral("SELECT count(*) FROM tblSales")).toInt();
    // With one till every completed sale took the next number; with several, a cleared sale's
    // number may stay unused, so the highest number is at least the count.
    if (oneTill ? counter != sales : counter < sales)
        broken << QStringLiteral("TransactionID %1 but %2 sales stored").arg(counter).arg(sales);

    // Every registered item's number was issued by the counter.
    const double itemCounter = NumberFromText(scalar(QStringLiteral("SELECT ItemID FROM tblMain")));
    const int beyond =
        scalar(QStringLiteral("SELECT count(*) FROM tblStocks WHERE CAST(ItemNumber AS REAL) > ?"), {itemCounter})
            .toInt();
    if (beyond > 0)
        broken << QStringLiteral("%1 items numbered above ItemID %2").arg(beyond).arg(itemCounter);
    // No item or employee number was issued twice.
    for (const auto& [table, column] : {std::pair{"tblStocks", "ItemNumber"}, std::pair{"tblEmp", "EmployeeID"}}) {
        const Recordset twice =
            db.query(QStringLiteral("SELECT %1, count(*) FROM %2 GROUP BY %1 HAVING count(*) > 1").arg(column, table));
        for (const auto& row : twice.rows())
            broken << QStringLiteral("%1 %2 stored %3 times").arg(column, row.at(0).toString(), row.at(1).toString());
    }
    // The counts and the tally of sold amounts the database keeps are those of the rows stored,
    // whatever write was cut short.
    for (const char* table : {"tblStocks", "tblSold", "tblSales", "tblLogs", "tblNot"}) {
        const QString name = QString::fromLatin1(table);
        const QString counted = scalar(QStringLiteral("SELECT count(*) FROM %1").arg(name));
        const auto kept = keptRowCount(db, name);
        if (!kept || QString::number(*kept) != counted)
            broken << QStringLiteral("%1 keeps a count of %2 but holds %3 rows")
                          .arg(name, kept ? QString::number(*kept) : QStringLiteral("none"), counted);
    }
    const Recordset tally = db.query(QStringLiteral(
        "SELECT count(*) FROM (SELECT CAST(Amount AS TEXT) AS a, count(*) AS n FROM tblSold GROUP BY CAST(Amount AS "
        "TEXT)) s LEFT JOIN tblSoldAmount k ON (k.Amount = s.a OR (k.Amount IS NULL AND s.a IS NULL)) "
        "WHERE k.Lines IS NULL OR k.Lines <> s.n"));
    if (tally.BOF() || tally.rows().first().first().toInt() != 0)
        broken << QStringLiteral("the tally of sold amounts differs from the sold lines: %1").arg(db.lastError());
    // The cart holds exactly the sold lines of the open sale; completed sales left nothing in it.
    // (With two copies selling into one cart, a copy may add under the number it read just before
    // the other completed that sale, so this holds for one till only.)
    if (!oneTill)
        return broken;
    const QString open = PlainNumber(counter + 1);
    const Recordset cart = db.query(QStringLiteral("SELECT ItemNumber, itemQuantity FROM tblPos"));
    const Recordset openLines =
        db.query(QStringLiteral("SELECT ItemNumber, Quantity FROM tblSold WHERE TransactionID = ?"), {open});
    QHash<QString, QString> sold;
    for (const auto& row : openLines.rows())
        sold.insert(row.at(0).toString(), row.at(1).toString());
    if (cart.rowCount() != openLines.rowCount())
        broken << QStringLiteral("%1 cart lines but %2 sold lines in the open sale %3")
                      .arg(cart.rowCount())
                      .arg(openLines.rowCount())
                      .arg(open);
    for (const auto& row : cart.rows()) {
        if (sold.value(row.at(0).toString()) != row.at(1).toString())
            broken << QStringLiteral("cart line of item %1 has no matching sold line").arg(row.at(0).toString());
    }
    const int later =
        scalar(QStringLiteral("SELECT count(*) FROM tblSold WHERE CAST(TransactionID AS REAL) > ?"), {counter + 1})
            .toInt();
    if (later > 0)
        broken << QStringLiteral("%1 sold lines carry a sale number above the open sale").arg(later);

    return broken;
}

QStringList checkShopFile(const QString& path, double initialStock, bool oneTill, const QHash<QString, double>& added)
{
    Database db;
    if (!db.open(path))
        return {QStringLiteral("the database does not open: %1").arg(db.lastError())};
    const Recordset check = db.query(QStringLiteral("PRAGMA integrity_check"));
    if (check.BOF() || check.rows().first().first().toString() != QLatin1String("ok"))
        return {QStringLiteral("integrity_check: %1")
                    .arg(check.BOF() ? db.lastError() : check.rows().first().first().toString())};
    return checkShopInvariants(db, initialStock, oneTill, added);
}

bool seedItems(Database& db, int count, double stock)
{
    Transaction tx(db);
    for (int i = 0; i < count; ++i) {
        const int number = 1001 + i;
        if (db.ExecuteSql(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, "
                                         "ItemStocks, ItemBrand, ItemAvailability) "
                                         "VALUES (?, ?, ?, 'seeded', ?, 'Brand', 'Available')"),
                          {QString::number(number), QStringLiteral("Item %1").arg(number),
                           QString::number(10 + i % 7) + QStringLiteral(".50"), stock}) != 1)
            return false;
    }
    return db.ExecuteSql(QStringLiteral("UPDATE tblMain SET ItemID = ?"), {QString::number(1000 + count)}) >= 0 &&
           tx.commit();
}
