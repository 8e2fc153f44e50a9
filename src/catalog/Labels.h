#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

class Database;

// One printed label: the item's name, its price as the till charges it, and the code its symbol
// carries (the item's first barcode, or its item number, printed as Code 128).
struct ShelfLabel
{
    QString number;
    QString name;
    QString price; // "#,##0.00"; empty when the stored price is no price
    QString code;
    bool codeIsNumber = false; // the item has no barcode: its number is printed as Code 128
};

namespace Labels {

constexpr int kMaxCopies = 1000;

// The copies asked for: a whole number from 1 to 1,000; none otherwise.
std::optional<int> copies(const QString& text);
// The labels of the items, in the order given, each `copies` times; items that are gone are
// left out. False (with the database's error) when they could not be read.
bool forItems(Database& db, const QStringList& itemNumbers, int copies, QVector<ShelfLabel>& labels);

} // namespace Labels
