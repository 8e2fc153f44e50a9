#pragma once

#include "platform/BandedReport.h"

#include <optional>

class Recordset;
struct PricingFigures;

// The "SALES REPORT": one line per sale of the rows given, in their order, and the total of
// exactly those rows in the report footer (`total`, when the caller has summed them already).
// With `refunds` (in cents, of the returns made on the report's day or span), the footer adds
// them and the net (the total less the refunds), each labelled.
// With `pricing` (of the same day or span) holding discounts or tax, labelled lines beneath give
// the discounts given and each rate's net, tax and gross.
BandedReport SalesReport(const Recordset& rows, const QString& total = {}, std::optional<qint64> refunds = {},
                         const PricingFigures* pricing = nullptr);
