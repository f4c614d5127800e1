#include "ledger/ReportModel.h"

const char* PointStateWord(PointState state) {
  switch (state) {
    case PointState::kVerified: return "verified";
    case PointState::kSingle: return "single";
    case PointState::kConflict: return "conflict";
  }
  return "single";
}
