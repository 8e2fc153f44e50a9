#include "data/TextForms.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <stdlib.h>
#include <string>

namespace {

const QLocale& usLocale()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

// strtod in the C locale: the program's own readings never depend on the machine's locale
// (a German locale would otherwise read "1.5" as 1).
double cStrtod(const std::string& text)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(text.c_str(), nullptr, cLocale);
}

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// Reads the digits of "&H..." or "&O..." after the prefix; skipped characters may stand anywhere.
double radixNumber(const QString& text, qsizetype pos, int radix)
{
    static const QString allDigits = QStringLiteral("0123456789abcdef");
    const QStringView digits = QStringView(allDigits).left(radix);
    double value = 0;
    for (; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (isSkipped(c))
            continue;
        const auto digit = digits.indexOf(c.toLower());
        if (digit < 0)
            break;
        value = value * radix + static_cast<double>(digit);
    }
    return value;
}

// Rounds |value| half away from zero to `decimals` places using its 15-significant-digit
// decimal form, and returns the integer and fraction digits.
void roundedDigits(double value, int decimals, std::string& intPart, std::string& fracPart)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    // buf: d.dddddddddddddde[+-]XX
    std::string mant;
    mant += buf[0];
    mant.append(buf + 2, 14);
    const int exp = std::atoi(std::strchr(buf, 'e') + 1);
    // digits as a fixed string: integer part has exp+1 digits when exp >= 0
    std::string digits; // all digits, with the decimal point after `pointPos` digits
    int pointPos;
    if (exp >= 0) {
        digits = mant;
        if (static_cast<int>(digits.size()) < exp + 1)
            digits.append(exp + 1 - digits.size(), '0');
        pointPos = exp + 1;
    } else {
        digits = std::string(-exp, '0') + mant;
        pointPos = 1;
    }
    // ensure enough fraction digits for rounding
    const int needed = pointPos + decimals + 1;
    if (static_cast<int>(digits.size()) < needed)
        digits.append(needed - digits.size(), '0');
    const bool roundUp = digits[pointPos + decimals] >= '5';
    digits.resize(pointPos + decimals);
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0) {
            if (digits[i] == '9') {
                digits[i] = '0';
                --i;
            } else {
                ++digits[i];
                break;
            }
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            ++pointPos;
        }
    }
    intPart = digits.substr(0, pointPos);
    fracPart = digits.substr(pointPos);
    const auto nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
}

} // namespace

QString DateText(const QDate& date)
{
    return usLocale().toString(date, QStringLiteral("MMMM dd, yyyy"));
}

QString TimeText(const QTime& time)
{
    return usLocale().toString(time, QStringLiteral("h:mm:ss AP"));
}

QDate DateFromText(const QString& text)
{
    return usLocale().toDate(text.trimmed(), QStringLiteral("MMMM dd, yyyy"));
}

QString DateTimeText(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

double NumberFromText(const QString& text)
{
    // Blanks, tabs and line feeds do not count wherever they stand.
    QString t;
    t.reserve(text.size());
    for (const QChar c : text) {
        if (!isSkipped(c))
            t += c;
    }
    if (t.startsWith(u'&')) {
        const QChar kind = t.size() > 1 ? t.at(1).toUpper() : QChar();
        double value = 0;
        if (kind == u'H')
            value = radixNumber(t, 2, 16);
        else if (kind == u'O')
            value = radixNumber(t, 2, 8);
        return std::isfinite(value) ? value : 0;
    }
    qsizetype pos = 0;
    std::string number;
    if (pos < t.size() && (t.at(pos) == u'+' || t.at(pos) == u'-'))
        number += static_cast<char>(t.at(pos++).unicode());
    bool seenPoint = false;
    bool seenDigit = false;
    for (; pos < t.size(); ++pos) {
        const QChar c = t.at(pos);
        if (c >= u'0' && c <= u'9') {
            number += static_cast<char>(c.unicode());
            seenDigit = true;
        } else if (c == u'.' && !seenPoint) {
            number += '.';
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0;
    // An optional exponent: E or D, an optional sign, digits.
    if (pos < t.size() && (t.at(pos).toUpper() == u'E' || t.at(pos).toUpper() == u'D')) {
        qsizetype p = pos + 1;
        bool negative = false;
        if (p < t.size() && (t.at(p) == u'+' || t.at(p) == u'-'))
            negative = t.at(p++) == u'-';
        long exponent = 0;
        bool expDigit = false;
        for (; p < t.size() && t.at(p) >= u'0' && t.at(p) <= u'9'; ++p) {
            exponent = std::min(exponent * 10 + (t.at(p).unicode() - '0'), 100000L); // far beyond any double
            expDigit = true;
        }
        if (expDigit)
            number += 'e' + std::to_string(negative ? -exponent : exponent);
    }
    const double value = cStrtod(number);
    return std::isfinite(value) ? value : 0;
}

namespace {

bool isSpaceGroup(QChar c)
{
    return c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F);
}

// True when `c` is the thousands separator of `marks`; where the separator is a kind of blank,
// any of the blanks a keyboard or a spreadsheet gives is taken for it.
bool isGroupMark(QChar c, const NumberMarks& marks)
{
    return c == marks.group || (isSpaceGroup(marks.group) && isSpaceGroup(c));
}

} // namespace

NumberMarks ProgramMarks()
{
    return {QLatin1Char('.'), QLatin1Char(',')};
}

NumberMarks SystemMarks()
{
    const QLocale system;
    const QString decimal = system.decimalPoint();
    const QString group = system.groupSeparator();
    NumberMarks marks{decimal.size() == 1 ? decimal.front() : QLatin1Char('.'),
                      group.size() == 1 ? group.front() : QLatin1Char(',')};
    if (marks.decimal == marks.group) // no usable format: the program's own
        marks = ProgramMarks();
    return marks;
}

std::optional<double> NumberWithMarks(const QString& text, const NumberMarks& marks)
{
    // sign, whole part (thousands separators only between groups of three digits), fraction,
    // exponent
    const QString t = text.trimmed();
    std::string plain;
    plain.reserve(static_cast<std::size_t>(t.size()));
    qsizetype i = 0;
    const auto n = t.size();
    auto digit = [&](qsizetype k) { return k < n && t.at(k) >= u'0' && t.at(k) <= u'9'; };
    if (i < n && (t.at(i) == u'+' || t.at(i) == u'-'))
        plain += static_cast<char>(t.at(i++).unicode());
    bool mantissaDigit = false;
    int groupDigits = 0; // digits since the last separator, or since the start
    bool grouped = false;
    while (i < n) {
        if (digit(i)) {
            plain += static_cast<char>(t.at(i++).unicode());
            mantissaDigit = true;
            ++groupDigits;
        } else if (isGroupMark(t.at(i), marks) && mantissaDigit) {
            // A separator closes a group: the first of one to three digits (not led by a 0),
            // every later one of three.
            if (groupDigits > 3 || (grouped && groupDigits != 3) ||
                (!grouped && plain[plain.size() - static_cast<std::size_t>(groupDigits)] == '0'))
                return std::nullopt;
            grouped = true;
            groupDigits = 0;
            ++i;
        } else {
            break;
        }
    }
    if (grouped && groupDigits != 3)
        return std::nullopt;
    if (i < n && t.at(i) == marks.decimal) {
        plain += '.';
        ++i;
        while (digit(i)) {
            plain += static_cast<char>(t.at(i++).unicode());
            mantissaDigit = true;
        }
    }
    if (!mantissaDigit)
        return std::nullopt;
    if (i < n && (t.at(i) == u'e' || t.at(i) == u'E')) {
        plain += 'e';
        ++i;
        if (i < n && (t.at(i) == u'+' || t.at(i) == u'-'))
            plain += static_cast<char>(t.at(i++).unicode());
        if (!digit(i))
            return std::nullopt;
        while (digit(i))
            plain += static_cast<char>(t.at(i++).unicode());
    }
    if (i != n)
        return std::nullopt;
    const double value = cStrtod(plain);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> ColumnNumber(const QString& text)
{
    return NumberWithMarks(text, ProgramMarks());
}

TypedReading ReadTypedNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {std::nullopt, QStringLiteral("it is empty")};
    const NumberMarks system = SystemMarks();
    const NumberMarks program = ProgramMarks();
    const auto local = NumberWithMarks(t, system);
    if (system.decimal == program.decimal && system.group == program.group) {
        if (local)
            return {local, {}};
    } else {
        // The program writes numbers in its own form ("12.5", "1,250.00") and a person may type
        // what it shows; a text both forms read is taken only when they agree.
        const auto own = NumberWithMarks(t, program);
        if (local && own && *local != *own)
            return {std::nullopt, QStringLiteral("it could mean %1 or %2").arg(PlainNumber(*local), PlainNumber(*own))};
        if (local || own)
            return {local ? local : own, {}};
    }
    // Why no number: a separator out of place says so, anything else is no number at all.
    bool onlyNumberCharacters = true;
    for (const QChar c : t) {
        if (!(c.isDigit() || c == u'+' || c == u'-' || c == system.decimal || isGroupMark(c, system) ||
              c == program.decimal || c == program.group))
            onlyNumberCharacters = false;
    }
    if (onlyNumberCharacters)
        return {std::nullopt,
                QStringLiteral("a separator is out of place: the decimal mark is \"%1\" and \"%2\" only groups "
                               "thousands (%3)")
                    .arg(system.decimal, system.group,
                         FormatNumber(1250, NumberPattern::Grouped2)
                             .replace(u',', u'\x1')
                             .replace(u'.', system.decimal)
                             .replace(u'\x1', system.group))};
    return {std::nullopt, QStringLiteral("it is not a number")};
}

std::optional<double> TypedNumber(const QString& text)
{
    return ReadTypedNumber(text).value;
}

QString StoredNumberText(const QString& typed, double value)
{
    // A text the program reads as the same number is kept as typed; any other is written plain.
    const auto own = ColumnNumber(typed);
    return own && *own == value ? typed : PlainNumber(value);
}

QString PlainNumber(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (std::fabs(value) >= 1e15)
        return QString::number(value, 'g', 15);
    // At most 15 significant digits in fixed notation, so that the noise of binary arithmetic
    // (0.1 + 0.2 - 0.3) reads 0 and never shows as an exponent.
    const int intDigits = value == 0 ? 1 : std::max(1, static_cast<int>(std::floor(std::log10(std::fabs(value)))) + 1);
    QString text = QString::number(value, 'f', std::clamp(15 - intDigits, 0, 14));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

QString FormatNumber(double value, NumberPattern pattern)
{
    if (!std::isfinite(value))
        value = 0;
    const int decimals = pattern == NumberPattern::Grouped0 ? 0 : 2;
    const bool grouped = pattern != NumberPattern::Plain2;
    std::string intPart, fracPart;
    roundedDigits(value, decimals, intPart, fracPart);
    std::string out;
    if (grouped) {
        const int n = static_cast<int>(intPart.size());
        for (int i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % 3 == 0)
                out += ',';
            out += intPart[i];
        }
    } else {
        out = intPart;
    }
    if (decimals > 0)
        out += "." + fracPart;
    const bool zero = out.find_first_not_of("0,.") == std::string::npos;
    if (value < 0 && !zero)
        out.insert(out.begin(), '-');
    return QString::fromStdString(out);
}

namespace {

std::optional<double> priceInRange(std::optional<double> value)
{
    if (!value || !std::isfinite(*value) || *value < 0 || *value >= MaxItemPrice)
        return std::nullopt;
    return *value == 0 ? 0.0 : *value; // never -0
}

} // namespace

std::optional<double> PriceFromText(const QString& text)
{
    return priceInRange(ColumnNumber(text));
}

TypedReading ReadTypedPrice(const QString& text)
{
    TypedReading reading = ReadTypedNumber(text);
    if (reading.value && !priceInRange(reading.value)) {
        reading.value.reset();
        reading.why = QStringLiteral("a price is 0 or more and below 1,000,000,000");
    } else if (reading.value) {
        reading.value = priceInRange(reading.value);
    }
    return reading;
}

QString FormatText(const QString& text, NumberPattern pattern)
{
    if (text.isEmpty())
        return text;
    if (const auto value = ColumnNumber(text))
        return FormatNumber(*value, pattern);
    return text;
}
