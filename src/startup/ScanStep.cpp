#include "startup/ScanStep.h"

#include "data/TextForms.h"

namespace {

const QString lineBreak = QStringLiteral("\r\n");

} // namespace

QString memoryText(std::uint64_t bytes)
{
    return FormatNumber(double(bytes) / 1024.0, NumberPattern::Grouped0) + QStringLiteral(" kb");
}

QString scanStepText(int value, const ScanFacts& facts)
{
    switch (value) {
    case 1:
        return QStringLiteral("Scanning Computer...");
    case 10:
        return QStringLiteral("Virtual Memory: ") + lineBreak + memoryText(facts.memory.availableVirtual);
    case 25:
        // This one figure follows its caption on the same line.
        return QStringLiteral("Physical Memory: ") + memoryText(facts.memory.availablePhysical);
    case 35:
        return QStringLiteral("Total Virtual Memory: ") + lineBreak + memoryText(facts.memory.totalVirtual);
    case 45:
        return QStringLiteral("Total Physical Memory: ") + lineBreak + memoryText(facts.memory.totalPhysical);
    case 55:
        return QStringLiteral("Total Drives: ") + lineBreak + QString::number(facts.driveCount) +
               QStringLiteral(" drive(s) found!");
    case 65:
        return QStringLiteral("Detecting System...");
    case 75:
        return QStringLiteral("OS Detected: ") + lineBreak + getVersion(facts.os);
    case 85:
        return QStringLiteral("Screen Resolution:") + lineBreak + QString::number(facts.screen.width()) +
               QStringLiteral(" x ") + QString::number(facts.screen.height());
    case HandOverStep:
        if (facts.userName)
            return QStringLiteral("Domain: ") + lineBreak + *facts.userName;
        return QStringLiteral("Domain is not detected!");
    default:
        return QString();
    }
}

int scanIntervalFactor(int value)
{
    switch (value) {
    case 1:
        return 310;
    case 10:
    case 35:
        return 100;
    case 25:
    case 65:
    case HandOverStep:
        return 55;
    case 45:
        return 400;
    case 55:
    case 85:
        return 200;
    case 75:
        return 110;
    default:
        return 0;
    }
}
