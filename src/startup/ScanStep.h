#pragma once

#include "platform/SystemFacts.h"

#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

// What the start-up scan shows about the computer, read from the system when a step needs it.
struct ScanFacts
{
    MemoryStatus memory;
    int driveCount = 0;
    OsVersion os;
    QSize screen;
    // The logged-on user's name; nothing when it cannot be found.
    std::optional<QString> userName;
};

// The scan's last step, at which the main window is loaded and given the computer's user name.
inline constexpr int HandOverStep = 90;
// The value at which the scan ends and the main window is shown.
inline constexpr int FinalStep = 100;

// The line a memory figure is shown as: kilobytes with thousands separators, " kb".
QString memoryText(std::uint64_t bytes);

// The text the scan shows when its counter reaches `value`; empty at a value with no step.
QString scanStepText(int value, const ScanFacts& facts);

// The factor of the random interval after the step at `value` (the next step comes after a
// whole number of milliseconds from 0 to factor - 1); 0 at a value with no step.
int scanIntervalFactor(int value);
