#include "pricing/Pricing.h"

#include <cstdlib>

#include <algorithm>
#include <numeric>

namespace Pricing {

namespace {

// A decimal text read digit by digit: its sign, whole part and decimals as written.
struct Decimal
{
    bool negative = false;
    qint64 whole = 0;
    QString decimals;
};

constexpr qint64 kLargest = 1'000'000'000'000'000; // whole units; beyond any amount a till holds

std::optional<Decimal> readDecimal(const QString& input)
{
    const QString text = input.trimmed();
    Decimal d;
    qsizetype i = 0;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        d.negative = text.at(i++) == u'-';
    bool digits = false;
    bool lastWasDigit = false;
    for (; i < text.size() && text.at(i) != u'.'; ++i) {
        const QChar c = text.at(i);
        if (c == u',' && lastWasDigit) {
            lastWasDigit = false;
            continue;
        }
        if (!c.isDigit() || c.unicode() > 127)
            return std::nullopt;
        d.whole = d.whole * 10 + (c.unicode() - u'0');
        if (d.whole >= kLargest)
            return std::nullopt;
        digits = lastWasDigit = true;
    }
    if (digits && !lastWasDigit)
        return std::nullopt; // a trailing thousands separator
    if (i < text.size()) {
        for (++i; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (!c.isDigit() || c.unicode() > 127)
                return std::nullopt;
            d.decimals += c;
        }
    }
    if (!digits && d.decimals.isEmpty())
        return std::nullopt;
    return d;
}

// The value in hundredths, halves away from zero when more decimals are written.
qint64 hundredths(const Decimal& d)
{
    qint64 value = d.whole * 100;
    const QString two = (d.decimals + QStringLiteral("00")).left(2);
    value += two.toLongLong();
    if (d.decimals.size() > 2 && d.decimals.at(2) >= u'5')
        ++value;
    return d.negative ? -value : value;
}

} // namespace

qint64 mulDivRound(qint64 a, qint64 b, qint64 d)
{
    const __int128 n = static_cast<__int128>(a) * b;
    const bool negative = (n < 0) != (d < 0);
    const __int128 an = n < 0 ? -n : n;
    const __int128 ad = d < 0 ? -static_cast<__int128>(d) : d;
    const __int128 q = (an * 2 + ad) / (ad * 2);
    return static_cast<qint64>(negative ? -q : q);
}

std::optional<qint64> centsFromText(const QString& text)
{
    const auto d = readDecimal(text);
    if (!d)
        return std::nullopt;
    return hundredths(*d);
}

std::optional<qint64> lineCents(const QString& quantity, const QString& price)
{
    const auto q = readDecimal(quantity);
    const auto p = centsFromText(price);
    if (!q || !p)
        return std::nullopt;
    // The quantity's decimals are kept exactly: 1.5 is 15 tenths.
    qint64 scale = 1;
    qint64 units = q->whole;
    for (const QChar c : q->decimals.left(6)) {
        units = units * 10 + (c.unicode() - u'0');
        scale *= 10;
    }
    if (q->negative)
        units = -units;
    return mulDivRound(units, *p, scale);
}

QString centsText(qint64 cents)
{
    // The C locale writes no thousands separator: the digits are grouped here.
    QString digits = QString::number(std::abs(cents / 100));
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString(), digits)
        .arg(std::abs(cents % 100), 2, 10, QLatin1Char('0'));
}

QString plainCents(qint64 cents)
{
    const qint64 a = cents < 0 ? -cents : cents;
    const QString text = QStringLiteral("%1.%2").arg(a / 100).arg(a % 100, 2, 10, QLatin1Char('0'));
    return cents < 0 ? u'-' + text : text;
}

QString percentText(qint64 hundredths)
{
    QString text = plainCents(hundredths);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

DiscountReading readDiscount(const QString& input, DiscountKind kind, qint64 amountCents)
{
    DiscountReading r;
    QString text = input.trimmed();
    if (text.isEmpty()) {
        r.problem = InputProblem::Empty;
        return r;
    }
    if (kind == DiscountKind::Percent && text.endsWith(u'%'))
        text.chop(1);
    const auto d = readDecimal(text);
    if (!d) {
        r.problem = InputProblem::NotNumber;
        return r;
    }
    if (d->decimals.size() > 2) {
        r.problem = InputProblem::TooManyDecimals;
        return r;
    }
    r.discount = {kind, hundredths(*d)};
    if (r.discount.value < 0 || (kind == DiscountKind::Percent && r.discount.value > 10000))
        r.problem = InputProblem::OutOfRange;
    else if (kind == DiscountKind::Amount && r.discount.value > amountCents)
        r.problem = InputProblem::AboveAmount;
    return r;
}

DiscountReading readPercent(const QString& text)
{
    DiscountReading r = readDiscount(text, DiscountKind::Percent, 0);
    return r;
}

QString problemText(InputProblem problem, const QString& box)
{
    switch (problem) {
    case InputProblem::None:
        return {};
    case InputProblem::Empty:
        return QStringLiteral("Type a number in the %1 box.").arg(box);
    case InputProblem::NotNumber:
        return QStringLiteral("The %1 box does not hold a number.").arg(box);
    case InputProblem::OutOfRange:
        return QStringLiteral("The %1 box takes a percentage from 0 to 100 or an amount of 0 or more.").arg(box);
    case InputProblem::TooManyDecimals:
        return QStringLiteral("The %1 box takes at most two decimals.").arg(box);
    case InputProblem::AboveAmount:
        return QStringLiteral("The %1 box holds more than the amount it is taken off.").arg(box);
    }
    return {};
}

qint64 discounted(qint64 amount, const Discount& discount)
{
    if (discount.value <= 0 || amount <= 0)
        return std::max<qint64>(amount, 0);
    if (discount.kind == DiscountKind::Percent)
        return mulDivRound(amount, 10000 - std::min<qint64>(discount.value, 10000), 10000);
    return std::max<qint64>(amount - discount.value, 0);
}

qint64 percentOf(qint64 discount, qint64 amount)
{
    if (discount <= 0)
        return 0;
    if (amount <= 0)
        return 10000;
    const __int128 n = static_cast<__int128>(discount) * 10000;
    return static_cast<qint64>((n + amount - 1) / amount);
}

QVector<qint64> spread(const QVector<qint64>& amounts, qint64 total)
{
    QVector<qint64> shares(amounts.size(), 0);
    if (amounts.isEmpty())
        return shares;
    const qint64 sum = std::accumulate(amounts.begin(), amounts.end(), qint64(0));
    qint64 given = 0;
    if (sum > 0) {
        for (qsizetype i = 0; i < amounts.size(); ++i) {
            shares[i] = static_cast<qint64>(static_cast<__int128>(amounts.at(i)) * total / sum);
            given += shares[i];
        }
    }
    QVector<qsizetype> order(amounts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return amounts.at(a) > amounts.at(b); });
    qint64 left = total - given;
    const qint64 step = left < 0 ? -1 : 1;
    for (qsizetype k = 0; left != 0; k = (k + 1) % order.size()) {
        shares[order.at(k)] += step;
        left -= step;
    }
    return shares;
}

Sale price(QVector<Line> lines, const Discount& saleDiscount, bool pricesIncludeTax)
{
    Sale sale;
    QVector<qint64> afterLine;
    for (Line& line : lines) {
        const qint64 after = discounted(line.amount, line.discount);
        line.lineDiscount = std::max<qint64>(line.amount, 0) - after;
        afterLine << after;
        sale.amount += line.amount;
        sale.lineDiscounts += line.lineDiscount;
    }
    const qint64 before = std::accumulate(afterLine.begin(), afterLine.end(), qint64(0));
    const QVector<qint64> charged = spread(afterLine, discounted(before, saleDiscount));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        lines[i].charged = charged.at(i);
        lines[i].saleDiscount = afterLine.at(i) - charged.at(i);
        sale.saleDiscount += lines[i].saleDiscount;
    }

    // Each rate's tax on its own total, rounded once, then shared over its lines.
    for (const Line& line : std::as_const(lines)) {
        if (line.rateId >= 0 && std::none_of(sale.rates.begin(), sale.rates.end(),
                                             [&](const RateTotal& r) { return r.rateId == line.rateId; }))
            sale.rates.push_back({line.rateId, line.rateName, line.rate, 0, 0, 0});
    }
    for (RateTotal& rate : sale.rates) {
        QVector<qsizetype> members;
        QVector<qint64> amounts;
        qint64 total = 0;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines.at(i).rateId == rate.rateId) {
                members << i;
                amounts << lines.at(i).charged;
                total += lines.at(i).charged;
            }
        }
        if (pricesIncludeTax) {
            rate.gross = total;
            rate.tax = mulDivRound(total, rate.rate, 10000 + rate.rate);
            rate.net = total - rate.tax;
        } else {
            rate.net = total;
            rate.tax = mulDivRound(total, rate.rate, 10000);
            rate.gross = total + rate.tax;
        }
        const QVector<qint64> taxes = spread(amounts, rate.tax);
        for (qsizetype k = 0; k < members.size(); ++k)
            lines[members.at(k)].tax = taxes.at(k);
        sale.tax += rate.tax;
    }
    for (Line& line : lines) {
        line.paid = pricesIncludeTax ? line.charged : line.charged + line.tax;
        sale.due += line.paid;
    }
    sale.lines = std::move(lines);
    return sale;
}

} // namespace Pricing
