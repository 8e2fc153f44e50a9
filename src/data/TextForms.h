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

// A stored column value read with the system's number format: surrounding blanks are allowed,
// thousands separators are accepted ("1,251" gives 1251), and anything that is not a number
// gives no value.
std::optional<double> ColumnNumber(const QString& text);

// Item prices are no dearer than this (exclusive), so a line amount times any stock stays finite.
inline constexpr double MaxItemPrice = 1'000'000'000.0;

// An item price: a text that reads wholly as a number with the system's number format
// (ColumnNumber), finite, 0 or more and below MaxItemPrice. Registration accepts only such texts
// and the till reads every stored price this way, so what is shown, charged and stored agree.
std::optional<double> PriceFromText(const QString& text);

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
