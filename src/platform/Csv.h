#pragma once

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

// Comma-separated text as spreadsheets write and read it: fields separated by a comma or a
// semicolon, a field in double quotes may hold separators, line breaks and doubled quotes,
// records end with CR LF or LF. Text is UTF-8, with or without a byte-order mark.
namespace Csv {

// One record and the line of the file it starts on (1 for the first line).
struct Record
{
    int line = 0;
    QStringList fields;
};

struct Table
{
    QChar separator = QLatin1Char(',');
    QList<Record> records; // the header row first; blank lines are left out
    QString error;         // why the text could not be read; records are then empty
    bool canceled = false; // the reading was stopped (error says so); records are then empty
    bool ok() const { return error.isEmpty(); }
};

// How far a long reading is: `done` of `total`. Returning false stops it.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Reads a whole file's bytes. The separator is the one of comma and semicolon that the first
// record (the header row) holds more of outside quotes; a comma when it holds neither. A large
// file is read in steps, each reported to `progress`, which may stop the reading.
Table parse(const QByteArray& bytes, const Progress& progress = {});

// A field as written: quoted when it holds the separator, a quote, a line break or blanks at
// either end, with its quotes doubled; otherwise as it is. Values are never altered.
QString field(const QString& value, QChar separator = QLatin1Char(','));
// A cell of a file made for a spreadsheet: text that a spreadsheet would run as a formula (it
// begins with =, +, -, @, a tab or a carriage return) gets a leading apostrophe, so it opens
// as the text it is. Numbers, such as "-5.00" or "+1,250", are left as they are.
QString spreadsheetText(const QString& value);
// The text such a cell stands for: the apostrophe spreadsheetText added is taken off again.
QString textOfSpreadsheetCell(const QString& cell);
// One record, fields joined by the separator and ended by CR LF.
QString record(const QStringList& fields, QChar separator = QLatin1Char(','));

// Writes records as UTF-8 with a byte-order mark (so spreadsheets read the accents right).
class Writer
{
public:
    explicit Writer(QIODevice& device, QChar separator = QLatin1Char(','));
    bool write(const QStringList& fields);
    bool ok() const { return m_ok; }

private:
    QIODevice& m_device;
    QChar m_separator;
    bool m_ok = true;
};

} // namespace Csv
