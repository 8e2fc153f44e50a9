#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

// The text forms in which the program stores and shows dates, times and numbers.
// They never depend on the machine's locale: dates and times are US English.

// "MMMM dd, yyyy", e.g. "March 05, 2011".
QString DateText(const QDate& date = QDate::currentDate());
// "h:mm:ss AP", e.g. "2:05:07 PM".
QString TimeText(const QTime& time = QTime::currentTime());
// Reads a DateText back; an invalid QDate when the text is not one.
QDate DateFromText(const QString& text);
// The stored form of a date-time column ("yyyy-MM-dd HH:mm:ss", SQLite's own form).
QString DateTimeText(const QDateTime& when = QDateTime::currentDateTime());

// The number a typed or displayed text stands for: blanks, tabs and line feeds are skipped
// wherever they stand; then an optional sign, digits with at most one period, and an optional
// exponent (E or D, optional sign, digits) are read up to the first character that cannot
// continue the number. "&H" and "&O" read a hexadecimal or octal whole number. A text without
// a leading number gives 0; nothing fails. "12abc" gives 12, "1,500" gives 1.
double NumberFromText(const QString& text);

// The decimal mark and the thousands separator a number is written with.
struct NumberMarks
{
    QChar decimal;
    QChar group;
};
// The program's own: it stores and shows numbers as "1,250.5".
NumberMarks ProgramMarks();
// Those of the system's number format (the default QLocale: the machine's, unless the program
// sets another).
NumberMarks SystemMarks();

// A text that reads wholly as one number written with `marks`: surrounding blanks allowed, an
// optional sign, a whole part whose thousands separators stand between groups of three digits
// ("1,250", never "12,50" or "1,2,3"), an optional fraction and exponent. No value otherwise.
std::optional<double> NumberWithMarks(const QString& text, const NumberMarks& marks);

// A stored column value, in the program's own form (NumberWithMarks with ProgramMarks):
// "1,251" gives 1251, "12,50" and anything else that is not one number gives no value.
std::optional<double> ColumnNumber(const QString& text);

// A number typed by a person or read from a file made by one: its value, or why it has none.
struct TypedReading
{
    std::optional<double> value;
    QString why; // when there is no value, the reason, to follow a message naming the box
};
// Read with the system's number format. Where that format differs from the program's own, a
// text in the program's form (as the program shows numbers) reads as well; a text the two
// forms read as different numbers ("1,250" where the comma is the decimal mark) is refused.
TypedReading ReadTypedNumber(const QString& text);
std::optional<double> TypedNumber(const QString& text);
// The text to store for a typed number: the typed text when the program reads it back as the
// same value, otherwise the value in plain decimal text ("12,5" typed with a decimal comma
// is stored as 12.5).
QString StoredNumberText(const QString& typed, double value);

// Item prices are no dearer than this (exclusive), so a line amount times any stock stays finite.
inline constexpr double MaxItemPrice = 1'000'000'000.0;

// An item price as stored: a text that reads wholly as a number in the program's form
// (ColumnNumber), finite, 0 or more and below MaxItemPrice. Registration accepts only such texts
// and the till reads every stored price this way, so what is shown, charged and stored agree.
std::optional<double> PriceFromText(const QString& text);
// A typed price (ReadTypedNumber) in the same range.
TypedReading ReadTypedPrice(const QString& text);

// Plain decimal text: the shortest text of at most 15 significant digits (and at most 10
// decimals), no separators, no padding, no exponent below 1e15 (1250.5, 45, 0.3).
QString PlainNumber(double value);

// The display patterns. Halves are rounded away from zero, on the 15-digit decimal value.
enum class NumberPattern {
    Grouped2, // "#,##0.00"
    Grouped0, // "#,##0"
    Plain2,   // "0.00"
};
QString FormatNumber(double value, NumberPattern pattern);
// Formats a text: one that reads as a number (ColumnNumber) is formatted as that number,
// an empty text stays empty, any other text is returned unchanged.
QString FormatText(const QString& text, NumberPattern pattern);
