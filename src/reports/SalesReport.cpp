#include "reports/SalesReport.h"

#include "data/Recordset.h"
#include "data/TextForms.h"
#include "pricing/PricingStore.h"
#include "reports/SalesQueries.h"
#include "returns/Returns.h"

namespace {

// Column positions across the printable width (millimetres), shared by headings and fields.
struct Column
{
    const char* heading;
    const char* headingName;
    const char* field;
    double x;
    double width;
    Qt::Alignment align;
};

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kDarkRed(0x8b, 0x00, 0x00);

const Column kColumns[] = {
    {"DATE", "Label1", "BusinessDate", 0, 42, kLeft},      {"TIME:", "Label2", "BusinessTime", 44, 26, kLeft},
    {"AMOUNT DUE", "Label3", "AmountDue", 72, 28, kRight}, {"CASH", "Label4", "Cash", 102, 24, kRight},
    {"CHANGE", "Label6", "Change", 128, 24, kRight},       {"CASHIER", "Label5", "Cashier", 156, 24, kLeft},
};

} // namespace

BandedReport SalesReport(const Recordset& rows, const QString& total, std::optional<qint64> refunds,
                         const PricingFigures* pricing)
{
    BandedReport report(QStringLiteral("Zarel's Customized Sales Report"));

    report.reportHeader.height = 26;
    report.reportHeader.addLabel(QStringLiteral("Label9"), QStringLiteral("SALES REPORT"), QRectF(0, 0, 180, 10), 18,
                                 true, Qt::AlignHCenter | Qt::AlignVCenter);
    report.reportHeader
        .addLabel(QStringLiteral("Label11"), QStringLiteral("Zarel's Customized Sales and Inventory System"),
                  QRectF(0, 11, 180, 7), 10, false, Qt::AlignHCenter | Qt::AlignVCenter)
        .color = kGrey;
    report.reportHeader.addRule(22);

    report.pageHeader.height = 9;
    report.detail.height = 6;
    for (const Column& c : kColumns) {
        report.pageHeader.addLabel(QString::fromLatin1(c.headingName), QString::fromLatin1(c.heading),
                                   QRectF(c.x, 1, c.width, 6), 9, true, c.align);
        report.detail.addField(QString::fromLatin1(c.field), QRectF(c.x, 0, c.width, 6), 9, c.align);
    }
    report.pageHeader.addRule(8);

    report.pageFooter.height = 8;
    report.pageFooter
        .addLabel(QStringLiteral("Label10"), QStringLiteral("TOLVENCO SYSTEM SOLUTION"), QRectF(0, 1, 180, 6), 8, false,
                  Qt::AlignHCenter | Qt::AlignVCenter)
        .color = kGrey;

    report.reportFooter.height = 14;
    report.reportFooter.addRule(1);
    report.reportFooter.addLabel(QStringLiteral("Label8"), QStringLiteral("SALES:"), QRectF(72, 4, 28, 7), 11, true,
                                 kRight);
    report.reportFooter
        .addLabel(QStringLiteral("Label7"), QStringLiteral("Label7"), QRectF(102, 4, 50, 7), 11, true, kLeft)
        .color = kDarkRed;
    report.reportFooter.addRule(13);

    report.setRows(rows.columns(), rows.rows());
    const QString sales = total.isNull() ? SumAmountDue(rows) : total;
    report.setCaption(QStringLiteral("Label7"), FormatText(sales, NumberPattern::Grouped2));
    if (refunds) {
        // Beneath the sales: the refunds of the same day or span, and what is left of the sales.
        report.reportFooter.height = 28;
        report.reportFooter.addLabel(QStringLiteral("lblRefundsCaption"), QStringLiteral("REFUNDS:"),
                                     QRectF(72, 12, 28, 6), 10, true, kRight);
        report.reportFooter.addLabel(QStringLiteral("lblRefunds"), Cents::text(*refunds), QRectF(102, 12, 50, 6), 10,
                                     false, kLeft);
        const auto salesCents = Cents::fromText(sales);
        report.reportFooter.addLabel(QStringLiteral("lblNetCaption"), QStringLiteral("NET:"), QRectF(72, 19, 28, 6), 10,
                                     true, kRight);
        report.reportFooter.addLabel(QStringLiteral("lblNet"),
                                     salesCents ? Cents::text(*salesCents - *refunds) : QString(),
                                     QRectF(102, 19, 50, 6), 10, true, kLeft);
        report.reportFooter.addRule(27);
    }
    if (pricing && !pricing->isEmpty()) {
        // Beneath them: the discounts given and the tax of each rate, as the sales were priced.
        ReportBand& band = report.reportFooter;
        double y = band.height;
        const auto line = [&](const QString& name, const QString& caption, const QString& value) {
            band.addLabel(name + QStringLiteral("Caption"), caption, QRectF(20, y, 80, 6), 10, true, kRight);
            band.addLabel(name, value, QRectF(102, y, 78, 6), 10, false, kLeft);
            y += 7;
        };
        for (const PricingFigures::Line& l : pricing->reportLines())
            line(l.name, l.caption, l.value);
        band.addRule(y);
        band.height = y + 1;
    }
    return report;
}
