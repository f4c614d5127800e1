#include "ledger/LedgerText.h"

#include <algorithm>
#include <cstdio>

#include "base/Messages.h"

// The screens are for a terminal 80 columns wide: the coverage bar has one
// mark per 200 points (46 marks), and the table of volunteers is as wide
// as the longest name, counted in characters, not bytes.

namespace {

constexpr size_t kPointsPerMark = 200;

// Names are counted in characters, not bytes, for the columns to line up.
size_t Characters(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

std::string PadRight(const std::string& text, size_t width) {
  size_t have = Characters(text);
  return have >= width ? text : text + std::string(width - have, ' ');
}

}  // namespace

std::string CoverageBar(const std::vector<Coverage>& coverage, size_t perMark) {
  std::string bar;
  for (size_t at = 0; at < coverage.size(); at += perMark) {
    size_t end = std::min(coverage.size(), at + perMark);
    size_t verified = 0, with = 0;
    bool conflict = false;
    for (size_t i = at; i < end; ++i) {
      verified += coverage[i] == Coverage::kVerified;
      with += coverage[i] != Coverage::kNone;
      conflict = conflict || coverage[i] == Coverage::kConflict;
    }
    size_t n = end - at;
    bar += conflict ? '!' : verified == n ? '#' : with == n ? '+' : with > 0 ? ':' : '.';
  }
  return bar;
}

std::string RenderStatusText(const LedgerStatus& status) {
  const ReportCounts& c = status.counts;
  const int64_t total = c.verified + c.single + c.conflict + c.none;
  std::string text;
  text += msg::Printf("Grid points k=1000..10000: %lld\n", static_cast<long long>(total));
  text += msg::Printf("  verified  %6lld\n", static_cast<long long>(c.verified));
  text += msg::Printf("  single    %6lld\n", static_cast<long long>(c.single));
  text += msg::Printf("  conflict  %6lld\n", static_cast<long long>(c.conflict));
  text += msg::Printf("  no result %6lld\n", static_cast<long long>(c.none));
  text += msg::Printf("Failed checks: %lld\n", static_cast<long long>(c.failedChecks));
  text += msg::Printf("Reservations: %lld live, %lld expired, %lld done, %lld released\n",
                      static_cast<long long>(c.liveReservations), static_cast<long long>(c.expiredReservations),
                      static_cast<long long>(status.doneReservations),
                      static_cast<long long>(status.releasedReservations));
  text += "\nCoverage, one mark per 200 points (# verified, + all with a result, : some, . none, ! a conflict):\n";
  text += "  1000 |" + CoverageBar(status.coverage, kPointsPerMark) + "| 10000\n";
  text += "\n";
  // Those who only hold reservations are counted, not listed: the screen
  // stays one screen with a hundred volunteers.
  std::vector<const VolunteerTally*> senders;
  size_t width = 9;
  for (const VolunteerTally& v : status.volunteers) {
    if (v.sent == 0 && v.failedChecks == 0) continue;
    senders.push_back(&v);
    width = std::max(width, Characters(v.name));
  }
  if (!senders.empty()) {
    text += PadRight("Volunteer", width) + "    sent  verified  wrong  failed\n";
    for (const VolunteerTally* v : senders) {
      text += PadRight(v->name, width) +
              msg::Printf("  %6lld  %8lld  %5lld  %6lld\n", static_cast<long long>(v->sent),
                          static_cast<long long>(v->verified), static_cast<long long>(v->wrong),
                          static_cast<long long>(v->failedChecks));
    }
  }
  const size_t silent = status.volunteers.size() - senders.size();
  if (senders.empty()) text += "No volunteer has sent a result yet.\n";
  if (silent > 0) {
    text += msg::Printf("%zu %s sent nothing yet.\n", silent,
                        silent == 1 ? "volunteer with a reservation has" : "volunteers with reservations have");
  }
  return text;
}

std::string RenderConflictsText(const std::vector<ReportConflict>& conflicts) {
  std::string text;
  for (const ReportConflict& conflict : conflicts) {
    text += msg::Printf("k=%lld: %zu results\n", static_cast<long long>(conflict.k), conflict.values.size());
    for (const ReportValue& value : conflict.values) {
      text += "  " + value.line + "  " + value.who + "  " + value.when + "\n";
    }
  }
  return text;
}

std::string RenderRangesText(const std::vector<std::pair<int64_t, int64_t>>& ranges) {
  std::string text;
  for (const auto& range : ranges) {
    text += msg::Printf("%lld..%lld\n", static_cast<long long>(range.first), static_cast<long long>(range.second));
  }
  return text;
}
