#pragma once

#include <QString>
#include <QVector>

#include <optional>

// The arithmetic of discounts and tax, in whole cents. There is one rounding rule, halves away
// from zero to the cent, applied where a figure is made and nowhere else: a discounted amount,
// a rate's tax, and the cents a sale discount or a rate's tax leaves over when it is spread
// over lines. Nothing here reads a database or uses floating point.
namespace Pricing {

// a * b / d, halves away from zero. d must not be 0.
qint64 mulDivRound(qint64 a, qint64 b, qint64 d);

// The cents a price or amount text stands for ("1,250.50" gives 125050, "1.005" gives 101), read
// exactly from its digits; none when it is not such a number.
std::optional<qint64> centsFromText(const QString& text);
// A line's amount: its quantity times its unit price, exactly, to the cent.
std::optional<qint64> lineCents(const QString& quantity, const QString& price);
// "#,##0.00", a leading minus for a negative amount.
QString centsText(qint64 cents);
// "0.00": as amounts are stored.
QString plainCents(qint64 cents);
// A percentage kept in hundredths ("12.5" for 1250), with no needless zeros.
QString percentText(qint64 hundredths);

enum class DiscountKind { Percent, Amount };

// A discount as given: a percentage in hundredths of a percent (500 is 5%) or an amount in cents.
struct Discount
{
    DiscountKind kind = DiscountKind::Percent;
    qint64 value = 0;
    bool isNone() const { return value == 0; }
};

// Why a typed discount or rate is refused.
enum class InputProblem {
    None,
    Empty,
    NotNumber,       // text, NaN, a number with stray characters
    OutOfRange,      // a percentage below 0 or above 100, a negative amount
    TooManyDecimals, // more than two decimals
    AboveAmount,     // an amount above the line or the sale
};

struct DiscountReading
{
    InputProblem problem = InputProblem::None;
    Discount discount;
};

// Reads a typed discount for an amount of `amountCents`. A percentage may end with "%".
DiscountReading readDiscount(const QString& text, DiscountKind kind, qint64 amountCents);
// Reads a tax rate's percentage (0 to 100, two decimals at most) into hundredths.
DiscountReading readPercent(const QString& text);
// The message for a refused entry, naming the box it was typed in.
QString problemText(InputProblem problem, const QString& box);

// The amount after the discount, never below 0: a percentage takes off that share with the
// result rounded once; an amount takes itself off.
qint64 discounted(qint64 amount, const Discount& discount);
// The discount as a percentage of `amount`, in hundredths, rounded up: what is compared with
// the largest percentage given without approval.
qint64 percentOf(qint64 discount, qint64 amount);

// Shares `total` over the amounts in proportion to them; the cents that are left over go one
// each to the largest amounts first (the earlier of equal amounts first). The shares add up to
// `total` exactly. All amounts 0: the total goes to the first ones in turn.
QVector<qint64> spread(const QVector<qint64>& amounts, qint64 total);

// One line of a sale as it is priced.
struct Line
{
    qint64 amount = 0;  // quantity times price, before any discount
    Discount discount;  // the line's own discount
    qint64 rateId = -1; // the tax rate sold at; -1 for none
    QString rateName;
    qint64 rate = 0; // hundredths of a percent

    // Worked out by price():
    qint64 lineDiscount = 0; // what the line's own discount took off
    qint64 saleDiscount = 0; // the line's share of the sale's discount
    qint64 charged = 0;      // the amount after both discounts, as priced
    qint64 tax = 0;          // the line's share of its rate's tax
    qint64 paid = 0;         // what the customer pays for the line, tax included
};

// One rate's figures on a sale, each rounded once.
struct RateTotal
{
    qint64 rateId = -1;
    QString name;
    qint64 rate = 0;
    qint64 net = 0;
    qint64 tax = 0;
    qint64 gross = 0;
};

struct Sale
{
    QVector<Line> lines;
    QVector<RateTotal> rates; // in the order the lines first name them
    qint64 amount = 0;        // the lines before discounts
    qint64 lineDiscounts = 0;
    qint64 saleDiscount = 0;
    qint64 tax = 0;
    qint64 due = 0; // what the customer pays
};

// Prices a sale: each line's own discount, then the sale's discount spread over the lines, then
// the tax of each rate on that rate's total. With prices that include tax the tax is contained
// in what the lines charge; otherwise it is added to them.
Sale price(QVector<Line> lines, const Discount& saleDiscount, bool pricesIncludeTax);

} // namespace Pricing
