#include "data/MoneyTotal.h"

#include <cmath>
#include <optional>

namespace {

// A stored figure: a number as it is, a text read with the system's number format.
std::optional<double> storedNumber(const QVariant& stored)
{
    switch (stored.typeId()) {
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Int:
        return stored.toDouble();
    default:
        return ColumnNumber(stored.toString());
    }
}

} // namespace

void MoneyTotal::add(double amount)
{
    if (m_overflow)
        return;
    const double t = m_sum + amount;
    if (!std::isfinite(amount) || !std::isfinite(t)) {
        m_overflow = true;
        return;
    }
    m_compensation += std::fabs(m_sum) >= std::fabs(amount) ? (m_sum - t) + amount : (amount - t) + m_sum;
    m_sum = t;
}

bool MoneyTotal::add(const QVariant& stored, double times)
{
    const auto value = storedNumber(stored);
    if (!value)
        return false;
    add(*value * times);
    return true;
}

bool MoneyTotal::overflowed() const
{
    return m_overflow || !std::isfinite(value());
}

QString MoneyTotal::text() const
{
    return overflowed() ? tooLargeText() : PlainNumber(value());
}

QString MoneyTotal::formatted(NumberPattern pattern) const
{
    return overflowed() ? tooLargeText() : FormatNumber(value(), pattern);
}
