#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// Facts about the computer that the start-up scan shows. Memory figures are 64-bit byte counts.
struct MemoryStatus
{
    std::uint64_t availableVirtual = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availablePhysical = 0;
    std::uint64_t totalPhysical = 0;
};

struct OsVersion
{
    int platformId = 0;
    int major = 0;
    int minor = 0;
};

namespace SystemFacts {
MemoryStatus memory();
// The mounted, ready volumes (root paths), as the drive list shows them.
QStringList drives();
int driveCount();
OsVersion osVersion();
// The primary screen's size in device pixels; empty when there is no screen.
QSize screenSize();
// The name of the user logged on to the computer; nothing when it cannot be found.
std::optional<QString> loginName();
} // namespace SystemFacts

// The operating-system name for a platform id and version (1: the 9x family, 2: the NT family).
QString getVersion(const OsVersion& version);
