#pragma once
// The report's plot: the deviation of pi(x) from Li(x) against x over
// 10^17..10^18, one mark per point that has a result, its class telling its
// state ("point verified", "point single", "point conflict"); a grid point
// with no result has no mark, so that missing stretches show as gaps.
#include <string>

#include "ledger/ReportModel.h"

// The standalone SVG document, numbers written with fixed precision so that
// the same report gives the same bytes.
std::string RenderDeviationSvg(const LedgerReport& report);
