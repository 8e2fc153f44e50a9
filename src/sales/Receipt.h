#pragma once

#include <QString>
#include <QVector>

#include <utility>

struct AppContext;
struct SaleRef;
class BandedReport;
class QWidget;

// The paper a receipt is laid out for: an 80 mm till roll, or an A4 sheet.
enum class ReceiptPaper { Roll80, A4 };

// The stored names of the papers (tblReceipt.Paper) and back; an unknown name is the roll.
QString paperName(ReceiptPaper paper);
ReceiptPaper paperFromName(const QString& name);

// One sold line as the receipt prints it.
struct ReceiptLine
{
    QString name;
    QString quantity; // as stored
    QString price;    // the unit price, "#,##0.00"
    QString amount;   // the stored line amount, "#,##0.00"
};

// Everything one receipt prints, in its printed forms.
struct ReceiptData
{
    QString company;
    QString saleNumber;
    QString date;
    QString time;
    QString cashier;
    QVector<ReceiptLine> lines;
    QString total;     // "#,##0.00"
    QString cash;      // the cash the change was counted from, "#,##0.00"
    QString change;    // "#,##0.00"
    bool copy = false; // a reprint, marked "COPY"
    QString exchange;  // for a sale that took an exchange's credit: the return and the credit
    QString card;      // the part paid by card, "#,##0.00"; empty for a sale paid in cash
    // A sale with discounts or tax: the lines printed beneath the change, caption and figure
    // (the discounts given, then each rate's net, tax and gross). Empty for any other sale.
    QVector<std::pair<QString, QString>> pricing;
};

// Fills the receipt's discounts and tax per rate from the sale as it was priced; false when the
// sale's pricing could not be read.
bool addPricing(AppContext& ctx, const QString& saleNumber, ReceiptData& receipt);

struct ReturnRecord;

// The unit price a receipt line shows: the item's registered price when it gives the stored
// amount for the quantity, otherwise the amount divided by the quantity; "#,##0.00".
QString receiptUnitPrice(const QString& quantity, const QString& amount, const QString& itemPrice);

// The receipt laid out as a short banded report on the given paper.
BandedReport ReceiptReport(const ReceiptData& receipt, ReceiptPaper paper);

// The receipt of a return: marked "RETURN", its number, the sale it takes back from, the lines
// taken back with their refunds as negative amounts, the refund and the approver.
BandedReport ReturnReceiptReport(const ReturnRecord& record, const QString& companyName, ReceiptPaper paper);
// Prints a stored return's receipt through the print preview; false when nothing was printed.
bool printReturnReceipt(AppContext& ctx, QWidget* parent, qint64 returnNumber, ReceiptPaper paper);

// Prints the receipt of a completed sale through the print preview (print dialog, "Export
// PDF"). A sale that cannot be read or a print that fails gets its own message; the sale itself
// is never touched. False when nothing could be printed.
// A reprint (`copy`) is marked "COPY".
bool printReceipt(AppContext& ctx, QWidget* parent, const SaleRef& sale, ReceiptPaper paper, bool copy = false);
