#pragma once

#include <QDate>
#include <QString>
#include <QVector>

#include <optional>

class Database;

// Money in whole cents. Stored amounts are read to the cent with one rounding rule: halves
// away from zero.
namespace Cents {
// The cents a stored or typed amount stands for ("1,250.50" gives 125050); none when the text
// is not an amount.
std::optional<qint64> fromText(const QString& text);
// A value in whole cents, halves rounded away from zero.
qint64 fromValue(double value);
// "#,##0.00" (negative amounts with a leading minus).
QString text(qint64 cents);
// "0.00", as the stored amounts are written.
QString plainText(qint64 cents);
} // namespace Cents

// One item of a completed sale as it can be taken back: what was sold and charged (its sold-item
// lines), and what earlier returns of the sale took back and refunded.
struct SoldLine
{
    QString itemNumber;
    QString itemName;
    double sold = 0;     // the quantity sold
    qint64 amount = 0;   // what the line was charged, in cents
    qint64 returned = 0; // units taken back by earlier returns
    qint64 refunded = 0; // what earlier returns refunded for it, in cents

    // The price as charged: the line's amount over its quantity, to the cent.
    qint64 unitPrice() const;
    // Whole units that can still be taken back.
    qint64 returnable() const;
    // What taking back `quantity` more units refunds: the charged price times the quantity,
    // and for the return that completes the line whatever is left of its amount, so the
    // refunds of a line add up to exactly what it was charged and never more.
    qint64 refundFor(qint64 quantity) const;
};

// A completed sale as the find window lists it.
struct SaleSummary
{
    QString saleNumber;
    QString date; // as stored with the sale ("December 10, 2026")
    QString time; // empty for a sale stored before sale references were kept
    QString till;
    QString cashier;
    qint64 total = 0;     // in cents
    qint64 refunded = 0;  // by its returns so far, in cents
    qint64 salesRow = -1; // its tblSales row; -1 when not known (then it cannot be reprinted)
};

enum class FindOutcome {
    Found,
    Unknown,   // no sale has that number
    LinesGone, // the sale is known but its sold-item lines were cleared
    StillOpen, // the number is a sale still being rung up at a till
    ReadFailed,
};

struct FoundSale
{
    FindOutcome outcome = FindOutcome::ReadFailed;
    SaleSummary sale;
    QVector<SoldLine> lines;
    QString error;
};

// One line of a return as the cashier fills it in: the item, the quantity typed (empty when the
// line is not taken back) and whether it goes back to stock.
struct ReturnLineRequest
{
    QString itemNumber;
    QString quantity;
    bool restock = true;
};

// Who asks for a return and who approves it.
struct ReturnSigner
{
    QString cashier;      // the name the sale windows show
    QString accountType;  // "Administrator", "Guest" or an employee's position
    QString approverUser; // an administrator's user name, typed when the cashier is not one
    QString approverPassword;
};

struct ReturnRequest
{
    QString saleNumber;
    QVector<ReturnLineRequest> lines;
    ReturnSigner signer;
    QString reason;
    // Made once per return window: the same confirmation is stored once, however often the
    // cashier presses Finish.
    QString confirmation;
    // An exchange: the refund is not handed over but credited to the till's next sale.
    bool exchange = false;
};

// The refunds of exchanges waiting at a till for its next sale.
struct Credit
{
    qint64 amount = 0; // cents
    QVector<qint64> returns;
    QString returnsText() const; // "4" or "4, 5"
};

enum class ReturnOutcome {
    Stored,
    AlreadyStored, // this confirmation was stored before; nothing stored again
    GuestRefused,
    ApprovalNeeded, // the administrator's user name or password is missing or wrong
    UnknownSale,
    LinesGone,
    StillOpen,
    NothingSelected,
    BadQuantity, // zero, negative, not a whole number, or for an item the sale does not hold
    TooMany,     // more than can still be taken back
    ItemGone,    // back to stock for an item no longer in the stock list
    WriteFailed,
};

struct ReturnedLine
{
    QString itemNumber;
    QString itemName;
    qint64 quantity = 0;
    qint64 refund = 0; // cents
    bool restocked = false;
};

struct ReturnResult
{
    ReturnOutcome outcome = ReturnOutcome::WriteFailed;
    qint64 returnNumber = 0;
    qint64 refund = 0; // cents
    QString approver;
    QString date;
    QString time;
    QVector<ReturnedLine> lines;
    // For a refused line: the item, the quantity typed and what can still be returned.
    QString itemName;
    QString quantity;
    qint64 returnable = 0;
    QString error;
};

// A stored return as its receipt prints it.
struct ReturnRecord
{
    qint64 returnNumber = 0;
    QString saleNumber;
    QString till;
    QString cashier;
    QString approver;
    QString date;
    QString time;
    QString reason;
    qint64 refund = 0;
    QVector<ReturnedLine> lines;
    bool exchange = false;
    QString exchangeSale; // the sale that took the credit, once one has
};

// What the books add for returns: the refunds of a day or span (by the day of the return).
struct RefundTotal
{
    qint64 refunds = 0; // cents
    qint64 returns = 0; // how many returns
    bool ok = true;     // false when they could not be read
};

// Taking sales back, without any window. Sales are found by their number (the number their
// sold-item lines carry); a return takes back whole units of its lines, gives them back to
// stock where asked, and is stored with its lines, the stock and its journal entry in one
// transaction under the writers' lock, checked against what was sold and returned as stored
// inside that transaction.
class Returns
{
public:
    explicit Returns(Database& db, const QString& till = QStringLiteral("1"));

    FoundSale find(const QString& saleNumber);
    // The completed sales whose lines are dated `day`, by number.
    bool listDay(const QDate& day, QVector<SaleSummary>& sales, QString* error = nullptr);
    ReturnResult store(const ReturnRequest& request);
    std::optional<ReturnRecord> record(qint64 returnNumber);
    // The credit waiting at this till; none (amount 0) when there is none or it cannot be read.
    Credit pendingCredit();
    // Gives the waiting credit to the sale `saleNumber`; meant to run inside the sale's own
    // transaction. False when the credit waiting is not `expected` (cents) or the write failed.
    bool useCredit(const QString& saleNumber, qint64 expected);
    // The returns whose credit went to a sale.
    Credit creditOfSale(const QString& saleNumber);

    // Journals the reprint of a sale's receipt ("Receipt Reprint"), in a transaction of its own.
    bool noteReprint(const QString& saleNumber, const QString& who, QString* error = nullptr);

    // The title of the journal entry a return writes.
    static QString journalTitle() { return QStringLiteral("Item Return"); }

private:
    FoundSale read(const QString& saleNumber);

    Database& m_db;
    QString m_till;
};

// The refunds of returns made on a day, or from one day to another (both included).
RefundTotal refundsForDay(Database& db, const QDate& day);
RefundTotal refundsForSpan(Database& db, const QDate& from, const QDate& to);
// Keeps the day's refunds beside its saved daily summary (tblDailyRefund), within the caller's
// transaction.
// `day` and `savedAt` are the summary row's BusinessDate and TimeSave, as stored there.
bool saveDailyRefunds(Database& db, const QString& day, const QString& savedAt, const RefundTotal& total);
