#pragma once

#include "sales/Receipt.h"

#include <QString>
#include <QVariant>

#include <optional>

class Database;

// What a till remembers about receipts.
struct ReceiptSettings
{
    bool printOnFinish = false; // print a receipt whenever a sale is finished
    ReceiptPaper paper = ReceiptPaper::Roll80;
};

// The completed sale a receipt is printed for: its sale number (the one its sold-item lines
// carry), its tblSales row and the date and time stored in that row.
struct SaleRef
{
    QString saleNumber;
    qint64 salesRow = -1;
    QString date;
    QString time;
};

// The receipt table of one till (tblReceipt, one row per till): its receipt settings and the
// last sale completed there, and the reading of a completed sale back into a receipt.
class ReceiptStore
{
public:
    // `till` is the till's own value (as the cart holds it); it is stored as text.
    ReceiptStore(Database& db, const QVariant& till);

    // The till's settings; the defaults (no receipt, 80 mm roll) when it has none stored.
    ReceiptSettings settings();
    // Stores the till's settings; false (with `error`) when they were not saved.
    bool saveSettings(const ReceiptSettings& settings, QString* error = nullptr);

    // Remembers the sale just completed at this till. Meant to run inside the sale's own
    // transaction, so the sale and its receipt reference are stored together.
    bool recordLastSale(const SaleRef& sale);
    // The last sale completed at this till; none when there is none (or it cannot be read).
    std::optional<SaleRef> lastSale();

    enum class ReadOutcome { Read, Gone, ReadFailed };
    // Reads a completed sale as its receipt shows it: the company name, the tblSales row and the
    // sale's sold-item lines, amounts as stored. Gone when the sale row or its lines are no longer
    // in the history (or the row's date and time are another sale's, or the lines no longer add
    // up to its amount due).
    ReadOutcome read(const SaleRef& sale, ReceiptData& receipt, QString* error = nullptr);

private:
    // Sets the columns of this till's row, adding the row when the till has none yet.
    bool writeRow(const QStringList& columns, const QVariantList& values);

    Database& m_db;
    QString m_till;
};
