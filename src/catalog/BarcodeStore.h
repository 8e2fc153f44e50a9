#pragma once

#include "catalog/Barcode.h"

#include <QString>
#include <QStringList>

class Database;

// The record source of a list of every item with its barcodes as one more column, "Barcodes"
// (blank-separated, in the order they were added), which is read-only.
QString itemsWithBarcodesSource();

// The barcodes of the items (tblBarcode: one row per barcode, each barcode on one item). An item
// keeps its number; any number of barcodes name it as well.
class BarcodeStore
{
public:
    enum class Outcome {
        Accepted,
        Invalid,      // not a barcode: problem says why
        OnOtherItem,  // another item has this barcode: otherNumber and otherName name it
        IsItemNumber, // the code is another item's number: otherNumber and otherName name it
        ReadFailed,
    };
    struct Check
    {
        Outcome outcome = Outcome::ReadFailed;
        Barcode::Checked barcode; // the code as it is stored
        QString otherNumber;
        QString otherName;
        bool held = false; // accepted: the item has this barcode already
    };

    explicit BarcodeStore(Database& db) : m_db(db) {}

    // Whether `text` can be a barcode of the item `itemNumber` (which may not exist yet).
    Check check(const QString& text, const QString& itemNumber);
    // The sentence that says why a barcode was refused (empty when it was accepted).
    static QString refusalText(const Check& check);
    // Stores a checked barcode on the item, inside the caller's transaction when there is one. A
    // barcode the item already has is kept once. False when the write failed.
    bool add(const Check& checked, const QString& itemNumber);
    // The number of the item a scanned code names as a barcode; empty when none does.
    QString itemNumberFor(const QString& scanned);
    // The item's barcodes in the order they were added; empty when it has none or the read failed.
    QStringList barcodesOf(const QString& itemNumber);
    // Gives an item's barcodes to its new number (an item number edited in the list).
    bool renumber(const QString& from, const QString& to);
    QString lastError() const { return m_lastError; }

private:
    Database& m_db;
    QString m_lastError;
};
