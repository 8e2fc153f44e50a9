#include "data/TextForms.h"

#include <QLocale>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const QLocale& usLocale()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
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
    qsizetype pos = 0;
    auto skip = [&] {
        while (pos < text.size() && isSkipped(text.at(pos)))
            ++pos;
    };
    skip();
    if (pos + 1 < text.size() && text.at(pos) == u'&') {
        const QChar kind = text.at(pos + 1).toUpper();
        if (kind == u'H')
            return radixNumber(text, pos + 2, 16);
        if (kind == u'O')
            return radixNumber(text, pos + 2, 8);
        return 0;
    }
    std::string number;
    if (pos < text.size() && (text.at(pos) == u'+' || text.at(pos) == u'-')) {
        number += static_cast<char>(text.at(pos).unicode());
        ++pos;
    }
    bool seenPoint = false;
    bool seenDigit = false;
    for (; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (isSkipped(c))
            continue;
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
    // optional exponent: E or D, optional sign, digits
    if (pos < text.size() && (text.at(pos).toUpper() == u'E' || text.at(pos).toUpper() == u'D')) {
        std::string exponent = "e";
        qsizetype p = pos + 1;
        while (p < text.size() && isSkipped(text.at(p)))
            ++p;
        if (p < text.size() && (text.at(p) == u'+' || text.at(p) == u'-')) {
            exponent += static_cast<char>(text.at(p).unicode());
            ++p;
        }
        bool expDigit = false;
        for (; p < text.size(); ++p) {
            const QChar c = text.at(p);
            if (isSkipped(c))
                continue;
            if (c >= u'0' && c <= u'9') {
                exponent += static_cast<char>(c.unicode());
                expDigit = true;
                if (exponent.size() > 8) // far beyond any finite double; keeps the text short
                    break;
            } else {
                break;
            }
        }
        if (expDigit)
            number += exponent;
    }
    const double value = std::strtod(number.c_str(), nullptr);
    return std::isfinite(value) ? value : 0;
}

std::optional<double> ColumnNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // Thousands separators may stand between the digits of the whole-number part.
    QString plain;
    plain.reserve(t.size());
    bool inFraction = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c == u'.' || c == u'e' || c == u'E')
            inFraction = true;
        if (c == u',') {
            const bool digitBefore = i > 0 && t.at(i - 1).isDigit();
            const bool digitAfter = i + 1 < t.size() && t.at(i + 1).isDigit();
            if (inFraction || !digitBefore || !digitAfter)
                return std::nullopt;
            continue;
        }
        if (!(c.isDigit() && c.unicode() < 128) && c != u'.' && c != u'-' && c != u'+' && c != u'e' && c != u'E')
            return std::nullopt;
        plain += c;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString PlainNumber(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (value == 0)
        return QStringLiteral("0"); // never "-0"
    return QString::number(value, 'g', 15);
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

QString FormatText(const QString& text, NumberPattern pattern)
{
    if (text.isEmpty())
        return text;
    if (const auto value = ColumnNumber(text))
        return FormatNumber(*value, pattern);
    return text;
}
