#pragma once

#include "data/Recordset.h"

#include <QDate>
#include <QString>

#include <functional>
#include <optional>

class DataControl;
class Database;

// The sales of one day are the tblSales rows whose BusinessDate text is the day text; the
// sales of a span are those whose BusinessDate, read as a calendar day, lies from the From
// day to the To day, both included. A span whose From day is after its To day, or whose
// From or To text is not a day, selects nothing; so does a stored text that is not a day.

// The "yyyy-mm-dd" key of a day, as the span index stores it.
QString SalesDayKey(const QDate& day);

// The statement of the sales ledger's list: every sale.
QString AllSalesStatement();

// Points a data control at the sales of a day or a span and refreshes it.
bool ShowSalesForDate(DataControl& control, const QString& dayText);
bool ShowSalesForRange(DataControl& control, const QString& fromText, const QString& toText);

// All columns of the sales of a day (in the order they were stored) or of a span (by day,
// then in the order stored). A closed recordset when the selection is empty or failed.
Recordset SelectSalesForDate(Database& db, const QString& dayText);
// A span's rows may be many: `progress` is told how many were read while they are read.
Recordset SelectSalesForRange(Database& db, const QString& fromText, const QString& toText,
                              const std::function<bool(qint64 rows)>& progress = {});

// The total AmountDue of the selected sales as plain decimal text ("1250.5"); "0" when
// there are none; MoneyTotal::tooLargeText() when the sum is beyond what a number can hold.
// An AmountDue that is not a number is left out of the total.
QString SumSalesForDate(Database& db, const QString& dayText);
QString SumSalesForRange(Database& db, const QString& fromText, const QString& toText);
// A span's total and the number of its sales, from one reading of its rows: a year of a large
// shop holds a million sales, so `progress` is told how many were read every few thousand, and
// stops the reading (nothing is returned) by returning false.
struct SpanSum
{
    QString total;
    qint64 sales = 0;
};
std::optional<SpanSum> SumSalesForRange(Database& db, const QString& fromText, const QString& toText,
                                        const std::function<bool(qint64 read)>& progress);
// The same total over rows already read (the rows a report prints). Many rows are summed a
// chunk at a time: `progress` is told how many of how many were summed, and stops the sum (a
// null text is returned) by returning false.
QString SumAmountDue(const Recordset& rows, const std::function<bool(qint64 done, qint64 total)>& progress = {});
