#pragma once

#include "data/DataControl.h"
#include "data/MoneyTotal.h"
#include "data/TextForms.h"
#include "sales/ReceiptStore.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class Database;
class Transaction;

// One row of tblStocks as the sales window shows it. rowId is -1 when no item was found.
struct StockItem
{
    qint64 rowId = -1;
    QString number;
    QString name;
    QString availability;
    QString stocks;
    QString description;
    QString price;

    bool found() const { return rowId >= 0; }
};

// One line of the cart (tblPos).
struct CartLine
{
    qint64 rowId = -1;
    QString itemNumber;
    QString itemName;
    QString quantity;
    QString price;
    QString dated;
    QString saleNumber; // the open sale the line belongs to

    bool valid() const { return rowId >= 0; }
};

// The availability texts, compared exactly (letter case matters).
namespace Availability {
inline const QString Available = QStringLiteral("Available");
inline const QString OutOfStock = QStringLiteral("Out of Stock");
inline const QString Reserved = QStringLiteral("Reserved");
} // namespace Availability

// "Out of Stock" for a stock of 0 or less, otherwise "Available".
QString availabilityFor(double stock);
// The line amount: the quantity (its leading number) times the stored price read as an item
// price (PriceFromText); no value when the price is not one or the product is not finite.
std::optional<double> lineAmount(const QString& quantity, const QString& price);
// The line amount as the amount box and the sold-item line show it, "#,##0.00"; empty when
// there is no amount. It keeps the cents, so it agrees with the cart line and the total.
QString lineAmountText(const QString& quantity, const QString& price);
// The cash a cash text stands for: its leading number read as a typed number (TypedNumber:
// "1,500" is 1500; "12,50" is 12.50 where the comma is the decimal mark and no number where it
// groups thousands, never 12). A text without a leading number counts as 0.
std::optional<double> cashNumber(const QString& cash);
// The same reading with, when the cash text stands for no number, the reason why.
TypedReading cashReading(const QString& cash);
// True when the amount due reads as a number of 0 or more and the cash text (cashNumber)
// covers it. An amount due below 0 or too large to add up is never covered.
bool cashCovers(const QString& cash, const QString& amountDue);
// The change for the cash (read as cashCovers reads it) against the amount due, "0.00".
QString changeFor(const QString& cash, const QString& amountDue);

// The problems that keep a cart total from being paid, each with the sentence the till shows.
enum class TotalProblem { None, TooLarge, BelowZero };
TotalProblem totalProblem(const QString& total);
QString totalProblemText(TotalProblem problem);

// What happened to an add request. The refusals are listed in the order they are checked.
enum class AddOutcome {
    Added,
    Raised,      // the cart's line of the item went up by one (scanning adds one)
    Reserved,    // the item is held for a customer
    OutOfStock,  // availability says "Out of Stock"
    Exceeded,    // the stock is below the quantity (also when no item was found)
    UnknownCode, // no item has that number or barcode
    NoItem,      // no item has that number
    NoQuantity,  // the quantity is not a number above 0
    BelowOne,    // a quantity between 0 and 1
    Listed,      // the cart already holds a line for the item
    BadPrice,    // the item's stored price is not a price
    TooLarge,    // the line amount, or the cart total with it, is not a finite number
    NoSettings,  // tblMain holds no row, so no sale number can be issued
    WriteFailed,
};

struct AddResult
{
    AddOutcome outcome = AddOutcome::WriteFailed;
    StockItem item;     // the item as stored before the add
    QString amountText; // the line amount as shown, "#,##0"
    bool ranOut = false;
    QString error;      // why the writes failed
    QString noteError;  // set when the "Item Out of Stock" notification could not be stored
    QString noteDetail; // the engine's reason, for the message's details
};

enum class RemoveOutcome { Removed, Gone, WriteFailed };

struct RemoveResult
{
    RemoveOutcome outcome = RemoveOutcome::WriteFailed;
    CartLine line;
    StockItem item; // the item before its stock was given back
    QString newStock;
    QString error;
    QString noteError;
    QString noteDetail;
};

enum class SaleOutcome {
    Completed,
    CashShort,
    NotPayable,
    EmptyCart,
    CartChanged,
    NoSettings,
    CreditChanged, // the exchange credit waiting at the till is no longer the one offered
    CardAboveDue,  // the card part is below 0 or above what is left to pay
    WriteFailed,
};

struct SaleResult
{
    SaleOutcome outcome = SaleOutcome::WriteFailed;
    QString change;                            // the stored change, "0.00"
    SaleRef sale;                              // the completed sale: its number and its tblSales row
    TotalProblem problem = TotalProblem::None; // why the amount due cannot be paid
    QString error;
};

// The cart of one till, without any window: looking items up, reading the total and the sale
// number, and the three writes (add a line, remove a line, clear the cart) plus completing the
// sale. Every running copy of the program is a till; the cart lines in tblPos record their till
// and the number of the sale they belong to, and a Cart sees, charges and changes only its own
// till's lines. Each write runs in one transaction, so it is stored whole or not at all, and
// works from the stored stock and sale numbers read inside that transaction. Notifications are
// posted after the commit.
class Cart
{
public:
    explicit Cart(Database& db, const QString& till = QStringLiteral("1"));
    Cart(const Cart&) = delete;
    Cart& operator=(const Cart&) = delete;

    // The first item with this number, else the item that has this barcode, or a not-found item.
    StockItem lookupItem(const QString& code);
    // The number of the first item with this name (letter case ignored), empty when none.
    QString itemNumberForName(const QString& name);
    // Every item name in alphabetical order; false when the read failed.
    bool itemNames(QStringList& names);
    QString till() const { return m_till; }
    // The number of this till's sale: the number its cart lines hold while a sale is open;
    // for an empty cart the stored counter (of the last tblMain row) plus 1, raised above the
    // numbers other tills' open sales hold. Empty when tblMain cannot be read.
    QString nextSaleNumber();
    // The record source of this till's cart view (bound to till()): the cart's columns, this
    // till's lines only.
    QString cartSource() const;
    // The sum of the cart's line amounts as plain decimal text; "0.00" for an empty cart,
    // MoneyTotal::tooLargeText() when the sum is beyond what a number can hold.
    QString cartTotalText();
    int lineCount();
    CartLine line(qint64 rowId);

    // Checks the request against the stored item (found by number or barcode) and the cart,
    // then appends the cart line and the sold-item line and lowers the stock; posts "Item Out of
    // Stock" when it reaches 0. With "Scanning an item already in the cart adds one" on, an item
    // the cart holds already gets one more on its line instead of being refused.
    AddResult addLine(const QString& code, const QString& quantity, const QString& saleNumber, const QString& cashier);
    // Deletes the cart line and its sold-item line and gives its quantity back to the item;
    // posts "Item Void" and, when the stock is above 0, "Item Availabilty Returned".
    RemoveResult removeLine(qint64 lineRowId, const QString& saleNumber, const QString& displayName,
                            const QString& domainName);
    // Gives every line's quantity back, deletes the cart's sold-item lines and empties the
    // cart. No notifications. False (with `error`) when nothing was changed.
    bool clearCart(const QString& saleNumber, QString* error = nullptr);
    // Stores the sale record, advances the counter to the sale number, empties the cart and
    // remembers the sale as the till's last one (for its receipt), provided the amount due can
    // be paid, the cash covers it, the cart still totals that amount and tblMain holds the
    // counter's row. `credit` (cents) is the refund of an exchange waiting at this till: it counts
    // as cash handed over (the stored cash is the cash plus the credit) and the sale takes it.
    // `card` (cents) is the part the card terminal approved: never more than is left to pay
    // after the credit; the cash covers the rest and the change comes from the cash alone. The
    // payments by tender are stored with the till's open session (opened when there is none).
    SaleResult completeSale(const QString& amountDue, const QString& cash, const QString& saleNumber,
                            const QString& cashier, qint64 credit = 0, qint64 card = 0);

private:
    StockItem readItem(const QString& itemNumber);
    AddResult& raiseByOne(Transaction& tx, qint64 lineRowId, const StockItem& item, const QString& sale,
                          AddResult& result);
    MoneyTotal cartTotal(bool* empty = nullptr);
    // Whether tblMain holds its row; no value when it could not be read.
    std::optional<bool> hasSettingsRow();
    // The last completed sale number as stored in tblMain; none when no row can be read.
    std::optional<double> storedSaleCounter();
    QString openSaleNumber(const QString& shown);
    bool giveBack(const CartLine& line, const QString& saleNumber, StockItem* item, QString* newStock);
    bool post(const QString& title, const QString& message, QString& noteError, QString& noteDetail);

    Database& m_db;
    QString m_till;
    DataControl m_adoNot;
};
