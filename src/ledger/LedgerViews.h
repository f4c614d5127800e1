#pragma once
// What each command shows, read from the grid into plain structs: the
// status, the rows of the export, the conflicts, the report. The renderers
// (LedgerText, ExportCsv, ReportHtml, ReportSvg) read these and nothing
// else.
#include <cstdint>
#include <string>
#include <vector>

#include "ledger/Ledger.h"
#include "ledger/LedgerGrid.h"
#include "ledger/ReportModel.h"

// One volunteer's part: points they sent a result for, of those the ones
// verified with their value and the ones verified with another value (each
// point counted once), and their failed checks.
struct VolunteerTally {
  std::string name;
  int64_t sent = 0;
  int64_t verified = 0;
  int64_t wrong = 0;
  int64_t failedChecks = 0;
};

// The state of each grid point, for the coverage bar.
enum class Coverage : char { kNone, kSingle, kVerified, kConflict };

struct LedgerStatus {
  ReportCounts counts;
  int64_t doneReservations = 0;      // every point received
  int64_t releasedReservations = 0;  // ended early
  std::vector<VolunteerTally> volunteers;  // by points sent, then name
  std::vector<Coverage> coverage;          // coverage[k - 1000]
};

struct ExportRow {
  int64_t k = 0;
  std::string pi;
  std::string deviation;
  PointState state = PointState::kSingle;
  int64_t results = 0;                  // result lines recorded for the point
  std::vector<std::string> volunteers;  // who sent them, each once, in order
};

// The counts of the status and the report; today decides which
// reservations are live.
ReportCounts CountLedger(const LedgerContents& contents, const std::vector<GridPoint>& grid,
                         const std::string& today);

LedgerStatus MakeStatus(const LedgerContents& contents, const std::vector<GridPoint>& grid,
                        const std::string& today);

// One row per point with a result (verified ones only with verifiedOnly),
// ascending k.
std::vector<ExportRow> MakeExportRows(const LedgerContents& contents, const std::vector<GridPoint>& grid,
                                      bool verifiedOnly);

// Each point in conflict with every line sent for it, ascending k.
std::vector<ReportConflict> MakeConflicts(const LedgerContents& contents, const std::vector<GridPoint>& grid);

// Everything the report shows; generated is the time written on it.
LedgerReport MakeLedgerReport(const LedgerContents& contents, const std::vector<GridPoint>& grid,
                              const std::string& today, const std::string& generated);

// The deviation field of a result line ("k:pi:deviation:checksum").
std::string DeviationOfLine(const std::string& line);
