#include "sales/Receipt.h"

#include "data/TextForms.h"
#include "platform/BandedReport.h"
#include "platform/Platform.h"
#include "pricing/PricingStore.h"
#include "data/Database.h"
#include "returns/Returns.h"
#include "catalog/BarcodePainter.h"
#include "catalog/BarcodeSymbol.h"
#include "sales/Cart.h"
#include "sales/ReceiptStore.h"
#include "session/AppContext.h"

#include <QFontMetricsF>
#include <QImage>

#include <algorithm>
#include <cmath>

namespace {

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;
const QColor kGrey(0x80, 0x80, 0x80);

const QString kThanks = QStringLiteral("Thank you for shopping with us!");

// The sizes of one paper's layout, in millimetres and points.
struct Layout
{
    double width;     // printable width
    double line;      // height of one line of small text
    double small;     // point size of the body text
    double title;     // point size of the company name
    double totalSize; // point size of the total
};

const Layout kRoll{72, 4.5, 8, 11, 10};
const Layout kSheet{180, 5.5, 10, 16, 12};

// The lines the company name takes in the header's bold title font across the paper's width.
int companyLines(const QString& name, const Layout& l)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(l.title);
    font.setBold(true);
    // Measured as a printer of 1200 dots per inch lays it out.
    QImage device(1, 1, QImage::Format_Mono);
    constexpr double kDotsPerMm = 1200 / 25.4;
    device.setDotsPerMeterX(qRound(kDotsPerMm * 1000));
    device.setDotsPerMeterY(qRound(kDotsPerMm * 1000));
    const QFontMetricsF metrics(font, &device);
    const QRectF used = metrics.boundingRect(QRectF(0, 0, l.width * kDotsPerMm, 1e6), Qt::TextWordWrap, name);
    const int lines = static_cast<int>(std::ceil(used.height() / metrics.lineSpacing() - 0.01));
    return std::clamp(lines, 1, 3);
}

// The company name (when the shop has one), a mark ("COPY", "RETURN") when the receipt has one,
// and the particulars, one per line, then a rule.
void addHeader(BandedReport& report, const Layout& l, const QString& company, bool marked,
               const QStringList& particulars)
{
    ReportBand& band = report.reportHeader;
    double y = 0;
    if (!company.trimmed().isEmpty()) {
        // A long name wraps onto as many lines as it needs (three at most) instead of being cut.
        const double height = l.line * 1.6 * companyLines(company, l);
        band.addLabel(QStringLiteral("lblCompany"), QString(), QRectF(0, 0, l.width, height), l.title, true, kCentre)
            .wrap = true;
        y = height + 2;
    }
    if (marked) {
        band.addLabel(QStringLiteral("lblMark"), QString(), QRectF(0, y, l.width, l.line * 1.4), l.totalSize, true,
                      kCentre);
        y += l.line * 1.4 + 1;
    }
    for (const QString& name : particulars) {
        band.addLabel(name, QString(), QRectF(0, y, l.width, l.line), l.small);
        y += l.line;
    }
    band.addRule(y + 2);
    band.height = y + 4;
}

const QStringList kSaleParticulars = {QStringLiteral("lblSaleNumber"), QStringLiteral("lblDate"),
                                      QStringLiteral("lblTime"), QStringLiteral("lblCashier")};
const QStringList kReturnParticulars = {QStringLiteral("lblSaleNumber"), QStringLiteral("lblForSale"),
                                        QStringLiteral("lblDate"),       QStringLiteral("lblTime"),
                                        QStringLiteral("lblCashier"),    QStringLiteral("lblApprover")};

// Total, cash and change, a rule and the thank-you line. The captions stand from `captionX`,
// the figures from `figureX` to the right margin.
void addFooter(BandedReport& report, const Layout& l, double captionX, double figureX,
               const QVector<std::pair<QString, QString>>& pricing = {})
{
    ReportBand& band = report.reportFooter;
    const double captionWidth = figureX - captionX;
    const double figureWidth = l.width - figureX;
    band.addRule(1);
    const double totalLine = l.line * 1.4;
    band.addLabel(QStringLiteral("lblTotalCaption"), QStringLiteral("TOTAL"),
                  QRectF(captionX, 3, captionWidth, totalLine), l.totalSize, true);
    band.addLabel(QStringLiteral("lblTotal"), QString(), QRectF(figureX, 3, figureWidth, totalLine), l.totalSize, true,
                  kRight);
    double y = 3 + totalLine + 1;
    for (const auto& [caption, name] : {std::pair{"CASH", "lblCash"}, std::pair{"CHANGE", "lblChange"}}) {
        band.addLabel(QString::fromLatin1(name) + QStringLiteral("Caption"), QString::fromLatin1(caption),
                      QRectF(captionX, y, captionWidth, l.line), l.small);
        band.addLabel(QString::fromLatin1(name), QString(), QRectF(figureX, y, figureWidth, l.line), l.small, false,
                      kRight);
        y += l.line;
    }
    // Discounts and tax per rate, for a sale that has them.
    if (!pricing.isEmpty()) {
        band.addRule(y + 1);
        y += 2.5;
        for (qsizetype i = 0; i < pricing.size(); ++i) {
            band.addLabel(QStringLiteral("lblPricingCaption%1").arg(i), pricing.at(i).first,
                          QRectF(0, y, figureX - 1, l.line), l.small);
            band.addLabel(QStringLiteral("lblPricing%1").arg(i), pricing.at(i).second,
                          QRectF(figureX - 1, y, l.width - figureX + 1, l.line), l.small, false, kRight);
            y += l.line;
        }
    }
    band.addRule(y + 2);
    band.addLabel(QStringLiteral("lblThanks"), kThanks, QRectF(0, y + 4, l.width, l.line), l.small, false, kCentre);
    band.height = y + 4 + l.line + 2;
}

// The sale's number as a Code 128 symbol under the footer, so that a return can scan it.
void addSaleSymbol(BandedReport& report, const Layout& l, const QString& saleNumber)
{
    const BarcodeSymbol symbol = encodeCode128(saleNumber);
    if (!symbol.ok())
        return;
    ReportBand& band = report.reportFooter;
    constexpr double kHeight = 14;
    const double width = std::min(l.width, 60.0);
    band.addPicture(QStringLiteral("picSaleNumber"), QRectF((l.width - width) / 2, band.height, width, kHeight),
                    [symbol](QPainter& painter, const QRectF& rect) { paintBarcode(painter, symbol, rect); });
    band.height += kHeight + 2;
}

// A roll is narrow: each line prints its name on a line of its own, then quantity, price and
// amount beneath it.
void layRoll(BandedReport& report, const QString& company, bool marked, const QStringList& particulars,
             const QVector<std::pair<QString, QString>>& pricing = {})
{
    const Layout& l = kRoll;
    report.setRollPaper(80, QMarginsF(4, 4, 4, 4));
    addHeader(report, l, company, marked, particulars);
    report.pageHeader.height = l.line + 2;
    report.pageHeader.addLabel(QStringLiteral("lblQtyPriceHead"), QStringLiteral("QTY x PRICE"),
                               QRectF(0, 0, 40, l.line), l.small, true);
    report.pageHeader.addLabel(QStringLiteral("lblAmountHead"), QStringLiteral("AMOUNT"), QRectF(40, 0, 32, l.line),
                               l.small, true, kRight);
    report.pageHeader.addRule(l.line + 1);
    report.detail.height = l.line * 2 + 0.5;
    report.detail.addField(QStringLiteral("Name"), QRectF(0, 0, l.width, l.line), l.small);
    report.detail.addField(QStringLiteral("Quantity"), QRectF(0, l.line, 9, l.line), l.small, kRight);
    report.detail.addLabel(QStringLiteral("lblTimes"), QStringLiteral("x"), QRectF(10, l.line, 3, l.line), l.small);
    report.detail.addField(QStringLiteral("Price"), QRectF(14, l.line, 26, l.line), l.small);
    report.detail.addField(QStringLiteral("Amount"), QRectF(40, l.line, 32, l.line), l.small, kRight);
    addFooter(report, l, 0, 24, pricing);
}

// An A4 sheet: one line per sold line, in columns, with the headings on every page.
void laySheet(BandedReport& report, const QString& company, bool marked, const QStringList& particulars,
              const QVector<std::pair<QString, QString>>& pricing = {})
{
    const Layout& l = kSheet;
    report.setPaper(QPageSize(QPageSize::A4), QMarginsF(15, 15, 15, 15));
    addHeader(report, l, company, marked, particulars);
    struct Column
    {
        const char* heading;
        const char* field;
        double x;
        double width;
        Qt::Alignment align;
    };
    // Price and amount are wide enough for the largest figures a till takes (a price below a
    // billion, an amount of many such), printed whole.
    static const Column columns[] = {{"ITEM", "Name", 0, 72, kLeft},
                                     {"QTY", "Quantity", 74, 18, kRight},
                                     {"PRICE", "Price", 94, 38, kRight},
                                     {"AMOUNT", "Amount", 134, 46, kRight}};
    report.pageHeader.height = l.line + 3;
    report.detail.height = l.line + 1;
    for (const Column& c : columns) {
        report.pageHeader.addLabel(QStringLiteral("lbl%1Head").arg(QString::fromLatin1(c.field)),
                                   QString::fromLatin1(c.heading), QRectF(c.x, 0.5, c.width, l.line), l.small - 1, true,
                                   c.align);
        report.detail.addField(QString::fromLatin1(c.field), QRectF(c.x, 0, c.width, l.line + 1), l.small, c.align);
    }
    report.pageHeader.addRule(l.line + 1.5);
    report.pageFooter.height = 8;
    report.pageFooter
        .addLabel(QStringLiteral("lblPage"), QStringLiteral("Page {page} of {pages}"), QRectF(0, 2, l.width, 5), 8,
                  false, kCentre)
        .color = kGrey;
    addFooter(report, l, 74, 120, pricing);
}

} // namespace

bool addPricing(AppContext& ctx, const QString& saleNumber, ReceiptData& receipt)
{
    const auto sold = PricingStore(ctx.db, ctx.till).soldSale(saleNumber);
    if (!sold)
        return false;
    receipt.pricing.clear();
    if (sold->discounts > 0)
        receipt.pricing.push_back({QStringLiteral("DISCOUNTS"), Pricing::centsText(-sold->discounts)});
    if (!sold->rates.isEmpty())
        receipt.pricing.push_back({QStringLiteral("TAX RATE"), QStringLiteral("NET / TAX / GROSS")});
    for (const Pricing::RateTotal& r : sold->rates)
        receipt.pricing.push_back(
            {TaxRate{-1, r.name, r.rate, false}.label(),
             QStringLiteral("%1 / %2 / %3")
                 .arg(Pricing::centsText(r.net), Pricing::centsText(r.tax), Pricing::centsText(r.gross))});
    return true;
}

BandedReport ReceiptReport(const ReceiptData& receipt, ReceiptPaper paper)
{
    BandedReport report(QStringLiteral("Receipt %1").arg(receipt.saleNumber));
    QVector<QVector<QVariant>> rows;
    for (const ReceiptLine& line : receipt.lines)
        rows.push_back({line.name, line.quantity, line.price, line.amount});
    report.setRows(
        {QStringLiteral("Name"), QStringLiteral("Quantity"), QStringLiteral("Price"), QStringLiteral("Amount")}, rows);
    const QString& company = receipt.company;
    QStringList particulars = kSaleParticulars;
    if (!receipt.exchange.isEmpty())
        particulars << QStringLiteral("lblExchange");
    if (!receipt.card.isEmpty())
        particulars << QStringLiteral("lblCard");
    if (paper == ReceiptPaper::A4)
        laySheet(report, company, receipt.copy, particulars, receipt.pricing);
    else
        layRoll(report, company, receipt.copy, particulars, receipt.pricing);
    addSaleSymbol(report, paper == ReceiptPaper::A4 ? kSheet : kRoll, receipt.saleNumber);
    report.setCaption(QStringLiteral("lblExchange"), receipt.exchange);
    report.setCaption(QStringLiteral("lblCard"), QStringLiteral("Paid by card: ") + receipt.card);
    report.setCaption(QStringLiteral("lblCompany"), receipt.company);
    report.setCaption(QStringLiteral("lblMark"), QStringLiteral("COPY"));
    report.setCaption(QStringLiteral("lblSaleNumber"), QStringLiteral("Sale No.: ") + receipt.saleNumber);
    report.setCaption(QStringLiteral("lblDate"), QStringLiteral("Date: ") + receipt.date);
    report.setCaption(QStringLiteral("lblTime"), QStringLiteral("Time: ") + receipt.time);
    report.setCaption(QStringLiteral("lblCashier"), QStringLiteral("Cashier: ") + receipt.cashier);
    report.setCaption(QStringLiteral("lblTotal"), receipt.total);
    report.setCaption(QStringLiteral("lblCash"), receipt.cash);
    report.setCaption(QStringLiteral("lblChange"), receipt.change);
    return report;
}

BandedReport ReturnReceiptReport(const ReturnRecord& record, const QString& companyName, ReceiptPaper paper)
{
    BandedReport report(QStringLiteral("Return %1").arg(record.returnNumber));
    QVector<QVector<QVariant>> rows;
    for (const ReturnedLine& line : record.lines)
        rows.push_back({line.itemName, QString::number(line.quantity),
                        line.quantity > 0 ? Cents::text(line.refund / line.quantity) : QString(),
                        Cents::text(-line.refund)});
    report.setRows(
        {QStringLiteral("Name"), QStringLiteral("Quantity"), QStringLiteral("Price"), QStringLiteral("Amount")}, rows);
    const QString& company = companyName;
    QStringList particulars = kReturnParticulars;
    if (record.exchange)
        particulars << QStringLiteral("lblExchange");
    if (paper == ReceiptPaper::A4)
        laySheet(report, company, true, particulars);
    else
        layRoll(report, company, true, particulars);
    report.setCaption(QStringLiteral("lblExchange"),
                      record.exchangeSale.isEmpty()
                          ? QStringLiteral("Exchange: credit for the next sale at till %1").arg(record.till)
                          : QStringLiteral("Exchanged for sale No. %1").arg(record.exchangeSale));
    report.setCaption(QStringLiteral("lblCompany"), companyName);
    report.setCaption(QStringLiteral("lblMark"), QStringLiteral("RETURN"));
    report.setCaption(QStringLiteral("lblSaleNumber"), QStringLiteral("Return No.: %1").arg(record.returnNumber));
    report.setCaption(QStringLiteral("lblForSale"), QStringLiteral("For sale No. %1").arg(record.saleNumber));
    report.setCaption(QStringLiteral("lblDate"), QStringLiteral("Date: ") + record.date);
    report.setCaption(QStringLiteral("lblTime"), QStringLiteral("Time: ") + record.time);
    report.setCaption(QStringLiteral("lblCashier"), QStringLiteral("Cashier: ") + record.cashier);
    report.setCaption(QStringLiteral("lblApprover"), QStringLiteral("Approved by: ") + record.approver);
    report.setCaption(QStringLiteral("lblTotalCaption"), QStringLiteral("REFUND"));
    report.setCaption(QStringLiteral("lblTotal"), Cents::text(-record.refund));
    report.setCaption(QStringLiteral("lblCashCaption"), QString());
    report.setCaption(QStringLiteral("lblCash"), QString());
    report.setCaption(QStringLiteral("lblChangeCaption"), QString());
    report.setCaption(QStringLiteral("lblChange"), QString());
    return report;
}

bool printReturnReceipt(AppContext& ctx, QWidget* parent, qint64 returnNumber, ReceiptPaper paper)
{
    const auto record = Returns(ctx.db, ctx.till).record(returnNumber);
    const Recordset main = ctx.db.query(QStringLiteral("SELECT CompanyName FROM tblMain"));
    if (!record) {
        ctx.platform.message(parent,
                             QStringLiteral("The receipt of return %1 cannot be printed: the return could not be read.")
                                 .arg(returnNumber),
                             Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning, ctx.db.lastError());
        return false;
    }
    const QString company = main.BOF() ? QString() : main.rows().last().first().toString();
    if (showReportPreview(ReturnReceiptReport(*record, company, paper), ctx.platform, parent, true))
        return true;
    ctx.platform.message(
        parent, QStringLiteral("The receipt of return %1 was not printed.\nThe return is stored.").arg(returnNumber),
        Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
    return false;
}

bool printReceipt(AppContext& ctx, QWidget* parent, const SaleRef& sale, ReceiptPaper paper, bool copy)
{
    // Every failure here is the receipt's alone: the sale stays stored as it is.
    const auto fail = [&](const QString& what, const QString& details = {}) {
        ctx.platform.message(parent, QStringLiteral("The receipt of sale %1 %2").arg(sale.saleNumber, what),
                             Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning, details);
        return false;
    };
    ReceiptData receipt;
    QString error;
    switch (ReceiptStore(ctx.db, ctx.till).read(sale, receipt, &error)) {
    case ReceiptStore::ReadOutcome::Read:
        receipt.copy = copy;
        if (!addPricing(ctx, sale.saleNumber, receipt))
            return fail(QStringLiteral("cannot be printed: its discounts and tax could not be read."),
                        ctx.db.lastError());
        break;
    case ReceiptStore::ReadOutcome::Gone:
        return fail(QStringLiteral("cannot be printed: the sale is no longer in the sales history."));
    case ReceiptStore::ReadOutcome::ReadFailed:
        return fail(QStringLiteral("cannot be printed: the sale could not be read."), error);
    }
    if (showReportPreview(ReceiptReport(receipt, paper), ctx.platform, parent, true))
        return true;
    return fail(QStringLiteral("was not printed.\nThe sale is stored; \"Reprint Last Receipt\" in the Menu of the "
                               "sales window prints it again."));
}
