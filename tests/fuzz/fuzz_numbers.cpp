// libFuzzer target for the number readings and patterns: each input is read by NumberFromText,
// ColumnNumber and FormatText, and compared with a plain reference reading written separately.
#include "data/TextForms.h"

#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void disagree(const char* what, const QString& input, double ours, double reference)
{
    std::fprintf(stderr, "%s disagrees on \"%s\": %.17g vs reference %.17g\n", what, qPrintable(input), ours,
                 reference);
    std::abort();
}

// Reference reading of a typed number: drop the skipped characters, then match the longest
// number at the start with a regular expression.
double referenceNumber(const QString& input)
{
    QString t = input;
    t.remove(QLatin1Char(' ')).remove(QLatin1Char('\t')).remove(QLatin1Char('\n'));
    static const QRegularExpression hex(QStringLiteral("^&[hH]([0-9a-fA-F]*)"));
    static const QRegularExpression oct(QStringLiteral("^&[oO]([0-7]*)"));
    static const QRegularExpression dec(
        QStringLiteral("^([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+))(?:[eEdD]([+-]?[0-9]+))?"));
    if (t.startsWith(QLatin1Char('&'))) {
        for (const auto& [re, radix] : {std::pair{&hex, 16}, std::pair{&oct, 8}}) {
            const auto m = re->match(t);
            if (m.hasMatch()) {
                double v = 0;
                for (const QChar c : m.captured(1))
                    v = v * radix + QString(c).toInt(nullptr, 16);
                return std::isfinite(v) ? v : 0;
            }
        }
        return 0;
    }
    const auto m = dec.match(t);
    if (!m.hasMatch())
        return 0;
    QString text = m.captured(1);
    if (m.capturedLength(2) > 0) {
        // Clamp absurd exponents the same way a double would saturate anyway.
        QString e = m.captured(2);
        const bool negative = e.startsWith(QLatin1Char('-'));
        e.remove(QLatin1Char('+')).remove(QLatin1Char('-'));
        while (e.size() > 1 && e.startsWith(QLatin1Char('0')))
            e.remove(0, 1);
        if (e.size() > 6)
            e = QStringLiteral("100000");
        text += QStringLiteral("e") + (negative ? QStringLiteral("-") : QString()) + e;
    }
    const double v = std::strtod(text.toLatin1().constData(), nullptr);
    return std::isfinite(v) ? v : 0;
}

// Reference column reading: commas only between groups of three digits of the whole part (the
// first of one to three, not led by 0), then a strict number.
std::optional<double> referenceColumn(const QString& input)
{
    static const QRegularExpression shape(
        QStringLiteral("^[+-]?(?:(?:[1-9][0-9]{0,2}(?:,[0-9]{3})+|[0-9]+)\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?$"));
    const QString t = input.trimmed();
    if (!shape.match(t).hasMatch())
        return std::nullopt;
    QString plain = t;
    plain.remove(QLatin1Char(','));
    const double v = std::strtod(plain.toLatin1().constData(), nullptr);
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

void checkPattern(const QString& input, NumberPattern pattern, const QRegularExpression& shape, int decimals)
{
    const QString out = FormatText(input, pattern);
    const auto value = ColumnNumber(input);
    if (!value) {
        if (out != input)
            disagree("FormatText changed a non-number", input, 0, 0);
        return;
    }
    if (std::fabs(*value) >= 1e15)
        return; // beyond 15 significant digits the rounding is not decimal any more
    if (!shape.match(out).hasMatch()) {
        std::fprintf(stderr, "FormatText gave \"%s\" for \"%s\"\n", qPrintable(out), qPrintable(input));
        std::abort();
    }
    QString plain = out;
    plain.remove(QLatin1Char(','));
    const double shown = plain.toDouble();
    const double step = std::pow(10.0, -decimals);
    if (std::fabs(shown - *value) > step / 2 + std::fabs(*value) * 1e-14)
        disagree("FormatText", input, shown, *value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const double ours = NumberFromText(input);
    const double reference = referenceNumber(input);
    if (!(ours == reference || std::fabs(ours - reference) <= std::fabs(reference) * 1e-15))
        disagree("NumberFromText", input, ours, reference);

    const auto column = ColumnNumber(input);
    const auto columnRef = referenceColumn(input);
    if (column.has_value() != columnRef.has_value() || (column && *column != *columnRef))
        disagree("ColumnNumber", input, column.value_or(NAN), columnRef.value_or(NAN));

    static const QRegularExpression grouped2(QStringLiteral("^-?[0-9]{1,3}(,[0-9]{3})*\\.[0-9]{2}$"));
    static const QRegularExpression grouped0(QStringLiteral("^-?[0-9]{1,3}(,[0-9]{3})*$"));
    static const QRegularExpression plain2(QStringLiteral("^-?[0-9]+\\.[0-9]{2}$"));
    checkPattern(input, NumberPattern::Grouped2, grouped2, 2);
    checkPattern(input, NumberPattern::Grouped0, grouped0, 0);
    checkPattern(input, NumberPattern::Plain2, plain2, 2);

    const QString plain = PlainNumber(ours);
    if (std::fabs(ours) < 1e15 && plain.contains(QLatin1Char('e')))
        disagree("PlainNumber used an exponent", input, ours, 0);
    return 0;
}
