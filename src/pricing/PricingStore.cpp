#include "pricing/PricingStore.h"

#include "data/Database.h"
#include "data/TextForms.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

using namespace Pricing;

QString kindText(DiscountKind kind)
{
    return kind == DiscountKind::Percent ? QStringLiteral("Percent") : QStringLiteral("Amount");
}

DiscountKind kindFrom(const QString& text)
{
    return text == QLatin1String("Amount") ? DiscountKind::Amount : DiscountKind::Percent;
}

QString discountText(const Discount& d)
{
    return d.kind == DiscountKind::Percent ? percentText(d.value) + u'%' : centsText(d.value);
}

// Adds a rate's figures to a list kept by rate name and percentage.
void addToRates(QVector<RateTotal>& list, const RateTotal& r)
{
    for (RateTotal& have : list) {
        if (have.name.compare(r.name, Qt::CaseInsensitive) == 0 && have.rate == r.rate) {
            have.net += r.net;
            have.tax += r.tax;
            have.gross += r.gross;
            return;
        }
    }
    list << r;
}

// In slices, so that a long session or span stays within what a statement may bind.
constexpr qsizetype kSlice = 500;

// Runs `sql`, whose "%1" stands for a list of marks, over `values` in slices; the rows of all
// slices, or none when a slice could not be read.
std::optional<QVector<QVector<QVariant>>> rowsIn(Database& db, const QString& sql, const QVariantList& values)
{
    QVector<QVector<QVariant>> rows;
    for (qsizetype from = 0; from < values.size(); from += kSlice) {
        const QVariantList slice = values.mid(from, kSlice);
        QStringList marks;
        for (qsizetype i = 0; i < slice.size(); ++i)
            marks << QStringLiteral("?");
        const Recordset r = db.query(sql.arg(marks.join(u',')), slice);
        if (!r.State())
            return std::nullopt;
        for (const auto& row : r.rows())
            rows << row;
    }
    return rows;
}

QString lineKey(const QVariant& sale, const QVariant& item)
{
    return sale.toString().toLower() + u'\x1f' + item.toString().toLower();
}

} // namespace

QVector<PricingFigures::Line> PricingFigures::reportLines() const
{
    QVector<Line> lines;
    if (discountCount > 0)
        lines.push_back({QStringLiteral("lblDiscounts"), QStringLiteral("DISCOUNTS GIVEN:"),
                         QStringLiteral("%1 (%2)").arg(Pricing::centsText(discounts)).arg(discountCount)});
    // The returns' lines name their rate only, to stay within the caption; their figures are in
    // the order the sales' tax lines above name.
    const auto rateLines = [&lines](const QString& name, const QString& caption, const QVector<RateTotal>& list) {
        for (qsizetype i = 0; i < list.size(); ++i) {
            const RateTotal& r = list.at(i);
            lines.push_back(
                {name.arg(i), caption.arg(TaxRate{-1, r.name, r.rate, false}.label()),
                 QStringLiteral("%1 / %2 / %3")
                     .arg(Pricing::centsText(r.net), Pricing::centsText(r.tax), Pricing::centsText(r.gross))});
        }
    };
    rateLines(QStringLiteral("lblTax%1"), QStringLiteral("TAX %1 (NET / TAX / GROSS):"), rates);
    // The returns' tax of the same period, and what is left owed of each rate.
    if (!refunds.isEmpty()) {
        rateLines(QStringLiteral("lblTaxRefunded%1"), QStringLiteral("TAX REFUNDED %1:"), refunds);
        rateLines(QStringLiteral("lblTaxOwed%1"), QStringLiteral("TAX OWED %1:"), owed());
    }
    return lines;
}

QVector<RateTotal> PricingFigures::owed() const
{
    QVector<RateTotal> list = rates;
    for (RateTotal r : refunds) {
        r.net = -r.net;
        r.tax = -r.tax;
        r.gross = -r.gross;
        addToRates(list, r);
    }
    return list;
}

QString TaxRate::label() const
{
    return QStringLiteral("%1 %2%").arg(name, percentText(rate));
}

PricingStore::PricingStore(Database& db, const QString& till) : m_db(db), m_till(till)
{
}

QString PricingStore::lastError() const
{
    return m_db.lastError();
}

std::optional<QString> PricingStore::setting(const QString& name)
{
    const Recordset r = m_db.query(QStringLiteral("SELECT Value FROM tblSetting WHERE Name = ?"), {name});
    if (!r.State())
        return std::nullopt;
    return r.BOF() ? QString() : r.rows().first().first().toString();
}

bool PricingStore::putSetting(const QString& name, const QString& value)
{
    Transaction tx(m_db);
    return tx.isActive() && m_db.ExecuteSql(QStringLiteral("DELETE FROM tblSetting WHERE Name = ?"), {name}) >= 0 &&
           m_db.ExecuteSql(QStringLiteral("INSERT INTO tblSetting (Name, Value) VALUES (?, ?)"), {name, value}) == 1 &&
           tx.commit();
}

std::optional<bool> PricingStore::pricesIncludeTax()
{
    const auto v = setting(kPricesIncludeTax);
    if (!v)
        return std::nullopt;
    return *v != QLatin1String("0");
}

bool PricingStore::setPricesIncludeTax(bool on)
{
    return putSetting(kPricesIncludeTax, on ? QStringLiteral("1") : QStringLiteral("0"));
}

std::optional<qint64> PricingStore::discountLimit()
{
    const auto v = setting(kDiscountLimit);
    if (!v)
        return std::nullopt;
    return v->toLongLong();
}

InputProblem PricingStore::setDiscountLimit(const QString& percent, QString* error)
{
    const DiscountReading r = readPercent(percent);
    if (r.problem != InputProblem::None)
        return r.problem;
    if (!putSetting(kDiscountLimit, QString::number(r.discount.value))) {
        if (error)
            *error = m_db.lastError();
        return InputProblem::Empty; // never stored; the caller reports the error
    }
    return InputProblem::None;
}

bool PricingStore::rates(QVector<TaxRate>& list)
{
    list.clear();
    const Recordset r =
        m_db.query(QStringLiteral("SELECT RateID, Name, Rate, Retired FROM tblTaxRate ORDER BY RateID"));
    if (!r.State())
        return false;
    for (const auto& row : r.rows())
        list << TaxRate{row.at(0).toLongLong(), row.at(1).toString(), row.at(2).toLongLong(),
                        row.at(3).toLongLong() != 0};
    return true;
}

RateResult PricingStore::addRate(const QString& nameText, const QString& percent)
{
    RateResult result;
    const QString name = nameText.simplified();
    if (name.isEmpty()) {
        result.outcome = RateOutcome::BadName;
        return result;
    }
    const DiscountReading r = readPercent(percent);
    if (r.problem != InputProblem::None) {
        result.outcome = RateOutcome::BadInput;
        result.problem = r.problem;
        return result;
    }
    Transaction tx(m_db);
    const auto failed = [&] {
        result.outcome = RateOutcome::WriteFailed;
        result.error = m_db.lastError();
        return result;
    };
    if (!tx.isActive())
        return failed();
    const Recordset taken = m_db.query(QStringLiteral("SELECT 1 FROM tblTaxRate WHERE Name = ?"), {name});
    const Recordset last = m_db.query(QStringLiteral("SELECT max(RateID) FROM tblTaxRate"));
    if (!taken.State() || !last.State())
        return failed();
    if (!taken.BOF()) {
        result.outcome = RateOutcome::NameTaken;
        return result;
    }
    result.id = (last.BOF() ? 0 : last.rows().first().first().toLongLong()) + 1;
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblTaxRate (RateID, Name, Rate, Retired) VALUES (?, ?, ?, 0)"),
                        {result.id, name, r.discount.value}) != 1 ||
        !tx.commit())
        return failed();
    result.outcome = RateOutcome::Stored;
    return result;
}

RateResult PricingStore::setRetired(qint64 id, bool retired)
{
    RateResult result;
    result.id = id;
    Transaction tx(m_db);
    const int n = tx.isActive() ? m_db.ExecuteSql(QStringLiteral("UPDATE tblTaxRate SET Retired = ? WHERE RateID = ?"),
                                                  {retired ? 1 : 0, id})
                                : -1;
    if (n < 0 || (n == 1 && !tx.commit())) {
        result.error = m_db.lastError();
        return result;
    }
    result.outcome = n == 0 ? RateOutcome::Gone : RateOutcome::Stored;
    return result;
}

RateResult PricingStore::deleteRate(qint64 id)
{
    RateResult result;
    result.id = id;
    Transaction tx(m_db);
    const auto failed = [&] {
        result.outcome = RateOutcome::WriteFailed;
        result.error = m_db.lastError();
        return result;
    };
    if (!tx.isActive())
        return failed();
    const Recordset used = m_db.query(QStringLiteral("SELECT 1 FROM tblItemTax WHERE RateID = ? LIMIT 1"), {id});
    if (!used.State())
        return failed();
    if (!used.BOF()) {
        result.outcome = RateOutcome::InUse;
        return result;
    }
    const int n = m_db.ExecuteSql(QStringLiteral("DELETE FROM tblTaxRate WHERE RateID = ?"), {id});
    if (n < 0 || (n == 1 && !tx.commit()))
        return failed();
    result.outcome = n == 0 ? RateOutcome::Gone : RateOutcome::Stored;
    return result;
}

std::optional<TaxRate> PricingStore::itemRate(const QString& itemNumber)
{
    const Recordset r = m_db.query(QStringLiteral("SELECT t.RateID, t.Name, t.Rate, t.Retired FROM tblItemTax i JOIN "
                                                  "tblTaxRate t ON t.RateID = i.RateID WHERE i.ItemNumber = ?"),
                                   {itemNumber.trimmed()});
    if (r.BOF())
        return std::nullopt;
    const auto& row = r.rows().first();
    return TaxRate{row.at(0).toLongLong(), row.at(1).toString(), row.at(2).toLongLong(), row.at(3).toLongLong() != 0};
}

RateResult PricingStore::setItemRate(const QString& itemNumberText, qint64 id)
{
    RateResult result;
    result.id = id;
    const QString itemNumber = itemNumberText.trimmed();
    Transaction tx(m_db);
    const auto failed = [&] {
        result.outcome = RateOutcome::WriteFailed;
        result.error = m_db.lastError();
        return result;
    };
    if (!tx.isActive())
        return failed();
    if (id >= 0) {
        const Recordset rate = m_db.query(QStringLiteral("SELECT Retired FROM tblTaxRate WHERE RateID = ?"), {id});
        const Recordset now =
            m_db.query(QStringLiteral("SELECT RateID FROM tblItemTax WHERE ItemNumber = ?"), {itemNumber});
        if (!rate.State() || !now.State())
            return failed();
        if (rate.BOF()) {
            result.outcome = RateOutcome::Gone;
            return result;
        }
        // A retired rate stays on the items that have it but is given to no other.
        if (rate.rows().first().first().toLongLong() != 0 &&
            (now.BOF() || now.rows().first().first().toLongLong() != id)) {
            result.outcome = RateOutcome::InUse;
            return result;
        }
    }
    if (m_db.ExecuteSql(QStringLiteral("DELETE FROM tblItemTax WHERE ItemNumber = ?"), {itemNumber}) < 0)
        return failed();
    if (id >= 0 && m_db.ExecuteSql(QStringLiteral("INSERT INTO tblItemTax (ItemNumber, RateID) VALUES (?, ?)"),
                                   {itemNumber, id}) != 1)
        return failed();
    if (!tx.commit())
        return failed();
    result.outcome = RateOutcome::Stored;
    return result;
}

RateResult PricingStore::setItemsRate(const QStringList& itemNumbers, qint64 id, QString* refusedItem)
{
    Transaction tx(m_db);
    RateResult result;
    result.id = id;
    if (!tx.isActive()) {
        result.error = m_db.lastError();
        return result;
    }
    for (const QString& number : itemNumbers) {
        result = setItemRate(number, id);
        if (result.outcome != RateOutcome::Stored) {
            if (refusedItem)
                *refusedItem = number;
            return result;
        }
    }
    if (!tx.commit()) {
        result.outcome = RateOutcome::WriteFailed;
        result.error = m_db.lastError();
    }
    return result;
}

bool PricingStore::active(const QString& saleNumber)
{
    const Recordset r = m_db.query(
        QStringLiteral("SELECT (SELECT count(*) FROM tblTaxRate), (SELECT count(*) FROM tblOpenDiscount WHERE Till = ? "
                       "AND SaleNumber = ?)"),
        {m_till, saleNumber});
    return !r.BOF() && (r.rows().first().at(0).toLongLong() > 0 || r.rows().first().at(1).toLongLong() > 0);
}

std::optional<Discount> PricingStore::openDiscount(const QString& saleNumber, const QString& itemNumber)
{
    const Recordset r = m_db.query(QStringLiteral("SELECT Kind, Value FROM tblOpenDiscount WHERE Till = ? AND "
                                                  "SaleNumber = ? AND ItemNumber = ?"),
                                   {m_till, saleNumber, itemNumber});
    if (r.BOF())
        return std::nullopt;
    return Discount{kindFrom(r.rows().first().at(0).toString()), r.rows().first().at(1).toLongLong()};
}

QString PricingStore::openSaleSummary(const QString& saleNumber)
{
    const auto priced = active(saleNumber) ? openSale(saleNumber) : std::nullopt;
    QStringList parts;
    if (priced && priced->lineDiscounts + priced->saleDiscount > 0)
        parts << QStringLiteral("Discounts: %1").arg(centsText(priced->lineDiscounts + priced->saleDiscount));
    if (priced && !priced->rates.isEmpty())
        parts << QStringLiteral("Tax: %1").arg(centsText(priced->tax));
    return parts.join(QStringLiteral("   "));
}

std::optional<Sale> PricingStore::openSale(const QString& saleNumber, QStringList* itemNumbers)
{
    const auto include = pricesIncludeTax();
    const Recordset lines = m_db.query(
        QStringLiteral("SELECT p.ItemNumber, p.itemQuantity, p.ItemPrice, d.Kind, d.Value, t.RateID, t.Name, t.Rate "
                       "FROM tblPos p LEFT JOIN tblOpenDiscount d ON d.Till = ? AND d.SaleNumber = ? AND "
                       "d.ItemNumber = p.ItemNumber LEFT JOIN tblItemTax i ON i.ItemNumber = p.ItemNumber LEFT JOIN "
                       "tblTaxRate t ON t.RateID = i.RateID WHERE p.Till = ? ORDER BY p.rowid"),
        {m_till, saleNumber, m_till});
    const Recordset whole = m_db.query(QStringLiteral("SELECT Kind, Value FROM tblOpenDiscount WHERE Till = ? AND "
                                                      "SaleNumber = ? AND ItemNumber = ''"),
                                       {m_till, saleNumber});
    if (!include || !lines.State() || !whole.State())
        return std::nullopt;
    QVector<Line> priced;
    for (const auto& row : lines.rows()) {
        Line line;
        line.amount = lineCents(row.at(1).toString(), row.at(2).toString()).value_or(0);
        if (!row.at(3).isNull())
            line.discount = {kindFrom(row.at(3).toString()), row.at(4).toLongLong()};
        if (!row.at(5).isNull()) {
            line.rateId = row.at(5).toLongLong();
            line.rateName = row.at(6).toString();
            line.rate = row.at(7).toLongLong();
        }
        priced << line;
        if (itemNumbers)
            *itemNumbers << row.at(0).toString();
    }
    Discount sale;
    if (!whole.BOF())
        sale = {kindFrom(whole.rows().first().at(0).toString()), whole.rows().first().at(1).toLongLong()};
    return price(priced, sale, *include);
}

DiscountResult PricingStore::giveDiscount(const QString& saleNumber, const QString& itemNumber, DiscountKind kind,
                                          const QString& text, const DiscountSigner& signer)
{
    DiscountResult result;
    Transaction tx(m_db);
    const auto failed = [&] {
        result.outcome = DiscountOutcome::WriteFailed;
        result.error = m_db.lastError();
        return result;
    };
    if (!tx.isActive())
        return failed();
    // What the discount is taken off, as the cart stands inside this transaction: a line's amount
    // before discounts, or the sale after its lines' own discounts.
    QStringList numbers;
    const auto sale = openSale(saleNumber, &numbers);
    const auto limit = discountLimit();
    if (!sale || !limit)
        return failed();
    result.limit = *limit;
    qint64 base = 0;
    QString itemName;
    if (itemNumber.isEmpty()) {
        if (sale->lines.isEmpty()) {
            result.outcome = DiscountOutcome::NoLine;
            return result;
        }
        base = sale->amount - sale->lineDiscounts;
    } else {
        const qsizetype at = numbers.indexOf(itemNumber);
        if (at < 0) {
            result.outcome = DiscountOutcome::NoLine;
            return result;
        }
        base = sale->lines.at(at).amount;
        const Recordset name =
            m_db.query(QStringLiteral("SELECT ItemName FROM tblPos WHERE Till = ? AND ItemNumber = ? LIMIT 1"),
                       {m_till, itemNumber});
        itemName = name.BOF() ? itemNumber : name.rows().first().first().toString();
    }
    const DiscountReading reading = readDiscount(text, kind, base);
    if (reading.problem != InputProblem::None) {
        result.outcome = DiscountOutcome::BadInput;
        result.problem = reading.problem;
        return result;
    }
    result.cents = base - discounted(base, reading.discount);
    const bool admin = signer.giverType == QLatin1String("Administrator");
    if (!admin && percentOf(result.cents, base) > *limit) {
        if (signer.approverType != QLatin1String("Administrator") || signer.approver.isEmpty()) {
            result.outcome = DiscountOutcome::ApprovalNeeded;
            return result;
        }
        result.approver = signer.approver;
    }
    if (m_db.ExecuteSql(
            QStringLiteral("DELETE FROM tblOpenDiscount WHERE Till = ? AND SaleNumber = ? AND ItemNumber = ?"),
            {m_till, saleNumber, itemNumber}) < 0)
        return failed();
    if (!reading.discount.isNone() &&
        m_db.ExecuteSql(
            QStringLiteral("INSERT INTO tblOpenDiscount (Till, SaleNumber, ItemNumber, Kind, Value, GivenBy, "
                           "Approver) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {m_till, saleNumber, itemNumber, kindText(kind), reading.discount.value, signer.giver, result.approver}) !=
            1)
        return failed();
    const QString what = itemNumber.isEmpty() ? QStringLiteral("the whole sale")
                                              : QStringLiteral("item No. %1 (%2)").arg(itemNumber, itemName);
    QString note =
        reading.discount.isNone()
            ? QStringLiteral("%1 took away the discount on %2 of sale No. %3.").arg(signer.giver, what, saleNumber)
            : QStringLiteral("%1 gave a discount of %2 (%3) on %4 of sale No. %5.")
                  .arg(signer.giver, discountText(reading.discount), centsText(result.cents), what, saleNumber);
    if (!result.approver.isEmpty())
        note += QStringLiteral(" Approved by %1.").arg(result.approver);
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblNot (NoteDate, NoteTime, RE, Notification) VALUES (?, ?, ?, ?)"),
                        {DateText(), TimeText(), QStringLiteral("Discount"), note}) != 1)
        return failed();
    if (!tx.commit())
        return failed();
    result.outcome = reading.discount.isNone() ? DiscountOutcome::Removed : DiscountOutcome::Given;
    return result;
}

bool PricingStore::dropSaleDiscount(const QString& saleNumber)
{
    Transaction tx(m_db);
    return tx.isActive() &&
           m_db.ExecuteSql(
               QStringLiteral("DELETE FROM tblOpenDiscount WHERE Till = ? AND SaleNumber = ? AND ItemNumber = ''"),
               {m_till, saleNumber}) >= 0 &&
           tx.commit();
}

bool PricingStore::dropOpenSale()
{
    Transaction tx(m_db);
    return tx.isActive() &&
           m_db.ExecuteSql(QStringLiteral("DELETE FROM tblOpenDiscount WHERE Till = ?"), {m_till}) >= 0 && tx.commit();
}

bool PricingStore::dropLineDiscount(const QString& itemNumber)
{
    Transaction tx(m_db);
    return tx.isActive() &&
           m_db.ExecuteSql(QStringLiteral("DELETE FROM tblOpenDiscount WHERE Till = ? AND ItemNumber = ?"),
                           {m_till, itemNumber}) >= 0 &&
           tx.commit();
}

bool PricingStore::recordSale(const QString& saleNumber, const QString& saleDate)
{
    if (!active(saleNumber))
        return true;
    QStringList numbers;
    const auto sale = openSale(saleNumber, &numbers);
    if (!sale)
        return false;
    const Recordset names =
        m_db.query(QStringLiteral("SELECT ItemNumber, ItemName FROM tblPos WHERE Till = ? ORDER BY rowid"), {m_till});
    const Recordset given = m_db.query(QStringLiteral("SELECT ItemNumber, Kind, Value, GivenBy, Approver FROM "
                                                      "tblOpenDiscount WHERE Till = ? AND SaleNumber = ?"),
                                       {m_till, saleNumber});
    if (!names.State() || !given.State())
        return false;
    for (qsizetype i = 0; i < sale->lines.size(); ++i) {
        const Line& l = sale->lines.at(i);
        const QString name = i < names.rows().size() ? names.rows().at(i).at(1).toString() : QString();
        if (m_db.ExecuteSql(
                QStringLiteral("INSERT INTO tblSoldPrice (SaleNumber, ItemNumber, ItemName, Amount, "
                               "LineDiscount, SaleDiscount, Charged, RateName, Rate, Tax, Paid) VALUES (?, ?, "
                               "?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {saleNumber, numbers.at(i), name, l.amount, l.lineDiscount, l.saleDiscount, l.charged,
                 l.rateId >= 0 ? QVariant(l.rateName) : QVariant(), l.rateId >= 0 ? QVariant(l.rate) : QVariant(),
                 l.tax, l.paid}) != 1)
            return false;
    }
    for (const RateTotal& r : sale->rates) {
        if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblSaleTax (SaleNumber, SaleDate, RateName, Rate, Net, Tax, "
                                           "Gross) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                            {saleNumber, saleDate, r.name, r.rate, r.net, r.tax, r.gross}) != 1)
            return false;
    }
    for (const auto& row : given.rows()) {
        const QString item = row.at(0).toString();
        qint64 cents = 0;
        for (qsizetype i = 0; i < sale->lines.size(); ++i) {
            if (item.isEmpty())
                cents += sale->lines.at(i).saleDiscount;
            else if (numbers.at(i) == item)
                cents += sale->lines.at(i).lineDiscount;
        }
        if (m_db.ExecuteSql(
                QStringLiteral("INSERT INTO tblSaleDiscount (SaleNumber, SaleDate, ItemNumber, Kind, Value, "
                               "Cents, GivenBy, Approver) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                {saleNumber, saleDate, item, row.at(1), row.at(2), cents, row.at(3), row.at(4)}) != 1)
            return false;
    }
    return m_db.ExecuteSql(QStringLiteral("DELETE FROM tblOpenDiscount WHERE Till = ? AND SaleNumber = ?"),
                           {m_till, saleNumber}) >= 0;
}

std::optional<SoldPricing> PricingStore::soldSale(const QString& saleNumber)
{
    const Recordset lines = m_db.query(
        QStringLiteral(
            "SELECT ItemNumber, ItemName, Amount, LineDiscount + SaleDiscount, Charged, RateName, Rate, Tax, "
            "Paid FROM tblSoldPrice WHERE SaleNumber = ? ORDER BY rowid"),
        {saleNumber});
    const Recordset rates = m_db.query(
        QStringLiteral("SELECT RateName, Rate, Net, Tax, Gross FROM tblSaleTax WHERE SaleNumber = ? ORDER BY rowid"),
        {saleNumber});
    if (!lines.State() || !rates.State())
        return std::nullopt;
    SoldPricing sold;
    for (const auto& row : lines.rows()) {
        SoldPricing::SoldLine l{row.at(0).toString(),
                                row.at(1).toString(),
                                row.at(2).toLongLong(),
                                row.at(3).toLongLong(),
                                row.at(4).toLongLong(),
                                row.at(5).toString(),
                                row.at(6).isNull() ? -1 : row.at(6).toLongLong(),
                                row.at(7).toLongLong(),
                                row.at(8).toLongLong()};
        sold.discounts += l.discount;
        sold.due += l.paid;
        sold.lines << l;
    }
    for (const auto& row : rates.rows()) {
        const RateTotal r{-1,
                          row.at(0).toString(),
                          row.at(1).toLongLong(),
                          row.at(2).toLongLong(),
                          row.at(3).toLongLong(),
                          row.at(4).toLongLong()};
        sold.tax += r.tax;
        sold.rates << r;
    }
    return sold;
}

std::optional<PricingFigures> PricingStore::figures(const QString& where, const QVariantList& params)
{
    const Recordset d =
        m_db.query(QStringLiteral("SELECT count(*), sum(Cents) FROM tblSaleDiscount WHERE %1").arg(where), params);
    const Recordset t = m_db.query(
        QStringLiteral("SELECT RateName, Rate, sum(Net), sum(Tax), sum(Gross) FROM tblSaleTax WHERE %1 GROUP BY "
                       "RateName, Rate ORDER BY Rate DESC, RateName")
            .arg(where),
        params);
    if (!d.State() || !t.State())
        return std::nullopt;
    PricingFigures f;
    if (!d.BOF()) {
        f.discountCount = d.rows().first().at(0).toLongLong();
        f.discounts = d.rows().first().at(1).toLongLong();
    }
    for (const auto& row : t.rows()) {
        addToRates(f.rates, {-1, row.at(0).toString(), row.at(1).toLongLong(), row.at(2).toLongLong(),
                             row.at(3).toLongLong(), row.at(4).toLongLong()});
        f.tax += row.at(3).toLongLong();
    }
    return f;
}

std::optional<PricingFigures> PricingStore::figuresIn(const QString& column, const QStringList& values)
{
    PricingFigures total;
    for (qsizetype from = 0; from < values.size(); from += kSlice) {
        const QStringList slice = values.mid(from, kSlice);
        QStringList marks;
        QVariantList params;
        for (const QString& v : slice) {
            marks << QStringLiteral("?");
            params << v;
        }
        const auto part = figures(QStringLiteral("%1 IN (%2)").arg(column, marks.join(u',')), params);
        if (!part)
            return std::nullopt;
        total.discounts += part->discounts;
        total.discountCount += part->discountCount;
        total.tax += part->tax;
        for (const RateTotal& r : part->rates)
            addToRates(total.rates, r);
    }
    return total;
}

std::optional<PricingFigures> PricingStore::figuresForSales(const QStringList& saleNumbers)
{
    return figuresIn(QStringLiteral("SaleNumber"), saleNumbers);
}

std::optional<PricingFigures> PricingStore::figuresForDays(const QStringList& days)
{
    auto f = figuresIn(QStringLiteral("SaleDate"), days);
    QVariantList values;
    for (const QString& day : days)
        values << day;
    const auto given = refunds(QStringLiteral("r.ReturnDate IN (%1)"), values);
    if (!f || !given)
        return std::nullopt;
    f->refunds = *given;
    return f;
}

std::optional<QVector<RateTotal>> PricingStore::refundsOfReturns(const QVector<qint64>& returnNumbers)
{
    QVariantList values;
    for (const qint64 n : returnNumbers)
        values << n;
    return refunds(QStringLiteral("l.ReturnNumber IN (%1)"), values);
}

std::optional<QVector<RateTotal>> PricingStore::refunds(const QString& where, const QVariantList& values)
{
    QVector<RateTotal> list;
    const auto returned = rowsIn(m_db,
                                 QStringLiteral("SELECT l.ReturnNumber, l.SaleNumber, l.ItemNumber, l.Refund FROM "
                                                "tblReturnLine l JOIN tblReturn r ON r.ReturnNumber = l.ReturnNumber "
                                                "WHERE ") +
                                     where,
                                 values);
    if (!returned)
        return std::nullopt;
    QVariantList sales;
    QSet<QString> seen;
    for (const auto& row : *returned) {
        if (!seen.contains(row.at(1).toString())) {
            seen.insert(row.at(1).toString());
            sales << row.at(1);
        }
    }
    // The rated lines of those sales as they were priced, and every return of them so far.
    const auto priced = rowsIn(m_db,
                               QStringLiteral("SELECT SaleNumber, ItemNumber, RateName, Rate, Tax, Paid FROM "
                                              "tblSoldPrice WHERE Rate IS NOT NULL AND SaleNumber IN (%1)"),
                               sales);
    const auto earlier = rowsIn(m_db,
                                QStringLiteral("SELECT ReturnNumber, SaleNumber, ItemNumber, Refund FROM tblReturnLine "
                                               "WHERE SaleNumber IN (%1)"),
                                sales);
    if (!priced || !earlier)
        return std::nullopt;
    struct Sold
    {
        QString name;
        qint64 rate = 0;
        qint64 tax = 0;
        qint64 paid = 0;
    };
    QHash<QString, Sold> byLine;
    for (const auto& row : *priced) {
        Sold& s = byLine[lineKey(row.at(0), row.at(1))];
        if (s.name.isEmpty()) {
            s.name = row.at(2).toString();
            s.rate = row.at(3).toLongLong();
        }
        s.tax += row.at(4).toLongLong();
        s.paid += row.at(5).toLongLong();
    }
    QHash<QString, QVector<std::pair<qint64, qint64>>> refundsOfLine; // return number, refund
    for (const auto& row : *earlier)
        refundsOfLine[lineKey(row.at(1), row.at(2))].push_back({row.at(0).toLongLong(), row.at(3).toLongLong()});
    for (const auto& row : *returned) {
        const QString key = lineKey(row.at(1), row.at(2));
        const auto sold = byLine.constFind(key);
        if (sold == byLine.constEnd() || sold->paid <= 0)
            continue;
        const qint64 number = row.at(0).toLongLong();
        const qint64 refund = row.at(3).toLongLong();
        qint64 before = 0;
        for (const auto& [other, cents] : refundsOfLine.value(key)) {
            if (other < number)
                before += cents;
        }
        const auto taxUpTo = [&](qint64 refunded) {
            return mulDivRound(std::min(refunded, sold->paid), sold->tax, sold->paid);
        };
        const qint64 tax = taxUpTo(before + refund) - taxUpTo(before);
        addToRates(list, {-1, sold->name, sold->rate, refund - tax, tax, refund});
    }
    return list;
}
