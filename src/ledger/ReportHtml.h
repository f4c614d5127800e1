#pragma once
// The report's page: the counts, the plot of the deviation and the strip of
// the grid's coverage (both inlined as SVG, so the page alone shows
// everything; deviation.svg beside it is linked as the plot's own file),
// the conflicts and the live reservations as tables. Self-contained: no
// script, its style inline, no font or picture from the network; it opens
// from the disk.
#include <string>

#include "ledger/ReportModel.h"

// The whole page, UTF-8. Every text that comes from the ledger (names,
// lines, dates) is escaped for HTML.
std::string RenderReportHtml(const LedgerReport& report);
