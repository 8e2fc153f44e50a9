#include "returns/Returns.h"

#include "pricing/PricingStore.h"

#include "data/Database.h"
#include "data/TextForms.h"
#include "till/TillSessions.h"

#include <QHash>
#include <QStringList>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace Cents {

std::optional<qint64> fromText(const QString& text)
{
    const auto value = ColumnNumber(text);
    if (!value || !std::isfinite(*value) || std::fabs(*value) >= 1e15)
        return std::nullopt;
    // Rounded as the amounts are shown: halves away from zero, on the decimal value.
    QString plain = FormatNumber(*value, NumberPattern::Plain2);
    plain.remove(QLatin1Char('.'));
    bool ok = false;
    const qint64 cents = plain.toLongLong(&ok);
    return ok ? std::optional<qint64>(cents) : std::nullopt;
}

qint64 fromValue(double value)
{
    return fromText(PlainNumber(value)).value_or(0);
}

QString plainText(qint64 cents)
{
    return Pricing::plainCents(cents);
}

QString text(qint64 cents)
{
    return Pricing::centsText(cents);
}

} // namespace Cents

qint64 SoldLine::unitPrice() const
{
    return sold > 0 ? std::llround(static_cast<double>(amount) / sold) : 0;
}

qint64 SoldLine::returnable() const
{
    const auto whole = static_cast<qint64>(std::floor(sold + 1e-9));
    return std::max<qint64>(0, whole - returned);
}

qint64 SoldLine::refundFor(qint64 quantity) const
{
    const qint64 left = std::max<qint64>(0, amount - refunded);
    if (quantity <= 0)
        return 0;
    // The return that takes back the last unit refunds what is left, so a line's refunds add
    // up to its amount exactly; before that, never more than is left.
    if (static_cast<double>(returned + quantity) >= sold)
        return left;
    return std::min(left, unitPrice() * quantity);
}

namespace {

QString dayKey(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

qint64 storedInt(const QVariant& value)
{
    // The server gives sums as numeric, which arrive as text.
    return value.isNull() ? 0 : std::llround(NumberFromText(value.toString()));
}

// A whole number of 1 or more, as typed; none otherwise.
std::optional<qint64> wholeQuantity(const QString& typed)
{
    static const QRegularExpression whole(QStringLiteral(R"(^\s*\+?(\d{1,9})\s*$)"));
    const QRegularExpressionMatch m = whole.match(typed);
    if (!m.hasMatch())
        return std::nullopt;
    const qint64 value = m.captured(1).toLongLong();
    return value >= 1 ? std::optional<qint64>(value) : std::nullopt;
}

QString detailsBlock(const QVector<ReturnedLine>& lines)
{
    QString text = QStringLiteral("\r\n\r\nDETAILS:");
    for (const ReturnedLine& line : lines)
        text += QStringLiteral("\r\nItem Number: %1, Item Name: %2, Quantity: %3, Refund: %4, %5")
                    .arg(line.itemNumber, line.itemName)
                    .arg(line.quantity)
                    .arg(Cents::text(line.refund),
                         line.restocked ? QStringLiteral("back to stock") : QStringLiteral("not back to stock"));
    return text;
}

} // namespace

Returns::Returns(Database& db, const QString& till) : m_db(db), m_till(till)
{
}

FoundSale Returns::read(const QString& saleNumber)
{
    FoundSale found;
    const auto failed = [&] {
        found.outcome = FindOutcome::ReadFailed;
        found.error = m_db.lastError();
        return found;
    };
    const QString number = saleNumber.trimmed();
    if (number.isEmpty()) {
        found.outcome = FindOutcome::Unknown;
        return found;
    }
    // The sale's lines with, for each, whether the sale is still open at a till and what earlier
    // returns took back of it; then the sale's reference. Two statements, both by index.
    const Recordset sold = m_db.query(
        QStringLiteral("SELECT s.ItemNumber, s.ItemName, s.Quantity, s.Amount, s.Dated, s.Cashier, (SELECT 1 FROM "
                       "tblPos p WHERE p.SaleNumber = s.TransactionID LIMIT 1), (SELECT sum(r.Quantity) FROM "
                       "tblReturnLine r WHERE r.SaleNumber = s.TransactionID AND r.ItemNumber = s.ItemNumber), (SELECT "
                       "sum(r.Refund) FROM tblReturnLine r WHERE r.SaleNumber = s.TransactionID AND r.ItemNumber = "
                       "s.ItemNumber) FROM tblSold s WHERE s.TransactionID = ? ORDER BY s.rowid"),
        {number});
    const Recordset ref = m_db.query(QStringLiteral("SELECT SaleRow, Till, SaleDate, SaleTime, Amount, Cashier FROM "
                                                    "tblSaleRef WHERE SaleNumber = ? ORDER BY rowid DESC LIMIT 1"),
                                     {number});
    if (sold.State() == 0 || ref.State() == 0)
        return failed();
    if (sold.BOF()) {
        const Recordset returned =
            m_db.query(QStringLiteral("SELECT 1 FROM tblReturn WHERE SaleNumber = ? LIMIT 1"), {number});
        if (returned.State() == 0)
            return failed();
        found.outcome = ref.BOF() && returned.BOF() ? FindOutcome::Unknown : FindOutcome::LinesGone;
        return found;
    }
    // A sale still being rung up has its sold-item lines already, and its cart lines.
    if (!sold.rows().first().at(6).isNull()) {
        found.outcome = FindOutcome::StillOpen;
        return found;
    }

    // One line per item: the cart holds an item once per sale, but older histories may not.
    QHash<QString, qsizetype> byItem;
    qint64 linesTotal = 0;
    for (const auto& row : sold.rows()) {
        const QString item = row.at(0).toString();
        const qint64 amount = Cents::fromText(row.at(3).toString()).value_or(0);
        linesTotal += amount;
        auto at = byItem.constFind(item);
        if (at == byItem.constEnd()) {
            at = byItem.insert(item, found.lines.size());
            // What was returned is the item's, counted once however many lines it has.
            found.lines.push_back({item, row.at(1).toString(), 0, 0, storedInt(row.at(7)), storedInt(row.at(8))});
        }
        SoldLine& line = found.lines[*at];
        line.sold += NumberFromText(row.at(2).toString());
        line.amount += amount;
    }

    // A sale with discounts or tax charged each line what its priced line says it paid: the
    // discounted price and, where prices exclude it, the line's tax.
    const auto priced = PricingStore(m_db).soldSale(number);
    if (!priced)
        return failed();
    if (!priced->isEmpty()) {
        linesTotal = 0;
        for (SoldLine& line : found.lines) {
            line.amount = 0;
            for (const auto& p : priced->lines) {
                if (p.itemNumber == line.itemNumber)
                    line.amount += p.paid;
            }
            linesTotal += line.amount;
        }
    }

    SaleSummary& s = found.sale;
    s.saleNumber = number;
    const auto& first = sold.rows().first();
    s.date = first.at(4).toString();
    s.cashier = first.at(5).toString();
    s.total = linesTotal;
    if (!ref.BOF()) {
        const auto& r = ref.rows().first();
        s.salesRow = r.at(0).toLongLong();
        s.till = r.at(1).toString();
        s.date = r.at(2).toString();
        s.time = r.at(3).toString();
        s.total = storedInt(r.at(4));
        if (!r.at(5).toString().isEmpty())
            s.cashier = r.at(5).toString();
    }
    for (const SoldLine& line : std::as_const(found.lines))
        s.refunded += line.refunded;
    found.outcome = FindOutcome::Found;
    return found;
}

FoundSale Returns::find(const QString& saleNumber)
{
    return read(saleNumber);
}

bool Returns::listDay(const QDate& day, QVector<SaleSummary>& sales, QString* error)
{
    const QString dayText = DateText(day);
    // Sales completed by this version carry a reference with their time and till; older ones
    // are known by their sold-item lines alone.
    const Recordset lines = m_db.query(
        QStringLiteral("SELECT s.TransactionID, s.Amount, s.Cashier FROM tblSold s WHERE s.Dated = ? AND NOT EXISTS "
                       "(SELECT 1 FROM tblPos p WHERE p.SaleNumber = s.TransactionID) ORDER BY s.rowid"),
        {dayText});
    const Recordset refs = m_db.query(QStringLiteral("SELECT SaleNumber, SaleRow, Till, SaleTime, Amount, Cashier FROM "
                                                     "tblSaleRef WHERE SaleDate = ? ORDER BY rowid"),
                                      {dayText});
    const Recordset refunds =
        m_db.query(QStringLiteral("SELECT SaleNumber, sum(Refund) FROM tblReturn WHERE SaleNumber "
                                  "IN (SELECT TransactionID FROM tblSold WHERE Dated = ?) GROUP "
                                  "BY SaleNumber"),
                   {dayText});
    if (lines.State() == 0 || refs.State() == 0 || refunds.State() == 0) {
        if (error)
            *error = m_db.lastError();
        return false;
    }
    QHash<QString, qsizetype> byNumber;
    QVector<SaleSummary> list;
    for (const auto& row : lines.rows()) {
        const QString number = row.at(0).toString();
        auto at = byNumber.constFind(number);
        if (at == byNumber.constEnd()) {
            at = byNumber.insert(number, list.size());
            SaleSummary s;
            s.saleNumber = number;
            s.date = dayText;
            s.cashier = row.at(2).toString();
            list.push_back(s);
        }
        list[*at].total += Cents::fromText(row.at(1).toString()).value_or(0);
    }
    for (const auto& row : refs.rows()) {
        const auto at = byNumber.constFind(row.at(0).toString());
        if (at == byNumber.constEnd())
            continue;
        SaleSummary& s = list[*at];
        s.salesRow = row.at(1).toLongLong();
        s.till = row.at(2).toString();
        s.time = row.at(3).toString();
        s.total = storedInt(row.at(4));
        if (!row.at(5).toString().isEmpty())
            s.cashier = row.at(5).toString();
    }
    for (const auto& row : refunds.rows()) {
        const auto at = byNumber.constFind(row.at(0).toString());
        if (at != byNumber.constEnd())
            list[*at].refunded = storedInt(row.at(1));
    }
    std::stable_sort(list.begin(), list.end(), [](const SaleSummary& a, const SaleSummary& b) {
        return NumberFromText(a.saleNumber) < NumberFromText(b.saleNumber);
    });
    sales = std::move(list);
    return true;
}

ReturnResult Returns::store(const ReturnRequest& request)
{
    ReturnResult result;
    const auto refuse = [&](ReturnOutcome outcome) {
        result.outcome = outcome;
        return result;
    };
    const ReturnSigner& signer = request.signer;
    if (signer.accountType == QLatin1String("Guest"))
        return refuse(ReturnOutcome::GuestRefused);

    // The quantities as typed: whole numbers of 1 or more; empty lines are not taken back.
    QVector<std::pair<ReturnLineRequest, qint64>> wanted;
    for (const ReturnLineRequest& line : request.lines) {
        if (line.quantity.trimmed().isEmpty())
            continue;
        const auto quantity = wholeQuantity(line.quantity);
        if (!quantity) {
            result.quantity = line.quantity;
            result.itemName = line.itemNumber;
            return refuse(ReturnOutcome::BadQuantity);
        }
        wanted.push_back({line, *quantity});
    }
    if (wanted.isEmpty())
        return refuse(ReturnOutcome::NothingSelected);

    Transaction tx(m_db);
    if (!tx.isActive()) {
        result.error = m_db.lastError();
        return result;
    }
    const auto failed = [&](const QString& what) {
        result.outcome = ReturnOutcome::WriteFailed;
        result.error = what + QStringLiteral(": ") + m_db.lastError();
        return result;
    };

    // The same confirmation twice (a second Finish, a repeated Enter) is the return stored.
    if (!request.confirmation.isEmpty()) {
        const Recordset stored =
            m_db.query(QStringLiteral("SELECT ReturnNumber, Refund FROM tblReturn WHERE Confirmation = ?"),
                       {request.confirmation});
        if (stored.State() == 0)
            return failed(QStringLiteral("The stored returns"));
        if (!stored.BOF()) {
            result.returnNumber = stored.rows().first().at(0).toLongLong();
            result.refund = storedInt(stored.rows().first().at(1));
            return refuse(ReturnOutcome::AlreadyStored);
        }
    }

    // The approver: the administrator signed in, or one whose name and password were typed.
    if (signer.accountType == QLatin1String("Administrator")) {
        result.approver = signer.cashier;
    } else {
        const Recordset admin = m_db.query(QStringLiteral("SELECT UserName, Account FROM tblClient WHERE UserName = ? "
                                                          "AND Password = ? ORDER BY rowid"),
                                           {signer.approverUser, signer.approverPassword});
        for (const auto& row : admin.rows()) {
            if (row.at(1).toString() == QLatin1String("Administrator")) {
                result.approver = row.at(0).toString();
                break;
            }
        }
        if (signer.approverUser.isEmpty() || result.approver.isEmpty())
            return refuse(ReturnOutcome::ApprovalNeeded);
    }

    // What was sold and returned, read inside the transaction: another till may have taken part
    // of the sale back a moment ago.
    const FoundSale sale = read(request.saleNumber);
    switch (sale.outcome) {
    case FindOutcome::Found:
        break;
    case FindOutcome::Unknown:
        return refuse(ReturnOutcome::UnknownSale);
    case FindOutcome::LinesGone:
        return refuse(ReturnOutcome::LinesGone);
    case FindOutcome::StillOpen:
        return refuse(ReturnOutcome::StillOpen);
    case FindOutcome::ReadFailed:
        return failed(QStringLiteral("The sale"));
    }

    QHash<QString, qint64> taken;
    struct Planned
    {
        ReturnedLine line;
        qint64 stockRow = -1;
        QString newStock;
        QString availability;
    };
    QVector<Planned> plan;
    for (const auto& [line, quantity] : wanted) {
        const auto sold = std::find_if(sale.lines.begin(), sale.lines.end(),
                                       [&](const SoldLine& s) { return s.itemNumber == line.itemNumber; });
        result.quantity = line.quantity.trimmed();
        if (sold == sale.lines.end() || taken.contains(line.itemNumber)) {
            result.itemName = line.itemNumber;
            return refuse(ReturnOutcome::BadQuantity);
        }
        taken.insert(line.itemNumber, quantity);
        result.itemName = sold->itemName;
        if (quantity > sold->returnable()) {
            result.returnable = sold->returnable();
            return refuse(ReturnOutcome::TooMany);
        }
        Planned p;
        p.line = {sold->itemNumber, sold->itemName, quantity, sold->refundFor(quantity), line.restock};
        if (line.restock) {
            const Recordset item =
                m_db.query(QStringLiteral("SELECT rowid, ItemStocks, ItemAvailability FROM tblStocks "
                                          "WHERE ItemNumber = ? ORDER BY rowid LIMIT 1"),
                           {sold->itemNumber});
            if (item.State() == 0)
                return failed(QStringLiteral("The item"));
            if (item.BOF())
                return refuse(ReturnOutcome::ItemGone);
            const auto& row = item.rows().first();
            const double stock = NumberFromText(row.at(1).toString()) + static_cast<double>(quantity);
            p.stockRow = row.at(0).toLongLong();
            p.newStock = PlainNumber(stock);
            // An item held for a customer stays held; otherwise it is available again.
            p.availability = row.at(2).toString() == QLatin1String("Reserved")
                                 ? row.at(2).toString()
                                 : (stock <= 0 ? QStringLiteral("Out of Stock") : QStringLiteral("Available"));
        }
        plan.push_back(p);
    }
    result.itemName.clear();
    result.quantity.clear();

    // The return's own number, from its own counter.
    const Recordset counter = m_db.query(QStringLiteral("SELECT LastNumber FROM tblReturnCounter"));
    if (counter.State() == 0)
        return failed(QStringLiteral("The return counter"));
    result.returnNumber = (counter.BOF() ? 0 : counter.rows().first().at(0).toLongLong()) + 1;
    const int counted =
        counter.BOF()
            ? m_db.ExecuteSql(QStringLiteral("INSERT INTO tblReturnCounter (LastNumber) VALUES (?)"),
                              {result.returnNumber})
            : m_db.ExecuteSql(QStringLiteral("UPDATE tblReturnCounter SET LastNumber = ?"), {result.returnNumber});
    if (counted != 1)
        return failed(QStringLiteral("The return counter"));

    const QDate today = QDate::currentDate();
    result.date = DateText(today);
    result.time = TimeText();
    for (const Planned& p : std::as_const(plan)) {
        result.refund += p.line.refund;
        result.lines.push_back(p.line);
    }
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblReturn (ReturnNumber, SaleNumber, Till, Cashier, Approver, "
                                       "ReturnDate, ReturnDay, ReturnTime, Reason, Refund, Confirmation, ExchangeTill) "
                                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                        {result.returnNumber, sale.sale.saleNumber, m_till, signer.cashier, result.approver,
                         result.date, dayKey(today), result.time, request.reason, result.refund,
                         request.confirmation.isEmpty() ? QVariant() : QVariant(request.confirmation),
                         request.exchange ? QVariant(m_till) : QVariant()}) != 1)
        return failed(QStringLiteral("The return"));
    // The refund leaves the drawer of this till's open session (an exchange's stays as credit).
    if (!TillSessions(m_db, m_till).linkReturn(signer.cashier, result.returnNumber, result.refund, request.exchange))
        return failed(QStringLiteral("The till session"));
    for (const Planned& p : std::as_const(plan)) {
        if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblReturnLine (ReturnNumber, SaleNumber, ItemNumber, ItemName, "
                                           "Quantity, Refund, Restocked) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                            {result.returnNumber, sale.sale.saleNumber, p.line.itemNumber, p.line.itemName,
                             p.line.quantity, p.line.refund, p.line.restocked ? 1 : 0}) != 1)
            return failed(QStringLiteral("The return line"));
        if (p.stockRow >= 0 &&
            m_db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemStocks = ?, ItemAvailability = ? WHERE rowid = ?"),
                            {p.newStock, p.availability, p.stockRow}) != 1)
            return failed(QStringLiteral("The stock"));
    }
    const QString note =
        QStringLiteral("%1 took back items of sale No. %2 as return No. %3, approved by %4; refund %5.")
            .arg(signer.cashier, sale.sale.saleNumber)
            .arg(result.returnNumber)
            .arg(result.approver, Cents::text(result.refund)) +
        detailsBlock(result.lines);
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblNot (NoteDate, NoteTime, RE, Notification) VALUES (?, ?, ?, ?)"),
                        {result.date, result.time, journalTitle(), note}) != 1)
        return failed(QStringLiteral("The journal entry"));
    if (!tx.commit())
        return failed(QStringLiteral("The return"));
    result.outcome = ReturnOutcome::Stored;
    return result;
}

std::optional<ReturnRecord> Returns::record(qint64 returnNumber)
{
    const Recordset head =
        m_db.query(QStringLiteral("SELECT SaleNumber, Till, Cashier, Approver, ReturnDate, ReturnTime, "
                                  "Reason, Refund, ExchangeTill, ExchangeSale FROM tblReturn WHERE ReturnNumber = ?"),
                   {returnNumber});
    const Recordset lines = m_db.query(QStringLiteral("SELECT ItemNumber, ItemName, Quantity, Refund, Restocked FROM "
                                                      "tblReturnLine WHERE ReturnNumber = ? ORDER BY rowid"),
                                       {returnNumber});
    if (head.BOF() || lines.State() == 0)
        return std::nullopt;
    const auto& h = head.rows().first();
    ReturnRecord r;
    r.returnNumber = returnNumber;
    r.saleNumber = h.at(0).toString();
    r.till = h.at(1).toString();
    r.cashier = h.at(2).toString();
    r.approver = h.at(3).toString();
    r.date = h.at(4).toString();
    r.time = h.at(5).toString();
    r.reason = h.at(6).toString();
    r.refund = storedInt(h.at(7));
    r.exchange = !h.at(8).toString().isEmpty();
    r.exchangeSale = h.at(9).toString();
    for (const auto& row : lines.rows())
        r.lines.push_back({row.at(0).toString(), row.at(1).toString(), storedInt(row.at(2)), storedInt(row.at(3)),
                           storedInt(row.at(4)) != 0});
    return r;
}

QString Credit::returnsText() const
{
    QStringList numbers;
    for (const qint64 number : returns)
        numbers << QString::number(number);
    return numbers.join(QStringLiteral(", "));
}

namespace {

Credit creditFrom(const Recordset& r)
{
    Credit credit;
    for (const auto& row : r.rows()) {
        credit.returns << row.at(0).toLongLong();
        credit.amount += storedInt(row.at(1));
    }
    return credit;
}

} // namespace

Credit Returns::pendingCredit()
{
    return creditFrom(m_db.query(QStringLiteral("SELECT ReturnNumber, Refund FROM tblReturn WHERE ExchangeTill = ? AND "
                                                "ExchangeSale IS NULL ORDER BY ReturnNumber"),
                                 {m_till}));
}

Credit Returns::creditOfSale(const QString& saleNumber)
{
    return creditFrom(m_db.query(
        QStringLiteral("SELECT ReturnNumber, Refund FROM tblReturn WHERE ExchangeSale = ? ORDER BY ReturnNumber"),
        {saleNumber}));
}

bool Returns::useCredit(const QString& saleNumber, qint64 expected)
{
    const Credit waiting = pendingCredit();
    if (waiting.amount != expected)
        return false;
    if (waiting.returns.isEmpty())
        return true;
    return m_db.ExecuteSql(QStringLiteral("UPDATE tblReturn SET ExchangeSale = ? WHERE ExchangeTill = ? AND "
                                          "ExchangeSale IS NULL"),
                           {saleNumber, m_till}) == waiting.returns.size();
}

bool Returns::noteReprint(const QString& saleNumber, const QString& who, QString* error)
{
    Transaction tx(m_db);
    const bool ok =
        tx.isActive() &&
        m_db.ExecuteSql(QStringLiteral("INSERT INTO tblNot (NoteDate, NoteTime, RE, Notification) VALUES (?, ?, ?, ?)"),
                        {DateText(), TimeText(), QStringLiteral("Receipt Reprint"),
                         QStringLiteral("%1 printed a copy of the receipt of sale No. %2 at till %3.")
                             .arg(who, saleNumber, m_till)}) == 1 &&
        tx.commit();
    if (!ok && error)
        *error = m_db.lastError();
    return ok;
}

namespace {

RefundTotal refunds(Database& db, const QString& where, const QVariantList& params)
{
    RefundTotal total;
    const Recordset r =
        db.query(QStringLiteral("SELECT count(*), sum(Refund) FROM tblReturn WHERE %1").arg(where), params);
    if (r.BOF()) {
        total.ok = false;
        return total;
    }
    total.returns = storedInt(r.rows().first().at(0));
    total.refunds = storedInt(r.rows().first().at(1));
    return total;
}

} // namespace

RefundTotal refundsForDay(Database& db, const QDate& day)
{
    return refunds(db, QStringLiteral("ReturnDay = ?"), {dayKey(day)});
}

RefundTotal refundsForSpan(Database& db, const QDate& from, const QDate& to)
{
    if (!from.isValid() || !to.isValid() || from > to)
        return {};
    return refunds(db, QStringLiteral("ReturnDay >= ? AND ReturnDay <= ?"), {dayKey(from), dayKey(to)});
}

bool saveDailyRefunds(Database& db, const QString& day, const QString& savedAt, const RefundTotal& total)
{
    return db.ExecuteSql(QStringLiteral("INSERT INTO tblDailyRefund (BusinessDate, Refunds, Returns, TimeSave) VALUES "
                                        "(?, ?, ?, ?)"),
                         {day, total.refunds, total.returns, savedAt}) == 1;
}
