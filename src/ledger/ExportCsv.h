#pragma once
// The export as CSV (RFC 4180: fields with a comma, a quote or a line break
// quoted, quotes doubled, lines ended by CRLF), with the header
// "k,x,pi,deviation,state,results,volunteers": x in full digits, the
// volunteers joined by ';'.
#include <string>
#include <vector>

#include "ledger/LedgerViews.h"

std::string RenderExportCsv(const std::vector<ExportRow>& rows);
