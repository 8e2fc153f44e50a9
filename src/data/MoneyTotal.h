#pragma once

#include "data/TextForms.h"

#include <QString>
#include <QVariant>

// A running total of stored money figures (line amounts, amounts due, sold amounts). It stays
// exact to the cent however many figures it adds (compensated summation), and it remembers when
// a figure or the sum stopped being a finite number, so that a total too large for the machine
// says so instead of showing 0 or "inf".
class MoneyTotal
{
public:
    // What a total shows when it could not be added up.
    static QString tooLargeText() { return QStringLiteral("Total too large"); }

    void add(double amount);
    // Adds a stored value: a number as it is, a text read with the system's number format.
    // A text that is not a number (or an empty value) is skipped and gives false.
    // Adds it `times` times (a value and the number of rows holding it).
    bool add(const QVariant& stored, double times = 1);

    // True once a figure or the sum is beyond what a number can hold.
    bool overflowed() const;
    // The sum; meaningless when overflowed().
    double value() const { return m_sum + m_compensation; }
    // Plain decimal text of the sum ("1250.5"), or tooLargeText().
    QString text() const;
    // The sum in a display pattern, or tooLargeText().
    QString formatted(NumberPattern pattern) const;

private:
    double m_sum = 0;
    double m_compensation = 0;
    bool m_overflow = false;
};
