#include "ledger/LedgerCommands.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/ProgramVersion.h"
#include "ledger/ExportCsv.h"
#include "ledger/FileDigest.h"
#include "ledger/Ledger.h"
#include "ledger/LedgerClock.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerGrid.h"
#include "ledger/LedgerText.h"
#include "ledger/LedgerViews.h"
#include "ledger/ReplaceFile.h"
#include "ledger/ReportHtml.h"
#include "ledger/ReportSvg.h"
#include "ledger/VolunteerName.h"
#include "results/CheckFile.h"
#include "results/ResultLine.h"

// The parse fills one Arguments; each command is a function of it. Every
// message a command prints is made here or in the renderers, so that the
// manual and the tests have one place to read them from.

namespace {

namespace fs = std::filesystem;

const char kExamples[] =
    "Examples:\n"
    "  brunsk-ledger init                                  a new ledger.sqlite here\n"
    "  brunsk-ledger reserve --who alice --points 100      the next 100 points for alice\n"
    "  brunsk-ledger reserve --who bob --start 2000 --end 2099 --days 60\n"
    "  brunsk-ledger add --who alice Pix1000-1099.txt      check and record a returned file\n"
    "  brunsk-ledger status\n"
    "  brunsk-ledger missing --double-check                points with one result only\n"
    "  brunsk-ledger export --verified --out pi.csv\n"
    "  brunsk-ledger report --out site\n"
    "\n"
    "Exit status: 0 done; 1 bad arguments, a refused file or reservation, or no\n"
    "ledger; 2 a damaged file or one that is not a ledger; 3 the ledger or an\n"
    "output cannot be written (a full disk, an unwritable folder, or another\n"
    "command holding the ledger for more than 10 seconds).";

struct Arguments {
  std::string db = "ledger.sqlite";
  std::string who;
  int64_t points = 0;
  int64_t start = 0;
  int64_t end = 0;
  int64_t days = 30;
  int64_t reservation = 0;
  std::vector<std::string> files;
  bool doubleCheck = false;
  bool verified = false;
  std::string out;
};

// Every number is written in decimal digits, as brunsk reads them: no
// sign, no "0x", no exponent; leading zeros are decimal. More than 9 digits
// read as 10^9, outside every bound checked after.
CLI::Validator DecimalNumber() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        if (text.empty()) return "a number is needed, in decimal digits";
        for (char c : text) {
          if (c < '0' || c > '9') return "\"" + text + "\" is not a number in decimal digits";
        }
        size_t first = text.find_first_not_of('0');
        text = first == std::string::npos ? "0" : text.substr(first);
        if (text.size() > 9) text = "1000000000";
        return "";
      },
      "", "DECIMAL");
}

void Print(FILE* out, const std::string& text) { fwrite(text.data(), 1, text.size(), out); }

std::string BaseName(const std::string& path) { return fs::path(path).filename().string(); }

// The bytes of a file that the check passed: its lines as written, and the
// failure mark after them when it ends with one. The scan has checked that
// every line is exactly as the formatter writes it, so this is the file's
// content, without reading it a second time (it might have changed since).
std::string CheckedContent(const CheckedFile& file) {
  std::string text;
  for (const ResultLine& line : file.scan.lines) text += ResultLineText(line) + "\n";
  if (file.checkFailed) text += kCheckFailedLine;
  return text;
}

int Init(const Arguments& a, FILE* out) {
  Ledger::Create(a.db);
  Print(out, "Created the ledger " + a.db + "\n");
  return 0;
}

int Add(const Arguments& a, FILE* out) {
  Ledger ledger(a.db);
  int status = 0;
  for (const std::string& path : a.files) {
    CheckedFile file = CheckResultFile(path);
    if (!file.valid && !file.checkFailed) {
      Print(out, path + ": " + file.summary + "\n");
      status = 1;
      continue;
    }
    AddOutcome outcome = ledger.Add(a.who, BaseName(path), file, Sha256Hex(CheckedContent(file)), UtcNow());
    if (outcome.alreadyRecorded) {
      Print(out, path + ": already recorded\n");
      continue;
    }
    std::string what = std::to_string(outcome.results) + (outcome.results == 1 ? " point" : " points");
    if (outcome.failedChecks > 0) {
      what += " and the failed check of k=" + std::to_string(file.scan.lines.back().index);
    }
    Print(out, path + ": " + what + " recorded for " + a.who + " (" + std::to_string(outcome.verified) +
                   " now verified)\n");
  }
  return status;
}

int Reserve(const Arguments& a, bool chooseRange, FILE* out) {
  Ledger ledger(a.db);
  ReservationRequest request;
  request.who = a.who;
  request.chooseRange = chooseRange;
  request.points = a.points;
  request.start = a.start;
  request.end = a.end;
  request.days = a.days;
  RecordedReservation r = ledger.Reserve(request, UtcNow());
  const std::string S = std::to_string(r.start);
  const std::string E = std::to_string(r.end);
  Print(out, "Reserved k=" + S + ".." + E + " for " + a.who + " until " + r.until + " (reservation " +
                 std::to_string(r.id) + "); run: brunsk --start " + S + " --end " + E + " --yes\n");
  return 0;
}

int Release(const Arguments& a, FILE* out) {
  Ledger ledger(a.db);
  RecordedReservation r = ledger.Release(a.reservation, UtcNow());
  Print(out, "Released reservation " + std::to_string(r.id) + " of " + r.who + ", k=" + std::to_string(r.start) +
                 ".." + std::to_string(r.end) + "\n");
  return 0;
}

// The ledger read whole, and its grid as of now.
struct Snapshot {
  LedgerContents contents;
  std::vector<GridPoint> grid;
  std::string now;
};

Snapshot Read(const std::string& db) {
  Snapshot snapshot;
  Ledger ledger(db);
  snapshot.now = UtcNow();
  snapshot.contents = ledger.Load();
  snapshot.grid = BuildGrid(snapshot.contents, DateOf(snapshot.now));
  return snapshot;
}

int Status(const Arguments& a, FILE* out) {
  Snapshot s = Read(a.db);
  Print(out, "Ledger " + a.db + ", " + s.now + " UTC\n");
  Print(out, RenderStatusText(MakeStatus(s.contents, s.grid, DateOf(s.now))));
  return 0;
}

int Missing(const Arguments& a, FILE* out) {
  Snapshot s = Read(a.db);
  Print(out, RenderRangesText(MissingRanges(s.grid, a.doubleCheck)));
  return 0;
}

int Conflicts(const Arguments& a, FILE* out) {
  Snapshot s = Read(a.db);
  Print(out, RenderConflictsText(MakeConflicts(s.contents, s.grid)));
  return 0;
}

int Export(const Arguments& a, FILE* out) {
  Snapshot s = Read(a.db);
  std::string csv = RenderExportCsv(MakeExportRows(s.contents, s.grid, a.verified));
  if (a.out.empty()) {
    Print(out, csv);
    return 0;
  }
  std::string fault = ReplaceFile(a.out, csv);
  if (!fault.empty()) throw LedgerError(kStatusUnwritable, a.out + ": cannot be written: " + fault);
  return 0;
}

int Report(const Arguments& a, FILE* out) {
  Snapshot s = Read(a.db);
  LedgerReport report = MakeLedgerReport(s.contents, s.grid, DateOf(s.now), s.now);
  std::error_code error;
  fs::create_directory(a.out, error);
  if (!fs::is_directory(a.out)) {
    throw LedgerError(kStatusUnwritable, a.out + ": cannot be made a folder" +
                                             (error ? ": " + error.message() : std::string()));
  }
  // The plot first: the page that shows it is replaced last, so that an
  // interrupted report leaves the previous page with a plot at least as new.
  const std::string svg = (fs::path(a.out) / "deviation.svg").string();
  const std::string html = (fs::path(a.out) / "index.html").string();
  std::string fault = ReplaceFile(svg, RenderDeviationSvg(report));
  if (fault.empty()) fault = ReplaceFile(html, RenderReportHtml(report));
  if (!fault.empty()) throw LedgerError(kStatusUnwritable, a.out + ": cannot be written: " + fault);
  Print(out, "Wrote " + html + " and " + svg + "\n");
  return 0;
}

// The checks CLI11 cannot make: "" or the refusal.
std::string Refusal(const Arguments& a, bool byPoints, bool byRange, bool needsName) {
  if (needsName) {
    std::string fault = VolunteerNameFault(a.who);
    if (!fault.empty()) return "the volunteer name \"" + a.who + "\" is refused: " + fault;
  }
  const int64_t gridPoints = kLastGridIndex - kFirstGridIndex + 1;
  if (byPoints && (a.points < 1 || a.points > gridPoints)) {
    return "--points must be 1.." + std::to_string(gridPoints);
  }
  if (byRange && (a.start < kFirstGridIndex || a.end > kLastGridIndex || a.start > a.end)) {
    return "--start S --end E must satisfy " + std::to_string(kFirstGridIndex) + " <= S <= E <= " +
           std::to_string(kLastGridIndex);
  }
  if (a.days < 1 || a.days > 3650) return "--days must be 1..3650";
  return "";
}

}  // namespace

int RunLedgerCommand(int argc, const char* const* argv, FILE* out, FILE* err) {
  Arguments a;
  CLI::App app("The coordinator's ledger of the Brunsk grid k = 1000..10000: hands out ranges,\n"
               "checks and records returned result files, tells which points are verified,\n"
               "and publishes the table and the plot of the deviation.",
               "brunsk-ledger");
  app.footer(kExamples);
  app.failure_message(CLI::FailureMessage::help);
  app.allow_windows_style_options(false);
  app.require_subcommand(1);
  app.fallthrough();
  app.add_option("--db", a.db, "the ledger file (default: ledger.sqlite)")->type_name("FILE");
  app.set_version_flag("--version", std::string("brunsk-ledger ") + kProgramVersion + "\n" + kProgramLicence);

  CLI::App* init = app.add_subcommand("init", "create an empty ledger (never touches an existing file)");
  CLI::App* reserve = app.add_subcommand("reserve", "hand out a range of points to a volunteer");
  reserve->add_option("--who", a.who, "the volunteer's name")->type_name("NAME")->required();
  CLI::Option* points = reserve->add_option("--points", a.points, "the next run of at most N points")
                            ->type_name("N")
                            ->transform(DecimalNumber());
  CLI::Option* start =
      reserve->add_option("--start", a.start, "exactly k=S..E")->type_name("S")->transform(DecimalNumber());
  CLI::Option* end = reserve->add_option("--end", a.end, "with --start")->type_name("E")->transform(DecimalNumber());
  reserve->add_option("--days", a.days, "days until it expires (default: 30)")
      ->type_name("D")
      ->transform(DecimalNumber());
  start->needs(end);
  end->needs(start);
  points->excludes(start)->excludes(end);
  CLI::App* release = app.add_subcommand("release", "end reservation R before its date");
  release->add_option("R", a.reservation, "the reservation's number")->required()->transform(DecimalNumber());
  CLI::App* add = app.add_subcommand("add", "check returned result files and record them");
  add->add_option("--who", a.who, "who sent the files")->type_name("NAME")->required();
  add->add_option("FILE", a.files, "result files PixS-E.txt")->required();
  CLI::App* status = app.add_subcommand("status", "the grid's state, reservations and volunteers");
  CLI::App* missing = app.add_subcommand("missing", "ranges with no result and no live reservation");
  missing->add_flag("--double-check", a.doubleCheck, "ranges with exactly one result instead");
  CLI::App* conflicts = app.add_subcommand("conflicts", "each point whose results disagree");
  CLI::App* exportCommand = app.add_subcommand("export", "the points with a result as CSV");
  exportCommand->add_flag("--verified", a.verified, "verified points only");
  exportCommand->add_option("--out", a.out, "write to FILE instead of the output")->type_name("FILE");
  CLI::App* report = app.add_subcommand("report", "write DIR/index.html and DIR/deviation.svg");
  report->add_option("--out", a.out, "the report's folder")->type_name("DIR")->required();

  std::ostringstream usageOut, usageErr;
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e, usageOut, usageErr);
    Print(out, usageOut.str());
    Print(err, usageErr.str());
    return code == 0 ? 0 : 1;
  }
  const bool byPoints = reserve->parsed() && *points;
  const bool byRange = reserve->parsed() && *start;
  std::string refusal;
  if (reserve->parsed() && !byPoints && !byRange) refusal = "reserve needs --points N, or --start S --end E";
  if (refusal.empty()) refusal = Refusal(a, byPoints, byRange, reserve->parsed() || add->parsed());
  if (!refusal.empty()) {
    CLI::App* command = reserve->parsed() ? reserve : add;
    Print(err, "ERROR, " + refusal + "\n" + command->help(app.get_name()));
    return 1;
  }

  try {
    if (init->parsed()) return Init(a, out);
    if (reserve->parsed()) return Reserve(a, byPoints, out);
    if (release->parsed()) return Release(a, out);
    if (add->parsed()) return Add(a, out);
    if (status->parsed()) return Status(a, out);
    if (missing->parsed()) return Missing(a, out);
    if (conflicts->parsed()) return Conflicts(a, out);
    if (exportCommand->parsed()) return Export(a, out);
    if (report->parsed()) return Report(a, out);
  } catch (const LedgerError& e) {
    fflush(out);
    Print(err, std::string("ERROR, ") + e.what() + "\n");
    return e.Status();
  } catch (const std::bad_alloc&) {
    Print(err, "ERROR, out of memory; nothing of this command was recorded\n");
    return kStatusUnwritable;
  }
  return 1;
}
