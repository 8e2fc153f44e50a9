#pragma once

#include <QString>
#include <QVariantList>

#include <optional>
#include <utility>

class Database;

// A search for a part of a column's text ("contains") over the items of a large shop file,
// found through an index instead of by reading every item. The LIKE stays the judge of every
// row; the narrowing only adds a condition that every row holding the text meets and that an
// index answers:
// * the item's name and number, through tblStocksGram: every three letters of the text (as LIKE
//   compares them, capitals as small letters), each with the item's rowid;
// * the brand and availability, which a shop writes in few ways, through the column's own
//   index: the column is one of its values that hold the text.
// The server has its own trigram indexes and is never narrowed here.
struct ContainsNarrowing
{
    enum class Kind { None, Grams, Values };
    Kind kind = Kind::None;
    int gramColumn = 0;   // Grams: the column's number in tblStocksGram
    QString from, to;     // Grams: the grams from `from` up to (not with) `to`
    QString quotedColumn; // Values: the column
    QVariantList values;  // Values: its values holding the text (none: no row holds it)

    bool isNone() const { return kind == Kind::None; }
    // A row of one of the values holds the text exactly when the LIKE says so (the column's
    // letter case is ignored alike by both), so the values stand in for the LIKE, and a count
    // reads the index alone.
    bool replacesLike() const { return kind == Kind::Values; }

    // The condition on the table's rows (their parameters appended to `params`). With `rows`,
    // only the rowids in (first, second] are asked of the gram index: a slice of a long list
    // costs what that slice holds.
    QString condition(QVariantList& params, const std::optional<std::pair<qint64, qint64>>& rows = {}) const;
};

// The LIKE pattern of "holds `text`": its %, _ and backslashes escaped by a backslash, between two %.
QString containsPattern(const QString& text);

// How the search of `column` of `table` for `text` is narrowed; Kind::None when no index helps
// (a column without one, a server, or a text so common that reading the rows is quicker).
ContainsNarrowing narrowContains(Database& db, const QString& table, const QString& column, const QString& text);
