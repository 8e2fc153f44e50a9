#pragma once

#include "platform/BandedReport.h"

class Recordset;

// The "SALES REPORT": one line per sale of the rows given, in their order, and the total of
// exactly those rows in the report footer (`total`, when the caller has summed them already).
BandedReport SalesReport(const Recordset& rows, const QString& total = {});
