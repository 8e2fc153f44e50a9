#pragma once

#include "platform/BandedReport.h"

#include <QDate>

#include <optional>

class Recordset;
struct PricingFigures;

// The "INVENTORY ITEM SOLD REPORT": one day's sold lines (ItemNumber, ItemName, Quantity,
// Amount, Cashier) under the report title, the day of printing and the column headings, with
// the total Amount of the printed lines in the report footer.
namespace InventoryReport {

// "dddd MMMM dd, yyyy" in US English, e.g. "Tuesday December 08, 2026".
QString headerDate(const QDate& printedOn);

// The total of the lines' Amount texts (thousands separators allowed), "#,##0.00", or
// MoneyTotal::tooLargeText() when it is beyond what a number can hold.
QString linesTotal(const Recordset& lines);

// With `refunds` (in cents, of the returns made on the lines' day), the footer adds them and the
// net (the lines' total less the refunds), each labelled.
// With `pricing` (of the same day) holding discounts or tax, labelled lines beneath give the
// discounts given and each rate's net, tax and gross.
BandedReport build(const Recordset& lines, const QDate& printedOn, std::optional<qint64> refunds = {},
                   const PricingFigures* pricing = nullptr);

} // namespace InventoryReport
