#include "catalog/Labels.h"

#include "catalog/BarcodeStore.h"
#include "data/Database.h"
#include "data/TextForms.h"

namespace Labels {

std::optional<int> copies(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > kMaxCopies)
        return std::nullopt;
    return n;
}

bool forItems(Database& db, const QStringList& itemNumbers, int copies, QVector<ShelfLabel>& labels)
{
    labels.clear();
    BarcodeStore barcodes(db);
    for (const QString& number : itemNumbers) {
        const Recordset r = db.query(
            QStringLiteral("SELECT ItemName, ItemPrice FROM tblStocks WHERE ItemNumber = ? ORDER BY rowid LIMIT 1"),
            {number});
        if (!r.State())
            return false;
        if (r.BOF())
            continue;
        ShelfLabel label;
        label.number = number;
        label.name = r.rows().first().at(0).toString();
        // The price as the till reads and charges it.
        if (const auto price = PriceFromText(r.rows().first().at(1).toString()))
            label.price = FormatNumber(*price, NumberPattern::Grouped2);
        const QStringList codes = barcodes.barcodesOf(number);
        label.code = codes.isEmpty() ? number : codes.first();
        label.codeIsNumber = codes.isEmpty();
        for (int i = 0; i < copies; ++i)
            labels.push_back(label);
    }
    return true;
}

} // namespace Labels
