#include "catalog/BarcodeStore.h"

#include "data/Database.h"

QString itemsWithBarcodesSource()
{
    // The alias keeps the inner FROM apart from the list's own table for the data control.
    return QStringLiteral("Select *, (SELECT group_concat(b.Barcode, ' ') FROM tblBarcode b WHERE b.ItemNumber = "
                          "tblStocks.ItemNumber) AS Barcodes from tblStocks");
}

BarcodeStore::Check BarcodeStore::check(const QString& text, const QString& itemNumber)
{
    Check result;
    result.barcode = Barcode::check(text);
    if (!result.barcode.ok()) {
        result.outcome = Outcome::Invalid;
        return result;
    }
    const Recordset owner = m_db.query(QStringLiteral("SELECT b.ItemNumber, s.ItemName FROM tblBarcode b LEFT JOIN "
                                                      "tblStocks s ON s.ItemNumber = b.ItemNumber WHERE b.Barcode = ? "
                                                      "LIMIT 1"),
                                       {result.barcode.code});
    const Recordset item =
        m_db.query(QStringLiteral("SELECT ItemNumber, ItemName FROM tblStocks WHERE ItemNumber = ? AND ItemNumber <> ? "
                                  "LIMIT 1"),
                   {text, itemNumber});
    if (!owner.State() || !item.State()) {
        m_lastError = m_db.lastError();
        return result;
    }
    const auto name = [](const Recordset& r, Check& c) {
        c.otherNumber = r.rows().first().at(0).toString();
        c.otherName = r.rows().first().at(1).toString();
    };
    if (!owner.BOF() && owner.rows().first().first().toString().compare(itemNumber, Qt::CaseInsensitive) != 0) {
        result.outcome = Outcome::OnOtherItem;
        name(owner, result);
    } else if (!item.BOF()) {
        result.outcome = Outcome::IsItemNumber;
        name(item, result);
    } else {
        result.outcome = Outcome::Accepted;
        result.held = !owner.BOF();
    }
    return result;
}

QString BarcodeStore::refusalText(const Check& check)
{
    switch (check.outcome) {
    case Outcome::Accepted:
        return {};
    case Outcome::Invalid:
        return Barcode::problemText(check.barcode.problem);
    case Outcome::OnOtherItem:
        return QStringLiteral("The barcode %1 is already on item %2 (%3).")
            .arg(check.barcode.code, check.otherNumber, check.otherName);
    case Outcome::IsItemNumber:
        return QStringLiteral("The barcode %1 is the number of item %2 (%3).")
            .arg(check.barcode.code, check.otherNumber, check.otherName);
    case Outcome::ReadFailed:
        return QStringLiteral("The barcodes could not be read.");
    }
    return {};
}

bool BarcodeStore::add(const Check& checked, const QString& itemNumber)
{
    if (checked.outcome != Outcome::Accepted) {
        m_lastError = refusalText(checked);
        return false;
    }
    if (checked.held)
        return true;
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblBarcode (Barcode, ItemNumber) VALUES (?, ?)"),
                        {checked.barcode.code, itemNumber}) != 1) {
        m_lastError = m_db.lastError();
        return false;
    }
    return true;
}

QString BarcodeStore::itemNumberFor(const QString& scanned)
{
    for (const QString& form : Barcode::lookupForms(scanned)) {
        const Recordset r =
            m_db.query(QStringLiteral("SELECT ItemNumber FROM tblBarcode WHERE Barcode = ? LIMIT 1"), {form});
        if (!r.BOF())
            return r.rows().first().first().toString();
    }
    return {};
}

QStringList BarcodeStore::barcodesOf(const QString& itemNumber)
{
    QStringList codes;
    const Recordset r =
        m_db.query(QStringLiteral("SELECT Barcode FROM tblBarcode WHERE ItemNumber = ? ORDER BY rowid"), {itemNumber});
    for (const auto& row : r.rows())
        codes << row.first().toString();
    return codes;
}

bool BarcodeStore::renumber(const QString& from, const QString& to)
{
    if (m_db.ExecuteSql(QStringLiteral("UPDATE tblBarcode SET ItemNumber = ? WHERE ItemNumber = ?"), {to, from}) < 0) {
        m_lastError = m_db.lastError();
        return false;
    }
    return true;
}
