#include "reports/SalesQueries.h"

#include "data/DataControl.h"
#include "data/Database.h"
#include "data/MoneyTotal.h"
#include "data/Schema.h"
#include "data/TextForms.h"

#include <optional>
#include <utility>

namespace {

const QString kDayWhere = QStringLiteral("BusinessDate = ?");

QString spanWhere()
{
    return SalesDayKeySql() + QStringLiteral(" BETWEEN ? AND ?");
}

// The span's two day keys; nothing when a text is not a day or the span runs backwards.
std::optional<std::pair<QString, QString>> spanKeys(const QString& fromText, const QString& toText)
{
    const QDate from = DateFromText(fromText);
    const QDate to = DateFromText(toText);
    if (!from.isValid() || !to.isValid() || from > to)
        return std::nullopt;
    return std::make_pair(SalesDayKey(from), SalesDayKey(to));
}

// Adds the AmountDue of every row a statement selects, reading that one column only.
QString sumAmountDue(Database& db, const QString& where, const QVariantList& params)
{
    MoneyTotal total;
    db.forEachRow(QStringLiteral("SELECT AmountDue FROM tblSales WHERE ") + where, params,
                  [&total](const QVector<QVariant>& row) {
                      total.add(row.first());
                      return true;
                  });
    return total.text();
}

} // namespace

QString SalesDayKey(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

QString AllSalesStatement()
{
    return QStringLiteral("Select * from tblSales");
}

bool ShowSalesForDate(DataControl& control, const QString& dayText)
{
    control.setRecordSource(QStringLiteral("Select * from tblSales where ") + kDayWhere, {dayText});
    return control.Refresh();
}

bool ShowSalesForRange(DataControl& control, const QString& fromText, const QString& toText)
{
    const auto keys = spanKeys(fromText, toText);
    // A span that selects nothing still shows the columns of the ledger, without rows.
    const QVariantList params = keys ? QVariantList{keys->first, keys->second} : QVariantList{QString(), QString()};
    control.setRecordSource(
        QStringLiteral("Select * from tblSales where %1 order by %2, rowid").arg(spanWhere(), SalesDayKeySql()),
        params);
    return control.Refresh();
}

Recordset SelectSalesForDate(Database& db, const QString& dayText)
{
    if (dayText.isEmpty())
        return {};
    return db.query(QStringLiteral("SELECT * FROM tblSales WHERE %1 ORDER BY rowid").arg(kDayWhere), {dayText});
}

Recordset SelectSalesForRange(Database& db, const QString& fromText, const QString& toText,
                              const std::function<bool(qint64 rows)>& progress)
{
    const auto keys = spanKeys(fromText, toText);
    if (!keys)
        return {};
    return db.query(
        QStringLiteral("SELECT * FROM tblSales WHERE %1 ORDER BY %2, rowid").arg(spanWhere(), SalesDayKeySql()),
        {keys->first, keys->second}, progress);
}

QString SumSalesForDate(Database& db, const QString& dayText)
{
    if (dayText.isEmpty())
        return PlainNumber(0);
    return sumAmountDue(db, kDayWhere, {dayText});
}

QString SumSalesForRange(Database& db, const QString& fromText, const QString& toText)
{
    return SumSalesForRange(db, fromText, toText, {}).value_or(SpanSum{}).total; // never stopped
}

std::optional<SpanSum> SumSalesForRange(Database& db, const QString& fromText, const QString& toText,
                                        const std::function<bool(qint64 read)>& progress)
{
    constexpr qint64 kToldEvery = 2048;
    const auto keys = spanKeys(fromText, toText);
    if (!keys)
        return SpanSum{PlainNumber(0), 0};
    MoneyTotal total;
    qint64 read = 0;
    bool stopped = false;
    db.forEachRow(QStringLiteral("SELECT AmountDue FROM tblSales WHERE ") + spanWhere(), {keys->first, keys->second},
                  [&](const QVector<QVariant>& row) {
                      total.add(row.first());
                      stopped = ++read % kToldEvery == 0 && progress && !progress(read);
                      return !stopped;
                  });
    if (stopped)
        return std::nullopt;
    return SpanSum{total.text(), read};
}

QString SumAmountDue(const Recordset& rows, const std::function<bool(qint64 done, qint64 total)>& progress)
{
    constexpr qsizetype kChunk = 4096;
    MoneyTotal total;
    const int column = indexOfColumn(rows.columns(), QStringLiteral("AmountDue"));
    if (column < 0)
        return total.text();
    const auto& all = rows.rows();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (progress && i % kChunk == 0 && i > 0 && !progress(i, all.size()))
            return {};
        total.add(all.at(i).at(column));
    }
    return total.text();
}
