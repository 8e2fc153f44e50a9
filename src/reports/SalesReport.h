#pragma once

#include "platform/BandedReport.h"

class Recordset;

// The "SALES REPORT": one line per sale of the rows given, in their order, and the total of
// exactly those rows in the report footer.
BandedReport SalesReport(const Recordset& rows);
