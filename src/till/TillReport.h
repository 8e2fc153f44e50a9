#pragma once

#include "till/TillFigures.h"

class BandedReport;

// An X or Z laid out as a short banded report, as receipts are: on an 80 mm roll (`roll`) or
// an A4 sheet. The shop's name, the till, the session's times, the Z number and every figure.
BandedReport TillReport(const TillFigures& figures, const QString& companyName, bool roll);
