#include "sales/Cart.h"

#include "catalog/BarcodeStore.h"
#include "catalog/ShopOptions.h"

#include "data/Database.h"
#include "data/Schema.h"
#include "data/TextForms.h"
#include "journal/Journal.h"
#include "pricing/PricingStore.h"
#include "returns/Returns.h"
#include "till/TillSessions.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace {

const QString kItemColumns =
    QStringLiteral("rowid, ItemNumber, ItemName, ItemAvailability, ItemStocks, ItemDescription, ItemPrice");
const QString kLineColumns = QStringLiteral("rowid, ItemNumber, ItemName, itemQuantity, ItemPrice, Dated, SaleNumber");

QString text(const QVector<QVariant>& row, int column)
{
    return column < row.size() ? row.at(column).toString() : QString();
}

StockItem itemFromRow(const QVector<QVariant>& row)
{
    StockItem item;
    item.rowId = row.at(0).toLongLong();
    item.number = text(row, 1);
    item.name = text(row, 2);
    item.availability = text(row, 3);
    item.stocks = text(row, 4);
    item.description = text(row, 5);
    item.price = text(row, 6);
    return item;
}

CartLine lineFromRow(const QVector<QVariant>& row)
{
    CartLine line;
    line.rowId = row.at(0).toLongLong();
    line.itemNumber = text(row, 1);
    line.itemName = text(row, 2);
    line.quantity = text(row, 3);
    line.price = text(row, 4);
    line.dated = text(row, 5);
    line.saleNumber = text(row, 6);
    return line;
}

// The sale day of a cart line: the date part of its entry time (a cart may outlive midnight).
QString lineDay(const CartLine& line)
{
    const QDateTime when = QDateTime::fromString(line.dated.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return DateText(when.isValid() ? when.date() : QDate::currentDate());
}

// A quantity the cart accepts: a text that reads wholly as a number (no trailing "/"), the
// same number its leading digits give.
std::optional<double> quantityNumber(const QString& quantity)
{
    const auto value = ColumnNumber(quantity);
    if (!value || *value != NumberFromText(quantity))
        return std::nullopt;
    return value;
}

DetailLines itemDetails(const QString& number, const QString& name, const QString& price, const QString& quantity,
                        const QString& amount)
{
    return {{QStringLiteral("Item Number: "), number},
            {QStringLiteral("Item Name: "), name},
            {QStringLiteral("Price: "), price},
            {QStringLiteral("Quantity: "), quantity},
            {QStringLiteral("Amount: "), amount}};
}

} // namespace

QString availabilityFor(double stock)
{
    return stock <= 0 ? Availability::OutOfStock : Availability::Available;
}

std::optional<double> lineAmount(const QString& quantity, const QString& price)
{
    const auto unit = PriceFromText(price);
    if (!unit)
        return std::nullopt;
    const double amount = NumberFromText(quantity) * *unit;
    if (!std::isfinite(amount))
        return std::nullopt;
    // Charged to the cent, so the amount box, the cart line, the sold line and the total agree.
    return ColumnNumber(FormatNumber(amount, NumberPattern::Plain2));
}

QString lineAmountText(const QString& quantity, const QString& price)
{
    const auto amount = lineAmount(quantity, price);
    return amount ? FormatNumber(*amount, NumberPattern::Grouped2) : QString();
}

std::optional<double> cashNumber(const QString& cash)
{
    return cashReading(cash).value;
}

TypedReading cashReading(const QString& cash)
{
    // The leading number: digits, a sign and the separators of either form, up to the first
    // other character ("20 pesos" is 20). A text without one counts as 0.
    const QString t = cash.trimmed();
    const NumberMarks system = SystemMarks();
    const NumberMarks own = ProgramMarks();
    qsizetype end = 0;
    for (; end < t.size(); ++end) {
        const QChar c = t.at(end);
        const bool digit = c >= u'0' && c <= u'9';
        const bool mark = c == system.decimal || c == system.group || c == own.decimal || c == own.group;
        const bool sign = end == 0 && (c == u'+' || c == u'-');
        const bool blankGroup = system.group.isSpace() && c.isSpace() && end + 1 < t.size() && t.at(end + 1) >= u'0' &&
                                t.at(end + 1) <= u'9';
        if (!digit && !mark && !sign && !blankGroup)
            break;
    }
    const QString leading = t.left(end);
    if (std::none_of(leading.cbegin(), leading.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return {0.0, {}};
    return ReadTypedNumber(leading);
}

bool cashCovers(const QString& cash, const QString& amountDue)
{
    const auto due = ColumnNumber(amountDue);
    const auto given = cashNumber(cash);
    return due && *due >= 0 && given && *given >= *due;
}

QString changeFor(const QString& cash, const QString& amountDue)
{
    return FormatText(PlainNumber(cashNumber(cash).value_or(0) - ColumnNumber(amountDue).value_or(0)),
                      NumberPattern::Plain2);
}

TotalProblem totalProblem(const QString& total)
{
    const auto value = ColumnNumber(total);
    if (!value)
        return TotalProblem::TooLarge;
    return *value < 0 ? TotalProblem::BelowZero : TotalProblem::None;
}

QString totalProblemText(TotalProblem problem)
{
    switch (problem) {
    case TotalProblem::TooLarge:
        return QStringLiteral("The cart's total is too large to add up, so it cannot be paid.\n"
                              "Remove the line with the largest amount.");
    case TotalProblem::BelowZero:
        return QStringLiteral("The cart's total is below zero, so it cannot be paid.\n"
                              "Remove the lines with an amount below zero.");
    case TotalProblem::None:
        break;
    }
    return {};
}

Cart::Cart(Database& db, const QString& till) : m_db(db), m_till(till), m_adoNot(db)
{
    m_adoNot.setObjectName(QStringLiteral("adoNot"));
    m_adoNot.setRecordSource(QStringLiteral("Select * from tblNot"));
}

StockItem Cart::readItem(const QString& itemNumber)
{
    const Recordset r = m_db.query(
        QStringLiteral("SELECT %1 FROM tblStocks WHERE ItemNumber = ? ORDER BY rowid LIMIT 1").arg(kItemColumns),
        {itemNumber});
    return r.BOF() ? StockItem{} : itemFromRow(r.rows().first());
}

StockItem Cart::lookupItem(const QString& code)
{
    if (code.isEmpty())
        return {};
    const StockItem item = readItem(code);
    if (item.found())
        return item;
    // Not an item's number: the maker's barcode, or a label's, names the item.
    const QString number = BarcodeStore(m_db).itemNumberFor(code);
    return number.isEmpty() ? StockItem{} : readItem(number);
}

QString Cart::itemNumberForName(const QString& name)
{
    const Recordset r = m_db.query(
        QStringLiteral("SELECT ItemNumber FROM tblStocks WHERE ItemName = ? ORDER BY rowid LIMIT 1"), {name});
    return r.BOF() ? QString() : r.rows().first().first().toString();
}

bool Cart::itemNames(QStringList& names)
{
    // Read straight from the statement: a shop may hold a hundred thousand items, and the
    // general recordset would keep a variant per value first.
    QStringList read;
    if (!m_db.forEachRow(QStringLiteral("SELECT ItemName FROM tblStocks ORDER BY ItemName"), {},
                         [&read](const QVector<QVariant>& row) {
                             read << row.first().toString();
                             return true;
                         }))
        return false;
    names = std::move(read);
    return true;
}

bool Cart::manyItems()
{
    const auto items = keptRowCount(m_db, QStringLiteral("tblStocks"));
    return items && *items > kWholeNameList;
}

bool Cart::itemNamesStartingWith(const QString& typed, int limit, QStringList& names)
{
    // The names starting with the text are exactly those from the text itself up to the text
    // followed by the last character there is, in the order of the index read: on the file the
    // names' own (letters compared in either case), on the server their lower-case text by bytes.
    const QString last = QString::fromUcs4(U"\U0010FFFF");
    const QString sql =
        m_db.isServer()
            ? QStringLiteral("SELECT ItemName FROM tblStocks WHERE lower(CAST(ItemName AS text)) COLLATE BINARY >= "
                             "lower(?) AND lower(CAST(ItemName AS text)) COLLATE BINARY < lower(?) "
                             "ORDER BY lower(CAST(ItemName AS text)) COLLATE BINARY, rowid LIMIT ?")
            : QStringLiteral("SELECT ItemName FROM tblStocks WHERE ItemName >= ? AND ItemName < ? "
                             "ORDER BY ItemName LIMIT ?");
    QStringList read;
    if (!m_db.forEachRow(sql, {typed, typed + last, limit}, [&read](const QVector<QVariant>& row) {
            read << row.first().toString();
            return true;
        }))
        return false;
    names = std::move(read);
    return true;
}

QString Cart::nextSaleNumber()
{
    // The open sale of every till: the number on its cart lines.
    const Recordset open = m_db.query(
        QStringLiteral("SELECT Till, max(SaleNumber) FROM tblPos WHERE coalesce(SaleNumber, '') <> '' GROUP BY Till"));
    double othersHighest = 0;
    for (const auto& row : open.rows()) {
        if (row.at(0).toString() == m_till)
            return row.at(1).toString();
        othersHighest = std::max(othersHighest, NumberFromText(row.at(1).toString()));
    }
    const auto counter = storedSaleCounter();
    if (!counter)
        return {};
    // With one till this is the counter plus 1, the same number again after a Clear; a number
    // another till's open sale holds is never issued twice.
    return PlainNumber(std::max(*counter, othersHighest) + 1);
}

std::optional<double> Cart::storedSaleCounter()
{
    const Recordset r = m_db.query(QStringLiteral("Select TransactionID from tblMain"));
    if (r.BOF())
        return std::nullopt;
    return NumberFromText(r.rows().last().first().toString());
}

QString Cart::cartSource() const
{
    return QStringLiteral("SELECT ItemNumber, ItemName, itemQuantity, itemAmount, ItemPrice, Dated FROM tblPos "
                          "WHERE Till = ?");
}

QString Cart::openSaleNumber(const QString& shown)
{
    // Read inside the operation's transaction: another copy of the program may have completed
    // the sale the window still shows, and lines must go with the sale that is really open.
    const QString stored = nextSaleNumber();
    return stored.isEmpty() ? shown : stored;
}

MoneyTotal Cart::cartTotal(bool* empty)
{
    const Recordset r =
        m_db.query(QStringLiteral("SELECT itemAmount FROM tblPos WHERE Till = ? ORDER BY rowid"), {m_till});
    if (empty)
        *empty = r.BOF();
    MoneyTotal total;
    for (const auto& row : r.rows())
        total.add(row.first());
    return total;
}

QString Cart::cartTotalText()
{
    // A sale with discounts, or in a shop with tax rates, is charged as it is priced.
    const QString sale = nextSaleNumber();
    PricingStore pricing(m_db, m_till);
    if (!sale.isEmpty() && pricing.active(sale)) {
        if (const auto priced = pricing.openSale(sale))
            return Pricing::plainCents(priced->due);
    }
    bool empty = false;
    const MoneyTotal total = cartTotal(&empty);
    return empty ? QStringLiteral("0.00") : total.text();
}

std::optional<bool> Cart::hasSettingsRow()
{
    const Recordset r = m_db.query(QStringLiteral("SELECT count(*) FROM tblMain"));
    if (r.BOF())
        return std::nullopt;
    return r.rows().first().first().toLongLong() > 0;
}

int Cart::lineCount()
{
    const Recordset r = m_db.query(QStringLiteral("SELECT count(*) FROM tblPos WHERE Till = ?"), {m_till});
    return r.BOF() ? 0 : r.rows().first().first().toInt();
}

CartLine Cart::line(qint64 rowId)
{
    const Recordset r = m_db.query(
        QStringLiteral("SELECT %1 FROM tblPos WHERE rowid = ? AND Till = ?").arg(kLineColumns), {rowId, m_till});
    return r.BOF() ? CartLine{} : lineFromRow(r.rows().first());
}

bool Cart::post(const QString& title, const QString& message, QString& noteError, QString& noteDetail)
{
    Transaction note(m_db);
    if (note.isActive() && PostNotification(m_adoNot, title, message) && note.commit())
        return true;
    if (!noteError.isEmpty()) {
        noteError += QLatin1Char('\n');
        noteDetail += QLatin1Char('\n');
    }
    noteError += QStringLiteral("The notification \"%1\" was not saved.").arg(title);
    noteDetail += m_adoNot.lastError();
    return false;
}

AddResult Cart::addLine(const QString& code, const QString& quantity, const QString& saleNumber, const QString& cashier)
{
    AddResult result;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        result.error = m_db.lastError();
        return result;
    }
    const QString sale = openSaleNumber(saleNumber);
    // The checks read the item as stored now, inside the transaction: another copy of the
    // program may have sold from it since it was shown.
    const StockItem item = lookupItem(code);
    result.item = item;
    const auto refuse = [&](AddOutcome outcome) {
        result.outcome = outcome;
        return result;
    };
    if (!code.isEmpty() && !item.found())
        return refuse(AddOutcome::UnknownCode);
    // The cart line carries the item's own number, whether its number or a barcode was scanned.
    const QString itemNumber = item.found() ? item.number : code;
    if (item.availability == Availability::Reserved)
        return refuse(AddOutcome::Reserved);
    if (item.availability == Availability::OutOfStock)
        return refuse(AddOutcome::OutOfStock);
    if (NumberFromText(item.stocks) < NumberFromText(quantity))
        return refuse(AddOutcome::Exceeded);
    if (!item.found() || item.name.isEmpty())
        return refuse(AddOutcome::NoItem);
    if (!PriceFromText(item.price))
        return refuse(AddOutcome::BadPrice);
    const auto count = quantityNumber(quantity);
    if (!count || *count <= 0)
        return refuse(AddOutcome::NoQuantity);
    if (*count < 1)
        return refuse(AddOutcome::BelowOne);
    const Recordset listed = m_db.query(
        QStringLiteral("SELECT rowid FROM tblPos WHERE Till = ? AND ItemNumber = ? LIMIT 1"), {m_till, itemNumber});
    if (!listed.BOF()) {
        // A shop that scans each unit raises the line by one instead (when it turned that on).
        if (ShopOptions::flag(m_db, ShopOptions::ScanAddsOne).value_or(false))
            return raiseByOne(tx, listed.rows().first().first().toLongLong(), item, sale, result);
        return refuse(AddOutcome::Listed);
    }
    const auto amount = lineAmount(quantity, item.price);
    MoneyTotal total = cartTotal();
    if (amount)
        total.add(*amount);
    if (!amount || total.overflowed())
        return refuse(AddOutcome::TooLarge);
    const auto settings = hasSettingsRow();
    if (!settings) {
        result.error = m_db.lastError();
        return result;
    }
    if (!*settings)
        return refuse(AddOutcome::NoSettings);

    result.amountText = FormatNumber(*amount, NumberPattern::Grouped2);
    const double newStock = NumberFromText(item.stocks) - NumberFromText(quantity);
    const QString availability = availabilityFor(newStock);
    const auto failed = [&](const QString& what) {
        result.outcome = AddOutcome::WriteFailed;
        result.error = what + QStringLiteral(": ") + m_db.lastError();
        return result;
    };
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblPos (ItemNumber, ItemName, itemQuantity, itemAmount, ItemPrice, "
                                       "Dated, Till, SaleNumber) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                        {itemNumber, item.name, quantity, *amount, item.price, DateTimeText(), m_till, sale}) != 1)
        return failed(QStringLiteral("The cart line"));
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblSold (TransactionID, Dated, ItemName, ItemNumber, Quantity, "
                                       "PresentStock, Cashier, Amount) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                        {sale, DateText(), item.name, itemNumber, quantity, item.stocks, cashier, result.amountText}) !=
        1)
        return failed(QStringLiteral("The sold-item line"));
    if (m_db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemStocks = ?, ItemAvailability = ? WHERE rowid = ?"),
                        {PlainNumber(newStock), availability, item.rowId}) != 1)
        return failed(QStringLiteral("The new stock"));
    if (!tx.commit())
        return failed(QStringLiteral("The sale line"));

    result.outcome = AddOutcome::Added;
    result.ranOut = newStock <= 0;
    if (result.ranOut) {
        post(NoteTitle::ItemOutOfStock,
             DetailsBlock(itemDetails(itemNumber, item.name, item.price, quantity, result.amountText), true),
             result.noteError, result.noteDetail);
    }
    return result;
}

AddResult& Cart::raiseByOne(Transaction& tx, qint64 lineRowId, const StockItem& item, const QString& sale,
                            AddResult& result)
{
    const CartLine line = this->line(lineRowId);
    const auto count = quantityNumber(line.quantity);
    result.outcome = AddOutcome::Exceeded;
    if (!line.valid() || !count || NumberFromText(item.stocks) < 1)
        return result;
    const QString quantity = PlainNumber(*count + 1);
    // The line keeps the price it was rung up at.
    const auto amount = lineAmount(quantity, line.price);
    MoneyTotal total = cartTotal();
    const auto before = lineAmount(line.quantity, line.price);
    result.outcome = AddOutcome::TooLarge;
    if (!amount || !before)
        return result;
    total.add(*amount - *before);
    if (total.overflowed())
        return result;
    result.amountText = FormatNumber(*amount, NumberPattern::Grouped2);
    const double newStock = NumberFromText(item.stocks) - 1;
    result.outcome = AddOutcome::WriteFailed;
    if (m_db.ExecuteSql(QStringLiteral("UPDATE tblPos SET itemQuantity = ?, itemAmount = ? WHERE rowid = ?"),
                        {quantity, *amount, lineRowId}) != 1 ||
        m_db.ExecuteSql(QStringLiteral("UPDATE tblSold SET Quantity = ?, Amount = ? WHERE rowid = (SELECT rowid FROM "
                                       "tblSold WHERE Dated = ? AND ItemNumber = ? AND TransactionID = ? ORDER BY "
                                       "rowid DESC LIMIT 1)"),
                        {quantity, result.amountText, lineDay(line), line.itemNumber,
                         line.saleNumber.isEmpty() ? sale : line.saleNumber}) < 0 ||
        m_db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemStocks = ?, ItemAvailability = ? WHERE rowid = ?"),
                        {PlainNumber(newStock), availabilityFor(newStock), item.rowId}) != 1 ||
        !tx.commit()) {
        result.error = m_db.lastError();
        return result;
    }
    result.outcome = AddOutcome::Raised;
    result.ranOut = newStock <= 0;
    if (result.ranOut) {
        post(NoteTitle::ItemOutOfStock,
             DetailsBlock(itemDetails(line.itemNumber, item.name, item.price, quantity, result.amountText), true),
             result.noteError, result.noteDetail);
    }
    return result;
}

bool Cart::giveBack(const CartLine& line, const QString& saleNumber, StockItem* item, QString* newStock)
{
    const QString sale = line.saleNumber.isEmpty() ? saleNumber : line.saleNumber;
    // The line's own sold-item line: same sale, same item, same day. The cart holds one line
    // per item, so at most one such line belongs to this cart line; the newest is taken.
    if (m_db.ExecuteSql(QStringLiteral("DELETE FROM tblSold WHERE rowid = (SELECT rowid FROM tblSold WHERE Dated = ? "
                                       "AND ItemNumber = ? AND TransactionID = ? ORDER BY rowid DESC LIMIT 1)"),
                        {lineDay(line), line.itemNumber, sale}) < 0)
        return false;
    const StockItem stored = readItem(line.itemNumber);
    if (item)
        *item = stored;
    if (!stored.found())
        return true; // the item is gone from the stock list; there is nothing to give back to
    const double stock = NumberFromText(stored.stocks) + NumberFromText(line.quantity);
    if (newStock)
        *newStock = PlainNumber(stock);
    return m_db.ExecuteSql(QStringLiteral("UPDATE tblStocks SET ItemStocks = ?, ItemAvailability = ? WHERE rowid = ?"),
                           {PlainNumber(stock), availabilityFor(stock), stored.rowId}) == 1;
}

RemoveResult Cart::removeLine(qint64 lineRowId, const QString& saleNumber, const QString& displayName,
                              const QString& domainName)
{
    RemoveResult result;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        result.error = m_db.lastError();
        return result;
    }
    result.line = line(lineRowId);
    if (!result.line.valid()) {
        result.outcome = RemoveOutcome::Gone;
        return result;
    }
    if (m_db.ExecuteSql(QStringLiteral("DELETE FROM tblPos WHERE rowid = ?"), {lineRowId}) != 1 ||
        !giveBack(result.line, openSaleNumber(saleNumber), &result.item, &result.newStock) ||
        !PricingStore(m_db, m_till).dropLineDiscount(result.line.itemNumber)) {
        result.error = m_db.lastError();
        return result;
    }
    // The notifications are stored in the removal's own commit (one write to the disk instead
    // of three); post() keeps each in a savepoint, so one that cannot be stored is left out
    // alone and reported, and the removal still stands.
    const CartLine& l = result.line;
    const DetailLines details = itemDetails(l.itemNumber, l.itemName, result.item.price, l.quantity,
                                            lineAmountText(l.quantity, result.item.price));
    post(NoteTitle::ItemVoid,
         NotificationSentence(displayName, QStringLiteral(" removed a purchased Item using "), domainName) +
             DetailsBlock(details),
         result.noteError, result.noteDetail);
    if (result.item.found() && NumberFromText(result.newStock) > 0)
        post(NoteTitle::ItemAvailabilityReturned, DetailsBlock(details, true), result.noteError, result.noteDetail);
    if (!tx.commit()) {
        result.error = m_db.lastError();
        result.noteError.clear();
        result.noteDetail.clear();
        return result;
    }
    result.outcome = RemoveOutcome::Removed;
    return result;
}

bool Cart::clearCart(const QString& saleNumber, QString* error)
{
    Transaction tx(m_db);
    bool ok = tx.isActive();
    if (ok) {
        const Recordset lines = m_db.query(
            QStringLiteral("SELECT %1 FROM tblPos WHERE Till = ? ORDER BY rowid").arg(kLineColumns), {m_till});
        ok = lines.State() != 0;
        const QString sale = openSaleNumber(saleNumber);
        for (const auto& row : lines.rows()) {
            if (!ok)
                break;
            ok = giveBack(lineFromRow(row), sale, nullptr, nullptr);
        }
    }
    ok = ok && m_db.ExecuteSql(QStringLiteral("DELETE FROM tblPos WHERE Till = ?"), {m_till}) >= 0 &&
         PricingStore(m_db, m_till).dropOpenSale() && tx.commit();
    if (!ok && error)
        *error = m_db.lastError();
    return ok;
}

SaleResult Cart::completeSale(const QString& amountDue, const QString& typedCash, const QString& saleNumber,
                              const QString& cashier, qint64 credit, qint64 card)
{
    const QString tendered = credit > 0 ? FormatNumber(NumberFromText(typedCash) + static_cast<double>(credit) / 100.0,
                                                       NumberPattern::Plain2)
                                        : typedCash;
    SaleResult result;
    const QString due = FormatText(amountDue, NumberPattern::Plain2);
    result.problem = totalProblem(due);
    if (result.problem != TotalProblem::None) {
        result.outcome = SaleOutcome::NotPayable;
        return result;
    }
    // The card pays part of what is left after the credit; the cash covers the rest.
    const qint64 dueCents = Cents::fromText(due).value_or(0);
    if (card < 0 || (card > 0 && card > dueCents - credit)) {
        result.outcome = SaleOutcome::CardAboveDue;
        return result;
    }
    const QString cashDue = Cents::plainText(dueCents - card);
    // A sale paid wholly by card tendered no cash: its Cash is 0, not an empty text.
    const QString cash = card > 0 && tendered.trimmed().isEmpty() ? QStringLiteral("0") : tendered;
    if (!cashCovers(cash, cashDue)) {
        result.outcome = SaleOutcome::CashShort;
        return result;
    }
    Transaction tx(m_db);
    if (!tx.isActive()) {
        result.error = m_db.lastError();
        return result;
    }
    const auto settings = hasSettingsRow();
    if (!settings) {
        result.error = m_db.lastError();
        return result;
    }
    if (!*settings) {
        result.outcome = SaleOutcome::NoSettings;
        return result;
    }
    // The sale is stored for the cart as it stands now; a cart changed meanwhile (by another
    // copy of the program) is not paid for with the old amount.
    if (lineCount() == 0) {
        result.outcome = SaleOutcome::EmptyCart;
        return result;
    }
    if (FormatText(cartTotalText(), NumberPattern::Plain2) != due) {
        result.outcome = SaleOutcome::CartChanged;
        return result;
    }
    result.change = changeFor(cash, cashDue);
    const auto failed = [&](const QString& what) {
        result.outcome = SaleOutcome::WriteFailed;
        result.error = what + QStringLiteral(": ") + m_db.lastError();
        return result;
    };
    result.sale.date = DateText();
    result.sale.time = TimeText();
    if (m_db.ExecuteSql(QStringLiteral("INSERT INTO tblSales (BusinessDate, BusinessTime, AmountDue, Change, Cash, "
                                       "Cashier) VALUES (?, ?, ?, ?, ?, ?)"),
                        {result.sale.date, result.sale.time, due, result.change, cash, cashier}) != 1)
        return failed(QStringLiteral("The sale record"));
    result.sale.salesRow = m_db.lastInsertRowId();
    // The counter is the highest completed sale number: another till may have completed a
    // later sale while this one was open.
    result.sale.saleNumber = openSaleNumber(saleNumber);
    const double sale = NumberFromText(result.sale.saleNumber);
    const double stored = storedSaleCounter().value_or(0);
    if (m_db.ExecuteSql(QStringLiteral("UPDATE tblMain SET TransactionID = ?"), {PlainNumber(std::max(stored, sale))}) <
        1)
        return failed(QStringLiteral("The sale number"));
    // Its priced lines and tax, when it has discounts or tax, before its cart lines go.
    if (!PricingStore(m_db, m_till).recordSale(result.sale.saleNumber, result.sale.date))
        return failed(QStringLiteral("The sale's discounts and tax"));
    if (m_db.ExecuteSql(QStringLiteral("DELETE FROM tblPos WHERE Till = ?"), {m_till}) < 0)
        return failed(QStringLiteral("Emptying the cart"));
    if (!ReceiptStore(m_db, m_till).recordLastSale(result.sale))
        return failed(QStringLiteral("The till's last sale"));
    // The sale's reference by number, so it can be found, reprinted and taken back later.
    if (m_db.ExecuteSql(
            QStringLiteral("INSERT INTO tblSaleRef (SaleNumber, SaleRow, Till, SaleDate, SaleTime, Cashier, "
                           "Amount) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {result.sale.saleNumber, result.sale.salesRow, m_till, result.sale.date, result.sale.time, cashier,
             dueCents}) != 1)
        return failed(QStringLiteral("The sale's reference"));
    if (!TillSessions(m_db, m_till)
             .linkSale(cashier, result.sale.saleNumber, result.sale.salesRow, dueCents, card, credit))
        return failed(QStringLiteral("The sale's payments"));
    if (credit > 0) {
        // The credit is taken by this sale alone, as stored now.
        Returns returns(m_db, m_till);
        if (returns.pendingCredit().amount != credit) {
            result.outcome = SaleOutcome::CreditChanged;
            return result;
        }
        if (!returns.useCredit(result.sale.saleNumber, credit))
            return failed(QStringLiteral("The exchange's credit"));
    }
    if (!tx.commit())
        return failed(QStringLiteral("The sale"));
    result.outcome = SaleOutcome::Completed;
    return result;
}
