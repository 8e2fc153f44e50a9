#pragma once

#include <QString>

#include <optional>

// An amount of the shop's money as a cashier types it (a float, cash in or out, a count, a
// card payment): read in the system's number format as prices are, 0 or more, below a
// billion, and at most two decimals. Empty text is no amount.
struct AmountReading
{
    std::optional<qint64> cents;
    QString why; // when there is no amount: the reason, to follow a sentence naming the box
};

AmountReading readAmount(const QString& text);
