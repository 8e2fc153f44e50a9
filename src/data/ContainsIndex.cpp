#include "data/ContainsIndex.h"

#include "data/Database.h"
#include "data/Engine.h"
#include "data/Schema.h"

#include <algorithm>

namespace {

// The columns of the items whose every three letters are kept in tblStocksGram, by number.
int gramColumnOf(const QString& column)
{
    if (column.compare(u"ItemName", Qt::CaseInsensitive) == 0)
        return 1;
    if (column.compare(u"ItemNumber", Qt::CaseInsensitive) == 0)
        return 2;
    return 0;
}

bool hasValueIndex(const QString& column)
{
    return column.compare(u"ItemBrand", Qt::CaseInsensitive) == 0 ||
           column.compare(u"ItemAvailability", Qt::CaseInsensitive) == 0;
}

// A column read through its index one value at a time gives up beyond this many values (a
// column written in that many ways is no better found by its values than by its rows), and a
// text held by more of them than a statement takes as parameters is searched row by row.
constexpr int kMostValues = 1000;
constexpr int kMostHolding = 400;
// A gram held by at most this many items is taken at once, without looking for a rarer one.
constexpr qint64 kRareGram = 2000;
// Counting the grams costs what it counts, at every letter typed: one or two letters held by
// more items than this, or a longer text whose every gram is, are common enough that the
// first page of them is found sooner by reading the items in order.
constexpr qint64 kCommonStart = 20000;
constexpr qint64 kCommonGram = 50000;

// How many grams from..to (or the one gram `from`) the index holds, counted up to `limit`.
qint64 gramsHeld(Database& db, int column, const QString& from, const QString& to, qint64 limit, bool* ok)
{
    const Recordset r =
        to.isEmpty()
            ? db.query(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM tblStocksGram WHERE Col = ? AND Gram = ? "
                                      "LIMIT ?)"),
                       {column, from, limit})
            : db.query(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM tblStocksGram WHERE Col = ? AND Gram >= ? "
                                      "AND Gram < ? LIMIT ?)"),
                       {column, from, to, limit});
    *ok = !r.BOF();
    return *ok ? r.rows().first().first().toLongLong() : 0;
}

ContainsNarrowing narrowByGrams(Database& db, int column, const QString& text)
{
    // Reading an item by its rowid costs a few times what reading it in passing does: a gram
    // held by more than a quarter of the items is no help.
    const qint64 items = keptRowCount(db, QStringLiteral("tblStocks")).value_or(0);
    const qint64 limit = std::max<qint64>(items / 4, 10000);
    ContainsNarrowing narrowing;
    narrowing.kind = ContainsNarrowing::Kind::Grams;
    narrowing.gramColumn = column;
    bool ok = false;
    if (text.size() < 3) {
        // Every letter starts a gram (a name ends in two blanks of code 1 there), so the grams
        // that begin with the text find every item holding it.
        const Recordset folded = db.query(QStringLiteral("SELECT lower(?)"), {text});
        if (folded.BOF())
            return {};
        narrowing.from = folded.rows().first().first().toString();
        narrowing.to = narrowing.from + QChar(0xDBFF) + QChar(0xDFFF); // after every letter
        const qint64 bound = std::min(limit, kCommonStart);
        return gramsHeld(db, column, narrowing.from, narrowing.to, bound + 1, &ok) <= bound && ok ? narrowing
                                                                                                  : ContainsNarrowing{};
    }
    // The text's own grams, made by the same functions as the kept ones.
    const Recordset grams =
        db.query(QStringLiteral("SELECT DISTINCT lower(substr(?, n, 3)) FROM tblGramSeq WHERE n <= length(?) - 2"),
                 {text, text});
    if (grams.BOF())
        return {};
    // The rarest gram: a rare one is usually there, found by counting each only a little;
    // else a few of them, spread over the text, are counted up to the rarest so far.
    constexpr qsizetype kCountedFully = 6;
    QStringList all;
    for (const auto& row : grams.rows())
        all << row.first().toString();
    QStringList spread = all;
    if (all.size() > kCountedFully) {
        spread.clear();
        for (qsizetype i = 0; i < kCountedFully; ++i)
            spread << all.at(i * (all.size() - 1) / (kCountedFully - 1));
    }
    for (const qint64 bound : {kRareGram, std::min(limit, kCommonGram)}) {
        qint64 best = bound + 1;
        for (const QString& gram : bound == kRareGram ? all : spread) {
            const qint64 held = gramsHeld(db, column, gram, {}, best, &ok);
            if (!ok)
                return {};
            if (held < best) {
                best = held;
                narrowing.from = gram;
            }
        }
        if (best <= bound)
            return narrowing;
    }
    return {};
}

ContainsNarrowing narrowByValues(Database& db, const QString& column, const QString& text)
{
    // The column's values in its own order (letter case aside, as its index holds them), each
    // with whether it holds the text: rows of a value that does are exactly the LIKE's rows.
    const QString quoted = quotedIdentifier(column);
    const QString pattern = containsPattern(text);
    ContainsNarrowing narrowing;
    narrowing.kind = ContainsNarrowing::Kind::Values;
    narrowing.quotedColumn = quoted;
    const QString holds = likeContainsSql(quoted);
    const QString first =
        QStringLiteral("SELECT %1, %2 FROM tblStocks WHERE %1 IS NOT NULL ORDER BY %1 LIMIT 1").arg(quoted, holds);
    const QString next =
        QStringLiteral("SELECT %1, %2 FROM tblStocks WHERE %1 > ? ORDER BY %1 LIMIT 1").arg(quoted, holds);
    Recordset r = db.query(first, {pattern});
    for (int seen = 0; r.State() && !r.BOF(); ++seen) {
        if (seen == kMostValues)
            return {};
        const QVariant value = r.rows().first().first();
        if (r.rows().first().at(1).toInt() == 1) {
            if (narrowing.values.size() == kMostHolding)
                return {};
            narrowing.values << value;
        }
        r = db.query(next, {pattern, value});
    }
    return r.State() ? narrowing : ContainsNarrowing{};
}

} // namespace

QString containsPattern(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    for (const QChar c : text) {
        if (c == u'%' || c == u'_' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

QString ContainsNarrowing::condition(QVariantList& params, const std::optional<std::pair<qint64, qint64>>& rows) const
{
    switch (kind) {
    case Kind::None:
        break;
    case Kind::Values: {
        if (values.isEmpty())
            return QStringLiteral("0");
        QStringList marks;
        for (const QVariant& value : values) {
            marks << QStringLiteral("?");
            params << value;
        }
        return QStringLiteral("%1 IN (%2)").arg(quotedColumn, marks.join(u','));
    }
    case Kind::Grams: {
        // A text too long for the kept grams has the gram '' instead, and is always asked.
        QVariantList rowParams;
        QString range;
        if (rows) {
            range = QStringLiteral(" AND ItemRow > ? AND ItemRow <= ?");
            rowParams << rows->first << rows->second;
        }
        params << gramColumn << from;
        if (!to.isEmpty())
            params << to;
        params << rowParams << gramColumn << rowParams;
        return QStringLiteral("rowid IN (SELECT ItemRow FROM tblStocksGram WHERE Col = ? AND %1%2 UNION ALL "
                              "SELECT ItemRow FROM tblStocksGram WHERE Col = ? AND Gram = ''%2)")
            .arg(to.isEmpty() ? QStringLiteral("Gram = ?") : QStringLiteral("Gram >= ? AND Gram < ?"), range);
    }
    }
    return {};
}

ContainsNarrowing narrowContains(Database& db, const QString& table, const QString& column, const QString& text)
{
    if (db.isServer() || text.isEmpty() || table.compare(u"tblStocks", Qt::CaseInsensitive) != 0)
        return {};
    if (const int gramColumn = gramColumnOf(column))
        return narrowByGrams(db, gramColumn, text);
    if (hasValueIndex(column))
        return narrowByValues(db, column, text);
    return {};
}
