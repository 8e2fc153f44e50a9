#include "till/TillAmount.h"

#include "data/TextForms.h"

#include <cmath>

AmountReading readAmount(const QString& text)
{
    AmountReading reading;
    if (text.trimmed().isEmpty()) {
        reading.why = QStringLiteral("it is empty");
        return reading;
    }
    const TypedReading typed = ReadTypedPrice(text);
    if (!typed.value) {
        reading.why = typed.why.isEmpty() ? QStringLiteral("it is not a number") : typed.why;
        if (reading.why.startsWith(QLatin1String("a price")))
            reading.why = QStringLiteral("an amount is 0 or more and below 1,000,000,000");
        return reading;
    }
    // Whole cents only: the value times 100 must be a whole number (below 1e11, so a double
    // holds it exactly enough to tell 12.345 from 12.35).
    const double hundred = *typed.value * 100.0;
    const double whole = std::round(hundred);
    if (std::fabs(hundred - whole) > 1e-6) {
        reading.why = QStringLiteral("an amount has at most two decimals");
        return reading;
    }
    reading.cents = static_cast<qint64>(whole);
    return reading;
}
