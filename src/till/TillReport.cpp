#include "till/TillReport.h"

#include "data/TextForms.h"
#include "platform/BandedReport.h"

#include <QDateTime>

namespace {

constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;

// "2026-12-10 07:05:00" as receipts show a moment: "December 10, 2026 7:05:00 AM".
QString moment(const QString& stored)
{
    const QDateTime when = QDateTime::fromString(stored, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return when.isValid() ? DateText(when.date()) + QLatin1Char(' ') + TimeText(when.time()) : stored;
}

} // namespace

BandedReport TillReport(const TillFigures& f, const QString& companyName, bool roll)
{
    const QString title = f.isZ() ? QStringLiteral("Z REPORT No. %1").arg(f.zNumber) : QStringLiteral("X REPORT");
    BandedReport report(f.isZ() ? QStringLiteral("Z Report %1").arg(f.zNumber) : QStringLiteral("X Report"));
    const double width = roll ? 72 : 180;
    const double line = roll ? 4.2 : 6;
    const double small = roll ? 8 : 10;
    if (roll)
        report.setRollPaper(80, QMarginsF(4, 4, 4, 4));
    else
        report.setPaper(QPageSize(QPageSize::A4), QMarginsF(15, 15, 15, 15));

    QStringList head{companyName, title, QStringLiteral("Till: %1").arg(f.till),
                     QStringLiteral("Opened: %1").arg(moment(f.openedAt)),
                     QStringLiteral("Opened by: %1").arg(f.openedBy)};
    if (f.isZ())
        head << QStringLiteral("Closed: %1").arg(moment(f.closedAt)) << QStringLiteral("Closed by: %1").arg(f.closedBy);
    else
        head << QStringLiteral("Printed: %1").arg(moment(DateTimeText()))
             << QStringLiteral("The session is still open.");
    double y = 0;
    for (int i = 0; i < head.size(); ++i) {
        const bool big = i < 2;
        const double h = big ? line * 1.4 : line;
        report.reportHeader.addLabel(QStringLiteral("lblHead%1").arg(i), head.at(i), QRectF(0, y, width, h),
                                     big ? small + 3 : small, big, big ? kCentre : Qt::AlignLeft | Qt::AlignVCenter);
        y += h;
    }
    report.reportHeader.addRule(y + 1);
    report.reportHeader.height = y + 2.5;

    QVector<QVector<QVariant>> rows;
    for (const auto& [caption, value] : f.lines())
        rows.push_back({caption, value});
    report.setRows({QStringLiteral("Caption"), QStringLiteral("Value")}, rows);
    report.detail.height = line;
    report.detail.addField(QStringLiteral("Caption"), QRectF(0, 0, width * 0.55, line), small);
    report.detail.addField(QStringLiteral("Value"), QRectF(width * 0.55, 0, width * 0.45, line), small, kRight);
    report.reportFooter.height = line * 2;
    report.reportFooter.addRule(0.5);
    report.reportFooter.addLabel(QStringLiteral("lblEnd"),
                                 f.isZ() ? QStringLiteral("END OF DAY - Z %1").arg(f.zNumber)
                                         : QStringLiteral("NOT A CLOSE - X"),
                                 QRectF(0, 1, width, line), small, true, kCentre);
    return report;
}
