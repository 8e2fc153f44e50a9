#include "sales/ReceiptStore.h"

#include "data/Database.h"
#include "data/MoneyTotal.h"
#include "data/TextForms.h"
#include "sales/Cart.h"
#include "pricing/PricingStore.h"
#include "returns/Returns.h"
#include "till/TillSessions.h"

#include <QStringList>

QString paperName(ReceiptPaper paper)
{
    return paper == ReceiptPaper::A4 ? QStringLiteral("A4") : QStringLiteral("80mm");
}

ReceiptPaper paperFromName(const QString& name)
{
    return name.compare(QLatin1String("A4"), Qt::CaseInsensitive) == 0 ? ReceiptPaper::A4 : ReceiptPaper::Roll80;
}

QString receiptUnitPrice(const QString& quantity, const QString& amount, const QString& itemPrice)
{
    const auto stored = ColumnNumber(amount);
    if (!stored)
        return {};
    // The registered price is the one charged unless it has changed since: then it no longer
    // gives the stored amount, and the amount per unit is what the customer paid.
    const auto charged = lineAmount(quantity, itemPrice);
    if (charged && FormatNumber(*charged, NumberPattern::Plain2) == FormatNumber(*stored, NumberPattern::Plain2))
        return FormatText(itemPrice, NumberPattern::Grouped2);
    const double units = NumberFromText(quantity);
    return units > 0 ? FormatNumber(*stored / units, NumberPattern::Grouped2) : QString();
}

ReceiptStore::ReceiptStore(Database& db, const QVariant& till) : m_db(db), m_till(till.toString())
{
}

ReceiptSettings ReceiptStore::settings()
{
    ReceiptSettings s;
    const Recordset r =
        m_db.query(QStringLiteral("SELECT PrintReceipt, Paper FROM tblReceipt WHERE Till = ?"), {m_till});
    if (!r.BOF()) {
        s.printOnFinish = r.rows().first().at(0).toLongLong() != 0;
        s.paper = paperFromName(r.rows().first().at(1).toString());
    }
    return s;
}

bool ReceiptStore::writeRow(const QStringList& columns, const QVariantList& values)
{
    // The till's row is changed where it exists and added where it does not; the column names
    // come from this class, never from a user.
    QStringList assignments;
    for (const QString& column : columns)
        assignments << column + QStringLiteral(" = ?");
    const int changed = m_db.ExecuteSql(
        QStringLiteral("UPDATE tblReceipt SET %1 WHERE Till = ?").arg(assignments.join(QStringLiteral(", "))),
        values + QVariantList{m_till});
    if (changed != 0)
        return changed == 1;
    const QString marks = QStringLiteral(", ?").repeated(columns.size());
    return m_db.ExecuteSql(QStringLiteral("INSERT INTO tblReceipt (Till, %1) VALUES (?%2)")
                               .arg(columns.join(QStringLiteral(", ")), marks),
                           QVariantList{m_till} + values) == 1;
}

bool ReceiptStore::saveSettings(const ReceiptSettings& settings, QString* error)
{
    Transaction tx(m_db);
    const bool ok = tx.isActive() &&
                    writeRow({QStringLiteral("PrintReceipt"), QStringLiteral("Paper")},
                             {settings.printOnFinish ? 1 : 0, paperName(settings.paper)}) &&
                    tx.commit();
    if (!ok && error)
        *error = m_db.lastError();
    return ok;
}

bool ReceiptStore::recordLastSale(const SaleRef& sale)
{
    return writeRow({QStringLiteral("SaleNumber"), QStringLiteral("SaleRow"), QStringLiteral("SaleDate"),
                     QStringLiteral("SaleTime")},
                    {sale.saleNumber, sale.salesRow, sale.date, sale.time});
}

std::optional<SaleRef> ReceiptStore::lastSale()
{
    const Recordset r = m_db.query(QStringLiteral("SELECT SaleNumber, SaleRow, SaleDate, SaleTime FROM tblReceipt "
                                                  "WHERE Till = ? AND SaleRow IS NOT NULL"),
                                   {m_till});
    if (r.BOF())
        return std::nullopt;
    const auto& row = r.rows().first();
    return SaleRef{row.at(0).toString(), row.at(1).toLongLong(), row.at(2).toString(), row.at(3).toString()};
}

ReceiptStore::ReadOutcome ReceiptStore::read(const SaleRef& sale, ReceiptData& receipt, QString* error)
{
    const auto failed = [&] {
        if (error)
            *error = m_db.lastError();
        return ReadOutcome::ReadFailed;
    };
    const Recordset record = m_db.query(QStringLiteral("SELECT BusinessDate, BusinessTime, AmountDue, Change, Cash, "
                                                       "Cashier FROM tblSales WHERE rowid = ? AND "
                                                       "BusinessDate = ? AND BusinessTime = ?"),
                                        {sale.salesRow, sale.date, sale.time});
    if (record.State() == 0)
        return failed();
    if (record.BOF())
        return ReadOutcome::Gone;
    // The unit price is not part of a sold-item line; the item's registered price is read beside it.
    const Recordset lines = m_db.query(
        QStringLiteral("SELECT s.ItemName, s.Quantity, s.Amount, (SELECT k.ItemPrice FROM tblStocks k WHERE "
                       "k.ItemNumber = s.ItemNumber ORDER BY k.rowid LIMIT 1) FROM tblSold s WHERE s.TransactionID = ? "
                       "ORDER BY s.rowid"),
        {sale.saleNumber});
    const Recordset main = m_db.query(QStringLiteral("SELECT CompanyName FROM tblMain"));
    if (lines.State() == 0 || main.State() == 0)
        return failed();

    const QVector<QVariant>& row = record.rows().first();
    const QString due = row.at(2).toString();
    MoneyTotal sum;
    receipt.lines.clear();
    for (const auto& line : lines.rows()) {
        if (!sum.add(line.at(2)))
            return ReadOutcome::Gone;
        const QString quantity = line.at(1).toString();
        const QString amount = line.at(2).toString();
        receipt.lines.push_back({line.at(0).toString(), quantity,
                                 receiptUnitPrice(quantity, amount, line.at(3).toString()),
                                 FormatText(amount, NumberPattern::Grouped2)});
    }
    // The lines must add up to the amount due: a history emptied since (or a sale row that now
    // belongs to another sale) cannot give this sale's receipt.
    // A sale with discounts or tax adds up as it was priced.
    const auto priced = PricingStore(m_db, m_till).soldSale(sale.saleNumber);
    if (!priced)
        return failed();
    const QString linesDue =
        priced->isEmpty() ? sum.formatted(NumberPattern::Plain2) : Pricing::plainCents(priced->due);
    if (receipt.lines.isEmpty() || sum.overflowed() || linesDue != FormatText(due, NumberPattern::Plain2))
        return ReadOutcome::Gone;

    receipt.company = main.BOF() ? QString() : main.rows().last().first().toString();
    receipt.saleNumber = sale.saleNumber;
    receipt.date = row.at(0).toString();
    receipt.time = row.at(1).toString();
    receipt.total = FormatText(due, NumberPattern::Grouped2);
    receipt.change = FormatText(row.at(3).toString(), NumberPattern::Grouped2);
    // The cash as it was counted: the amount due and the change computed from it, so the
    // receipt's figures always agree whatever form the cash was typed in ("2,000"); a row whose
    // figures are no numbers shows the cash text's leading number.
    // The card part of a split or card sale was not handed over in cash.
    const qint64 card = TillSessions::cardPaid(m_db, sale.saleNumber, sale.salesRow);
    receipt.card = card > 0 ? FormatNumber(static_cast<double>(card) / 100.0, NumberPattern::Grouped2) : QString();
    const auto dueValue = ColumnNumber(FormatText(due, NumberPattern::Plain2));
    const auto changeValue = ColumnNumber(row.at(3).toString());
    receipt.cash =
        dueValue && changeValue
            ? FormatNumber(*dueValue - static_cast<double>(card) / 100.0 + *changeValue, NumberPattern::Grouped2)
            : FormatNumber(NumberFromText(row.at(4).toString()), NumberPattern::Grouped2);
    receipt.cashier = row.at(5).toString();
    const Credit credit = Returns(m_db, m_till).creditOfSale(sale.saleNumber);
    receipt.exchange = credit.amount > 0 ? QStringLiteral("Exchange for return No. %1, credit %2")
                                               .arg(credit.returnsText(), Cents::text(credit.amount))
                                         : QString();
    return ReadOutcome::Read;
}
