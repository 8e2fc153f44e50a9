#include "platform/SystemFacts.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStorageInfo>

#include <pwd.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <vector>

namespace {

// A /proc/meminfo figure in bytes, or nothing.
std::optional<std::uint64_t> meminfo(const QByteArray& key)
{
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key + ':')) {
            const QList<QByteArray> parts = line.mid(key.size() + 1).simplified().split(' ');
            bool ok = false;
            const std::uint64_t kb = parts.value(0).toULongLong(&ok);
            if (ok)
                return kb * 1024;
        }
    }
    return std::nullopt;
}

} // namespace

namespace SystemFacts {

MemoryStatus memory()
{
    MemoryStatus status;
    struct sysinfo info
    {
    };
    if (sysinfo(&info) == 0) {
        const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
        status.totalPhysical = std::uint64_t(info.totalram) * unit;
        status.availablePhysical = meminfo("MemAvailable").value_or(std::uint64_t(info.freeram) * unit);
        status.totalVirtual = status.totalPhysical + std::uint64_t(info.totalswap) * unit;
        status.availableVirtual = status.availablePhysical + std::uint64_t(info.freeswap) * unit;
    }
    return status;
}

QStringList drives()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady())
            roots << volume.rootPath();
    }
    return roots;
}

int driveCount()
{
    return int(drives().size());
}

OsVersion osVersion()
{
    // Linux is neither of the two Windows families; its kernel version fills the numbers.
    OsVersion version{3, 0, 0};
    struct utsname name
    {
    };
    if (uname(&name) == 0) {
        const QList<QByteArray> parts = QByteArray(name.release).split('.');
        version.major = parts.value(0).toInt();
        version.minor = parts.value(1).toInt();
    }
    return version;
}

QSize screenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QSize();
    // Qt sizes are device-independent; the scan reports the screen's own pixels.
    return (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize();
}

std::optional<QString> loginName()
{
    // A buffer of 1024 characters, cut at the first NUL.
    std::vector<char> buffer(1024, '\0');
    if (getlogin_r(buffer.data(), buffer.size()) == 0 && buffer[0] != '\0')
        return QString::fromLocal8Bit(buffer.data());
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && pw->pw_name[0])
        return QString::fromLocal8Bit(pw->pw_name);
    return std::nullopt;
}

} // namespace SystemFacts

QString getVersion(const OsVersion& version)
{
    switch (version.platformId) {
    case 1:
        switch (version.minor) {
        case 0:
            return QStringLiteral("Windows 95");
        case 10:
            return QStringLiteral("Windows 98");
        case 90:
            return QStringLiteral("Windows Millennium");
        default:
            return QString();
        }
    case 2:
        switch (version.major) {
        case 3:
            return QStringLiteral("Windows NT 3.51");
        case 4:
            return QStringLiteral("Windows NT 4.0");
        case 5:
            return version.minor == 0 ? QStringLiteral("Windows 2000") : QStringLiteral("Windows XP");
        default:
            return QString();
        }
    default:
        return QStringLiteral("Advance Windows Detected");
    }
}
