#include "inventory/InventoryReport.h"

#include "pricing/PricingStore.h"

#include "data/MoneyTotal.h"
#include "data/Recordset.h"
#include "data/TextForms.h"
#include "returns/Returns.h"

#include <QLocale>

namespace InventoryReport {

namespace {

// Column positions in millimetres across the printable width of an A4 page.
struct Column
{
    const char* heading;
    const char* label;
    const char* field;
    double x;
    double width;
    Qt::Alignment align;
};

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

const Column kColumns[] = {
    {"ITEM NUMBER", "Label1", "ItemNumber", 0, 30, kLeft}, {"ITEM NAME", "Label2", "ItemName", 32, 62, kLeft},
    {"QUANTITY", "Label4", "Quantity", 96, 22, kRight},    {"AMOUNT", "Label6", "Amount", 120, 28, kRight},
    {"CASHIER", "Label5", "Cashier", 154, 26, kLeft},
};

constexpr double kWidth = 180;

} // namespace

QString headerDate(const QDate& printedOn)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(printedOn, QStringLiteral("dddd MMMM dd, yyyy"));
}

QString linesTotal(const Recordset& lines)
{
    const int amount = indexOfColumn(lines.columns(), QStringLiteral("Amount"));
    MoneyTotal total;
    if (amount >= 0) {
        for (const auto& row : lines.rows())
            total.add(row.at(amount));
    }
    return total.formatted(NumberPattern::Grouped2);
}

BandedReport build(const Recordset& lines, const QDate& printedOn, std::optional<qint64> refunds,
                   const PricingFigures* pricing)
{
    BandedReport report(QStringLiteral("Zarel's Customized Inventory Report"));

    // Report header: title, system name, the day of printing, a rule.
    report.reportHeader.height = 30;
    report.reportHeader.addLabel(QStringLiteral("Label9"), QStringLiteral("INVENTORY ITEM SOLD REPORT"),
                                 QRectF(0, 0, kWidth, 10), 16, true, Qt::AlignHCenter | Qt::AlignVCenter);
    report.reportHeader
        .addLabel(QStringLiteral("Label11"), QStringLiteral("Zarel's Customized Sales and Inventory System"),
                  QRectF(0, 10, kWidth, 7), 10, false, Qt::AlignHCenter | Qt::AlignVCenter)
        .color = Qt::gray;
    report.reportHeader.addLabel(QStringLiteral("Label8"), QStringLiteral("SALES:"), QRectF(0, 18, kWidth, 7), 10,
                                 false, Qt::AlignHCenter | Qt::AlignVCenter);
    report.reportHeader.addRule(27);

    // Page header: the column headings on every page.
    report.pageHeader.height = 10;
    for (const Column& c : kColumns)
        report.pageHeader.addLabel(QLatin1String(c.label), QLatin1String(c.heading), QRectF(c.x, 1, c.width, 7), 9,
                                   true, c.align);
    report.pageHeader.addRule(9);

    // Detail: one line per sold line, each value as stored.
    report.detail.height = 6;
    for (const Column& c : kColumns)
        report.detail.addField(QLatin1String(c.field), QRectF(c.x, 0, c.width, 6), 9, c.align);

    // Page footer.
    report.pageFooter.height = 10;
    report.pageFooter.addRule(1);
    report.pageFooter
        .addLabel(QStringLiteral("Label10"), QStringLiteral("TOLVENCO SYSTEM SOLUTION"), QRectF(0, 2, kWidth / 2, 7), 8,
                  false, kLeft)
        .color = Qt::gray;
    report.pageFooter.addLabel(QStringLiteral("PageNumber"), QStringLiteral("Page {page} of {pages}"),
                               QRectF(kWidth / 2, 2, kWidth / 2, 7), 8, false, kRight);

    // Report footer: the total of the printed lines.
    report.reportFooter.height = 12;
    report.reportFooter.addRule(1, 96, kWidth - 96);
    report.reportFooter.addLabel(QStringLiteral("Label3"), QStringLiteral("SALES:"), QRectF(96, 3, 22, 7), 10, true,
                                 kRight);
    report.reportFooter
        .addLabel(QStringLiteral("Label7"), QStringLiteral("Label7"), QRectF(120, 3, 28, 7), 10, true, kRight)
        .color = QColor(0x8b, 0, 0); // dark red

    report.setCaption(QStringLiteral("Label8"), headerDate(printedOn));
    const QString total = linesTotal(lines);
    report.setCaption(QStringLiteral("Label7"), total);
    if (refunds) {
        report.reportFooter.height = 26;
        report.reportFooter.addLabel(QStringLiteral("lblRefundsCaption"), QStringLiteral("REFUNDS:"),
                                     QRectF(96, 11, 22, 6), 10, true, kRight);
        report.reportFooter.addLabel(QStringLiteral("lblRefunds"), Cents::text(*refunds), QRectF(120, 11, 28, 6), 10,
                                     false, kRight);
        const auto sales = Cents::fromText(total);
        report.reportFooter.addLabel(QStringLiteral("lblNetCaption"), QStringLiteral("NET:"), QRectF(96, 18, 22, 6), 10,
                                     true, kRight);
        report.reportFooter.addLabel(QStringLiteral("lblNet"), sales ? Cents::text(*sales - *refunds) : QString(),
                                     QRectF(120, 18, 28, 6), 10, true, kRight);
    }
    if (pricing && !pricing->isEmpty()) {
        // The day's discounts and the tax of each rate, as its sales were priced.
        ReportBand& band = report.reportFooter;
        double y = band.height;
        const auto line = [&](const QString& name, const QString& caption, const QString& value) {
            band.addLabel(name + QStringLiteral("Caption"), caption, QRectF(0, y, 100, 6), 10, true, kRight);
            band.addLabel(name, value, QRectF(102, y, kWidth - 102, 6), 10, false, kRight);
            y += 7;
        };
        for (const PricingFigures::Line& l : pricing->reportLines())
            line(l.name, l.caption, l.value);
        band.height = y + 1;
    }
    report.setRows(lines.columns(), lines.rows());
    return report;
}

} // namespace InventoryReport
