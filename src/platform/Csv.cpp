#include "platform/Csv.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

namespace Csv {

namespace {

constexpr QChar kQuote = u'"';

// The separator of the header row: whichever of comma and semicolon it holds more of outside
// quotes (a comma on a tie).
QChar detectSeparator(const QString& text)
{
    int commas = 0;
    int semicolons = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == kQuote)
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\n' || c == u'\r')
            break;
        else if (c == u',')
            ++commas;
        else if (c == u';')
            ++semicolons;
    }
    return semicolons > commas ? QLatin1Char(';') : QLatin1Char(',');
}

bool isBlank(const QStringList& fields)
{
    return fields.size() == 1 && fields.first().isEmpty();
}

} // namespace

Table parse(const QByteArray& bytes, const Progress& progress)
{
    Table table;
    auto canceled = [&table] {
        table.records.clear();
        table.canceled = true;
        table.error = QStringLiteral("The reading of the file was canceled.");
        return table;
    };
    // The bytes are decoded and then split, a step at a time; decoding counts as a third of the work.
    constexpr qsizetype kDecodeStep = 1 << 20;
    constexpr qsizetype kSplitStep = 1 << 16;
    const qint64 total = static_cast<qint64>(bytes.size()) * 3;
    QString text;
    text.reserve(bytes.size());
    bool badText = false;
    for (qsizetype from = 0; from < bytes.size();) {
        // A step ends before a byte that starts a character, so no character is cut in two.
        qsizetype to = std::min(from + kDecodeStep, bytes.size());
        while (to < bytes.size() && (static_cast<unsigned char>(bytes.at(to)) & 0xC0) == 0x80 && to > from + 1)
            --to;
        // Only the file's first character may be a byte-order mark to drop.
        QStringDecoder decoder(QStringDecoder::Utf8,
                               from == 0 ? QStringDecoder::Flag::Stateless
                                         : QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        text += decoder.decode(QByteArrayView(bytes).sliced(from, to - from));
        badText = badText || decoder.hasError();
        from = to;
        if (progress && !progress(from, total))
            return canceled();
    }
    if (badText) {
        table.error = QStringLiteral("The file is not UTF-8 text. Save it from the spreadsheet as \"CSV UTF-8\".");
        return table;
    }
    table.separator = detectSeparator(text);

    Record current{1, {}};
    QString value;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the field began with a quote (text after its closing quote is kept)
    int line = 1;
    int quoteLine = 0;
    auto endField = [&] {
        current.fields << value;
        value.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        if (!isBlank(current.fields))
            table.records << current;
        current = Record{line, {}};
    };
    const qsizetype n = text.size();
    qsizetype nextStep = kSplitStep;
    for (qsizetype i = 0; i < n; ++i) {
        if (i >= nextStep) {
            nextStep = i + kSplitStep;
            if (progress && !progress(bytes.size() + (2 * static_cast<qint64>(bytes.size()) * i) / n, total))
                return canceled();
        }
        const QChar c = text.at(i);
        if (quoted) {
            if (c == kQuote) {
                if (i + 1 < n && text.at(i + 1) == kQuote) {
                    value += kQuote;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                value += c;
            }
            continue;
        }
        if (c == kQuote && value.isEmpty() && !wasQuoted) {
            quoted = true;
            wasQuoted = true;
            quoteLine = line;
        } else if (c == table.separator) {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            ++line;
            endRecord();
        } else {
            value += c;
        }
    }
    if (quoted) {
        table.records.clear();
        table.error = QStringLiteral("Line %1 opens a quote that is never closed.").arg(quoteLine);
        return table;
    }
    if (!value.isEmpty() || !current.fields.isEmpty() || wasQuoted)
        endRecord();
    return table;
}

QString field(const QString& value, QChar separator)
{
    const bool needsQuotes = value.contains(separator) || value.contains(kQuote) || value.contains(u'\n') ||
                             value.contains(u'\r') ||
                             (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsQuotes)
        return value;
    return kQuote + QString(value).replace(kQuote, QStringLiteral("\"\"")) + kQuote;
}

QString spreadsheetText(const QString& value)
{
    static const QString starts = QStringLiteral("=+-@\t\r");
    if (value.isEmpty() || !starts.contains(value.front()))
        return value;
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?(\d{1,3}(,\d{3})+|\d+)(\.\d+)?$)"));
    if (number.match(value).hasMatch())
        return value;
    return QLatin1Char('\'') + value;
}

QString textOfSpreadsheetCell(const QString& cell)
{
    if (cell.size() >= 2 && cell.front() == u'\'' && spreadsheetText(cell.mid(1)) == cell)
        return cell.mid(1);
    return cell;
}

QString record(const QStringList& fields, QChar separator)
{
    QStringList written;
    written.reserve(fields.size());
    for (const QString& f : fields)
        written << field(f, separator);
    return written.join(separator) + QStringLiteral("\r\n");
}

Writer::Writer(QIODevice& device, QChar separator) : m_device(device), m_separator(separator)
{
    m_ok = m_device.write("\xEF\xBB\xBF") == 3;
}

bool Writer::write(const QStringList& fields)
{
    if (!m_ok)
        return false;
    const QByteArray bytes = record(fields, m_separator).toUtf8();
    m_ok = m_device.write(bytes) == bytes.size();
    return m_ok;
}

} // namespace Csv
