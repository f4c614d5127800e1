#pragma once
// The report's page: the counts, the plot of the deviation (the file
// deviation.svg beside the page, shown by an <img>), the coverage of the
// grid as a strip, and the conflicts and live reservations as tables.
// Self-contained: no script, and no style or font from the network; it opens
// from the disk.
#include <string>

#include "ledger/ReportModel.h"

// The whole page, UTF-8. Every text that comes from the ledger is escaped.
std::string RenderReportHtml(const LedgerReport& report);
