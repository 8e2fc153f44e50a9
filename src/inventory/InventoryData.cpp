#include "inventory/InventoryData.h"

#include "data/Database.h"
#include "data/TextForms.h"

#include <cmath>

namespace InventoryData {

namespace {

// Steps through a one-column query and adds up the column, read as a stored number. The
// rows are not kept: a day or the whole table is summed without holding it in memory.
SoldSum sumColumn(Database& db, const QString& sql, const QVariantList& params)
{
    SoldSum sum;
    db.forEachRow(sql, params, [&sum](const QVector<QVariant>& row) {
        ++sum.lines;
        sum.total.add(row.first());
        return true;
    });
    return sum;
}

// The same for a two-column query of (value, number of rows holding it): the whole table is
// read as its distinct values, straight from an index, so a million lines cost one scan of it
// and a few thousand conversions.
SoldSum sumGrouped(Database& db, const QString& sql)
{
    SoldSum sum;
    db.forEachRow(sql, {}, [&sum](const QVector<QVariant>& row) {
        const qint64 rows = row.at(1).toLongLong();
        sum.lines += static_cast<int>(rows);
        sum.total.add(row.first(), static_cast<double>(rows));
        return true;
    });
    return sum;
}

} // namespace

QString soldLinesStatement()
{
    return QStringLiteral("Select * from tblSold");
}

QString soldLinesOfDayStatement()
{
    return QStringLiteral("Select * from tblSold Where Dated = ?");
}

QString watchStatement(int threshold)
{
    return QStringLiteral("Select ItemNumber,ItemName,ItemStocks,ItemAvailability,ItemBrand from tblStocks Where "
                          "ItemStocks < %1")
        .arg(threshold);
}

QString availabilityFor(double stock)
{
    return stock <= 0 ? QStringLiteral("Out of Stock") : QStringLiteral("Available");
}

std::optional<double> storedStock(Database& db, qint64 rowId)
{
    const Recordset r = db.query(QStringLiteral("SELECT ItemStocks FROM tblStocks WHERE rowid = ?"), {rowId});
    if (r.BOF())
        return std::nullopt;
    return NumberFromText(r.rows().first().first().toString());
}

StockChange addToStock(Database& db, qint64 rowId, double added)
{
    StockChange change;
    Transaction tx(db);
    if (!tx.isActive()) {
        change.error = db.lastError();
        return change;
    }
    const auto stored = storedStock(db, rowId);
    if (!stored) {
        change.itemGone = true;
        return change;
    }
    const double stock = *stored + added;
    if (!std::isfinite(stock)) {
        change.error = QStringLiteral("The new stock %1 + %2 is not a finite number.").arg(*stored).arg(added);
        return change;
    }
    if (db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemStocks = ?, ItemAvailability = ? WHERE rowid = ?"),
                      {PlainNumber(stock), availabilityFor(stock), rowId}) != 1 ||
        !tx.commit()) {
        change.error = db.lastError();
        return change;
    }
    change.stock = stock;
    return change;
}

StockChange setStock(Database& db, qint64 rowId, double stock)
{
    StockChange change;
    Transaction tx(db);
    if (!tx.isActive() ||
        db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemAvailability = ?, ItemStocks = ? WHERE rowid = ?"),
                      {availabilityFor(stock), PlainNumber(stock), rowId}) != 1 ||
        !tx.commit()) {
        change.error = db.lastError();
        return change;
    }
    change.stock = stock;
    return change;
}

SoldSum sumSoldForDate(Database& db, const QString& day)
{
    return sumColumn(db, QStringLiteral("SELECT Amount FROM tblSold WHERE Dated = ?"), {day});
}

SoldSum sumAllSold(Database& db)
{
    // Each distinct amount text is read once with the number of lines holding it: exact, and one
    // row per price. The database keeps that tally in the transaction of every line written.
    return sumGrouped(db, QStringLiteral("SELECT Amount, Lines FROM tblSoldAmount"));
}

SoldSum soldQuantity(Database& db, const QString& day, const QString& itemNumber)
{
    return sumColumn(db, QStringLiteral("SELECT Quantity FROM tblSold WHERE Dated = ? AND ItemNumber = ?"),
                     {day, itemNumber});
}

Recordset soldLinesForDate(Database& db, const QString& day)
{
    return db.query(QStringLiteral("SELECT ItemNumber, ItemName, Quantity, Amount, Cashier FROM tblSold "
                                   "WHERE Dated = ? ORDER BY rowid"),
                    {day});
}

} // namespace InventoryData
