#pragma once
// The ledger's plain-text screens: status, conflicts and missing, each
// rendered from its plain struct.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ledger/LedgerViews.h"

// The status screen: the points by state, failed checks, reservations, the
// coverage bar (one mark per 200 points) and one line per volunteer.
std::string RenderStatusText(const LedgerStatus& status);

// The coverage bar alone: one mark per group of perMark consecutive points,
// '#' all verified, '!' any conflict, '+' all with a result, ':' some with
// a result, '.' none.
std::string CoverageBar(const std::vector<Coverage>& coverage, size_t perMark);

// "k=1042: 2 values" then one line per result: "  LINE  NAME  WHEN".
std::string RenderConflictsText(const std::vector<ReportConflict>& conflicts);

// One "S..E" per line.
std::string RenderRangesText(const std::vector<std::pair<int64_t, int64_t>>& ranges);
