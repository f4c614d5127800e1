#pragma once
// The ledger's store: one SQLite file holding who sent which result line in
// which file and when, and the reservations. It records (add, reserve,
// release) in one transaction each and reads everything back as plain
// values (LedgerContents); what the records mean is for LedgerRules and
// LedgerGrid to say.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ledger/Sqlite.h"
#include "results/CheckFile.h"

// One line recorded from a file.
struct RecordedLine {
  int64_t k = 0;
  std::string pi;
  std::string line;       // the whole result line, without its newline
  bool failed = false;    // the line of a failed check, never a result
  int64_t volunteer = 0;  // an index into LedgerContents::names
  std::string when;       // "YYYY-MM-DD HH:MM:SS" UTC, when its file was added
  int64_t reservation = 0;  // the reservation it fulfils, 0 for none
};

struct RecordedReservation {
  int64_t id = 0;
  int64_t volunteer = 0;
  int64_t start = 0;
  int64_t end = 0;
  std::string made;
  std::string until;  // "YYYY-MM-DD", its last live day
  bool released = false;
  std::string who;  // filled by Reserve and Release only
};

struct LedgerContents {
  std::vector<std::string> names;  // names[id] of each volunteer, names[0] unused
  std::vector<RecordedLine> lines;                // in the order recorded
  std::vector<RecordedReservation> reservations;  // in the order made
};

// What add did with one file.
struct AddOutcome {
  bool alreadyRecorded = false;
  int64_t results = 0;       // result lines recorded
  int64_t failedChecks = 0;  // lines recorded as failed checks
  int64_t verified = 0;      // of the file's result points, those now verified
};

// A reservation to make: the range the rules chose (or the one asked for).
struct ReservationRequest {
  std::string who;
  bool chooseRange = true;  // true: the next range of at most points points
  int64_t points = 0;
  int64_t start = 0;        // with chooseRange false: exactly start..end
  int64_t end = 0;
  int64_t days = 30;
};

class Ledger {
 public:
  // Makes a new ledger at path; refuses (status 1) when anything is there.
  static void Create(const std::string& path);

  // Opens the ledger at path: a missing one is refused (status 1), as are a
  // damaged or foreign file (2) and one of a newer version (1); an older one
  // is migrated.
  explicit Ledger(const std::string& path);
  ~Ledger();

  // Everything recorded, read in one transaction.
  LedgerContents Load();

  // Records the lines of a checked file named name (its base name;
  // valid, or ending with the failure
  // mark: its last line is then the failed check) for who, received at now,
  // in one transaction. The file's content is known by its digest: the same
  // content from the same volunteer again changes nothing.
  AddOutcome Add(const std::string& who, const std::string& name, const CheckedFile& file,
                 const std::string& digest, const std::string& now);

  // Makes the reservation, chosen under the write lock so that two commands
  // never hand out the same points. Refused (status 1) when the range asked
  // for overlaps a live reservation, or when nothing is left to hand out.
  RecordedReservation Reserve(const ReservationRequest& request, const std::string& now);

  // Ends reservation id now; refused (status 1) when there is none such or
  // it was released already. Returns it as it was.
  RecordedReservation Release(int64_t id, const std::string& now);

  const std::string& Path() const { return db_.Path(); }

 private:
  struct AddStatements;
  int64_t VolunteerId(const std::string& name);
  LedgerContents LoadContents();

  SqliteDatabase db_;
  std::unique_ptr<AddStatements> add_;
};
