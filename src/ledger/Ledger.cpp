#include "ledger/Ledger.h"

#include <filesystem>
#include <system_error>

#include "ledger/LedgerClock.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerGrid.h"
#include "ledger/LedgerRules.h"
#include "ledger/LedgerSchema.h"

// Each command is one transaction: add takes the write lock for one file at
// a time (BEGIN IMMEDIATE, so that two adds queue instead of failing on
// upgrading a read lock), reserve takes it before it looks at the grid, so
// that what it hands out is still free when it is written. add prepares its
// statements once and reuses them for every file: a full grid in 91 files is
// some 18 000 inserts.

namespace {

namespace fs = std::filesystem;

std::string NoLedger(const std::string& path) {
  return path + ": no ledger there (make one with: brunsk-ledger init --db " + path + ")";
}

}  // namespace

struct Ledger::AddStatements {
  explicit AddStatements(SqliteDatabase& db)
      : insertVolunteer(db, "INSERT OR IGNORE INTO volunteer(name) VALUES (?1)"),
        findVolunteer(db, "SELECT id FROM volunteer WHERE name = ?1"),
        findFile(db, "SELECT id FROM received_file WHERE volunteer = ?1 AND sha256 = ?2"),
        insertFile(db,
                   "INSERT INTO received_file(volunteer, name, sha256, received) VALUES (?1, ?2, ?3, ?4)"),
        liveReservations(db,
                         "SELECT id, first, last FROM reservation WHERE volunteer = ?1 AND "
                         "released IS NULL AND until >= ?2 ORDER BY id"),
        insertResult(db,
                     "INSERT INTO result(k, pi, line, failed, file, reservation) "
                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
        resultsInRange(db,
                       "SELECT r.k, r.pi, f.volunteer FROM result r JOIN received_file f ON f.id = r.file "
                       "WHERE r.k BETWEEN ?1 AND ?2 AND r.failed = 0 ORDER BY r.id") {}
  SqliteStatement insertVolunteer;
  SqliteStatement findVolunteer;
  SqliteStatement findFile;
  SqliteStatement insertFile;
  SqliteStatement liveReservations;
  SqliteStatement insertResult;
  SqliteStatement resultsInRange;
};

void Ledger::Create(const std::string& path) {
  std::error_code error;
  if (fs::exists(fs::symlink_status(path, error))) {
    throw LedgerError(kStatusRefused, path + ": already exists; init never touches an existing file");
  }
  SqliteDatabase db(path, SqliteDatabase::Mode::kCreate);
  db.Execute("PRAGMA synchronous = FULL");
  CreateLedgerSchema(db);
}

namespace {

// The path checked before SQLite opens it: SQLite would make an empty file
// of a missing one, and open a folder or a device as far as it could.
const std::string& ExistingLedger(const std::string& path) {
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) throw LedgerError(kStatusRefused, NoLedger(path));
  if (!fs::is_regular_file(status)) {
    throw LedgerError(kStatusDamaged, path + ": not a ledger: " +
                                          (fs::is_directory(status) ? "it is a folder" : "it is not a regular file"));
  }
  return path;
}

// The reservation in the columns id, volunteer, first, last, made, until of
// the statement's row.
RecordedReservation ReservationAt(const SqliteStatement& row) {
  RecordedReservation r;
  r.id = row.Integer(0);
  r.volunteer = row.Integer(1);
  r.start = row.Integer(2);
  r.end = row.Integer(3);
  r.made = row.Text(4);
  r.until = row.Text(5);
  return r;
}

}  // namespace

Ledger::Ledger(const std::string& path)
    : db_(ExistingLedger(path), SqliteDatabase::Mode::kOpenExisting) {
  OpenLedgerSchema(db_);
}

Ledger::~Ledger() = default;

LedgerContents Ledger::Load() {
  SqliteTransaction transaction(db_, SqliteTransaction::Kind::kRead);
  LedgerContents contents = LoadContents();
  transaction.Commit();
  return contents;
}

LedgerContents Ledger::LoadContents() {
  LedgerContents contents;
  SqliteStatement names(db_, "SELECT id, name FROM volunteer ORDER BY id");
  while (names.Step()) {
    size_t id = static_cast<size_t>(names.Integer(0));
    if (contents.names.size() <= id) contents.names.resize(id + 1);
    contents.names[id] = names.Text(1);
  }
  if (contents.names.empty()) contents.names.resize(1);
  SqliteStatement lines(db_,
                        "SELECT r.k, r.pi, r.line, r.failed, f.volunteer, f.received, r.reservation "
                        "FROM result r JOIN received_file f ON f.id = r.file ORDER BY r.id");
  while (lines.Step()) {
    RecordedLine line;
    line.k = lines.Integer(0);
    line.pi = lines.Text(1);
    line.line = lines.Text(2);
    line.failed = lines.Integer(3) != 0;
    line.volunteer = lines.Integer(4);
    line.when = lines.Text(5);
    line.reservation = lines.IsNull(6) ? 0 : lines.Integer(6);
    contents.lines.push_back(std::move(line));
  }
  SqliteStatement reservations(
      db_, "SELECT id, volunteer, first, last, made, until, released IS NOT NULL FROM reservation ORDER BY id");
  while (reservations.Step()) {
    RecordedReservation r = ReservationAt(reservations);
    r.released = reservations.Integer(6) != 0;
    contents.reservations.push_back(r);
  }
  return contents;
}

int64_t Ledger::VolunteerId(const std::string& name) {
  SqliteStatement insert(db_, "INSERT OR IGNORE INTO volunteer(name) VALUES (?1)");
  insert.Bind(1, name).Run();
  SqliteStatement find(db_, "SELECT id FROM volunteer WHERE name = ?1");
  find.Bind(1, name);
  find.Step();
  return find.Integer(0);
}

AddOutcome Ledger::Add(const std::string& who, const std::string& name, const CheckedFile& file,
                       const std::string& digest, const std::string& now) {
  if (!add_) add_.reset(new AddStatements(db_));
  AddStatements& s = *add_;
  AddOutcome outcome;
  SqliteTransaction transaction(db_, SqliteTransaction::Kind::kWrite);

  s.insertVolunteer.Reset();
  s.insertVolunteer.Bind(1, who).Run();
  s.findVolunteer.Reset();
  s.findVolunteer.Bind(1, who).Step();
  const int64_t volunteer = s.findVolunteer.Integer(0);
  s.findVolunteer.Reset();

  s.findFile.Reset();
  s.findFile.Bind(1, volunteer).Bind(2, digest);
  outcome.alreadyRecorded = s.findFile.Step();
  s.findFile.Reset();
  if (outcome.alreadyRecorded) return outcome;

  s.insertFile.Reset();
  s.insertFile.Bind(1, volunteer).Bind(2, name).Bind(3, digest).Bind(4, now).Run();
  const int64_t fileId = db_.LastInsertId();

  struct Live {
    int64_t id, start, end;
  };
  std::vector<Live> live;
  s.liveReservations.Reset();
  s.liveReservations.Bind(1, volunteer).Bind(2, DateOf(now));
  while (s.liveReservations.Step()) {
    live.push_back({s.liveReservations.Integer(0), s.liveReservations.Integer(1),
                    s.liveReservations.Integer(2)});
  }
  s.liveReservations.Reset();

  const std::vector<ResultLine>& lines = file.scan.lines;
  for (size_t i = 0; i < lines.size(); ++i) {
    const bool failed = file.checkFailed && i + 1 == lines.size();
    s.insertResult.Reset();
    s.insertResult.Bind(1, static_cast<int64_t>(lines[i].index))
        .Bind(2, lines[i].value)
        .Bind(3, ResultLineText(lines[i]))
        .Bind(4, failed ? 1 : 0)
        .Bind(5, fileId);
    s.insertResult.BindNull(6);
    for (const Live& r : live) {
      if (lines[i].index >= r.start && lines[i].index <= r.end) {
        s.insertResult.Bind(6, r.id);
        break;
      }
    }
    s.insertResult.Run();
    ++(failed ? outcome.failedChecks : outcome.results);
  }

  if (outcome.results > 0) {
    // The states of the file's points with its lines in.
    const int64_t first = lines.front().index;
    const int64_t last = first + outcome.results - 1;
    std::vector<std::vector<SentValue>> sent(static_cast<size_t>(last - first + 1));
    s.resultsInRange.Reset();
    s.resultsInRange.Bind(1, first).Bind(2, last);
    while (s.resultsInRange.Step()) {
      sent[static_cast<size_t>(s.resultsInRange.Integer(0) - first)].push_back(
          {s.resultsInRange.Text(1), s.resultsInRange.Integer(2)});
    }
    s.resultsInRange.Reset();
    for (const std::vector<SentValue>& point : sent) {
      PointJudgement judgement = JudgePoint(point);
      if (judgement.hasResult && judgement.state == PointState::kVerified) ++outcome.verified;
    }
  }
  transaction.Commit();
  return outcome;
}

RecordedReservation Ledger::Reserve(const ReservationRequest& request, const std::string& now) {
  SqliteTransaction transaction(db_, SqliteTransaction::Kind::kWrite);
  const int64_t volunteer = VolunteerId(request.who);
  LedgerContents contents = LoadContents();
  std::vector<GridPoint> grid = BuildGrid(contents, DateOf(now));

  RecordedReservation made;
  made.volunteer = volunteer;
  made.who = request.who;
  made.made = now;
  made.until = DatePlusDays(DateOf(now), request.days);
  if (request.chooseRange) {
    HandOutRange range = NextRange(HandOutSlots(grid), kFirstGridIndex, volunteer, request.points);
    if (!range.found) {
      throw LedgerError(kStatusRefused,
                        "nothing left to hand out to " + request.who +
                            ": every point has a result or a live reservation, and those that need "
                            "another result have one from " + request.who + " or are reserved");
    }
    made.start = range.start;
    made.end = range.end;
  } else {
    made.start = request.start;
    made.end = request.end;
    for (int64_t k = made.start; k <= made.end; ++k) {
      int64_t holder = grid[static_cast<size_t>(k - kFirstGridIndex)].reservedBy;
      if (holder == 0) continue;
      for (const RecordedReservation& r : contents.reservations) {
        if (r.id != holder) continue;
        throw LedgerError(kStatusRefused,
                          "k=" + std::to_string(made.start) + ".." + std::to_string(made.end) +
                              " overlaps reservation " + std::to_string(r.id) + " of " +
                              contents.names[static_cast<size_t>(r.volunteer)] + ", k=" +
                              std::to_string(r.start) + ".." + std::to_string(r.end) + " until " +
                              r.until);
      }
    }
  }
  SqliteStatement insert(db_,
                         "INSERT INTO reservation(volunteer, first, last, made, until) "
                         "VALUES (?1, ?2, ?3, ?4, ?5)");
  insert.Bind(1, volunteer).Bind(2, made.start).Bind(3, made.end).Bind(4, made.made).Bind(5, made.until);
  insert.Run();
  made.id = db_.LastInsertId();
  transaction.Commit();
  return made;
}

RecordedReservation Ledger::Release(int64_t id, const std::string& now) {
  SqliteTransaction transaction(db_, SqliteTransaction::Kind::kWrite);
  SqliteStatement find(db_,
                       "SELECT r.id, r.volunteer, r.first, r.last, r.made, r.until, r.released, v.name "
                       "FROM reservation r JOIN volunteer v ON v.id = r.volunteer WHERE r.id = ?1");
  find.Bind(1, id);
  if (!find.Step()) throw LedgerError(kStatusRefused, "there is no reservation " + std::to_string(id));
  RecordedReservation r = ReservationAt(find);
  r.who = find.Text(7);
  if (!find.IsNull(6)) {
    throw LedgerError(kStatusRefused,
                      "reservation " + std::to_string(id) + " was released on " + find.Text(6));
  }
  SqliteStatement release(db_, "UPDATE reservation SET released = ?1 WHERE id = ?2");
  release.Bind(1, now).Bind(2, id).Run();
  transaction.Commit();
  return r;
}
