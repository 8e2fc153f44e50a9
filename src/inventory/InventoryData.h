#pragma once

#include "data/MoneyTotal.h"
#include "data/Recordset.h"

#include <QString>

#include <optional>

class Database;

// The database work of the inventory window: stock adjustment, the sold-item sums and the
// rows of the inventory report. Every value is bound, never pasted into a statement.
namespace InventoryData {

// The statements of the sold-item lists: every line, and the lines of one day (its Dated
// text bound as the one parameter).
QString soldLinesStatement();
QString soldLinesOfDayStatement();

// The stock-watch statement of one threshold: the items whose stock is strictly below it.
QString watchStatement(int threshold);

// "Out of Stock" for a stock of 0 or less, "Available" above.
QString availabilityFor(double stock);

// The stock stored for one item row (found by its rowid) right now; no value when the row
// is gone or the read failed.
std::optional<double> storedStock(Database& db, qint64 rowId);

// Adds `added` to the stock of one item row (by its rowid) as stored when it writes, in one
// transaction, so a sale made meanwhile by another copy is kept; the availability follows
// the new stock.
struct StockChange
{
    std::optional<double> stock; // the stock written; no value when nothing was written
    bool itemGone = false;       // the row is no longer in tblStocks
    QString error;               // why the write failed, in the engine's words
};
StockChange addToStock(Database& db, qint64 rowId, double added);
// Sets the stock of one item row (by its rowid) to `stock`, in one transaction; the
// availability follows it. A row that is gone is reported as a failed write.
StockChange setStock(Database& db, qint64 rowId, double stock);

// A sum of stored Amount (or Quantity) texts, read with thousands separators allowed; texts
// that are not numbers are skipped. `lines` is the number of rows read. A sum beyond what a
// number can hold says so (MoneyTotal::overflowed).
struct SoldSum
{
    MoneyTotal total;
    int lines = 0;
};

// The Amount of every line sold on `day` (a DateText).
SoldSum sumSoldForDate(Database& db, const QString& day);
// The Amount of every sold line of every day.
SoldSum sumAllSold(Database& db);
// The pieces of item `itemNumber` sold on `day`.
SoldSum soldQuantity(Database& db, const QString& day, const QString& itemNumber);

// The lines of one day for the inventory report, in the order they were sold.
Recordset soldLinesForDate(Database& db, const QString& day);

} // namespace InventoryData
