#include "ledger/LedgerSchema.h"

#include <string>
#include <vector>

#include "ledger/LedgerError.h"

// The sizes that shaped the schema: a full grid is 9001 points with two
// results or more each, some hundred volunteers and files, some hundred
// reservations. Every command but add reads all of it (some 20 000 rows,
// under 3 MB) in one pass ordered by rowid, which is faster than any
// per-point query; add reads the results of its file's range by the index
// on k. A result row keeps its whole line and, for the rules, its value.

namespace {

// "BRLG": a ledger, whatever else SQLite files lie around.
constexpr int64_t kApplicationId = 0x42524C47;

// Step i takes a ledger from version i to version i + 1.
const std::vector<const char*>& Migrations() {
  static const std::vector<const char*> steps = {
      // Version 1.
      "CREATE TABLE volunteer ("
      "  id INTEGER PRIMARY KEY,"
      "  name TEXT NOT NULL UNIQUE);"
      "CREATE TABLE received_file ("
      "  id INTEGER PRIMARY KEY,"
      "  volunteer INTEGER NOT NULL REFERENCES volunteer(id),"
      "  name TEXT NOT NULL,"      // the file's base name, PixS-E.txt
      "  sha256 TEXT NOT NULL,"
      "  received TEXT NOT NULL,"  // YYYY-MM-DD HH:MM:SS UTC
      "  UNIQUE (volunteer, sha256));"
      "CREATE TABLE reservation ("
      "  id INTEGER PRIMARY KEY,"
      "  volunteer INTEGER NOT NULL REFERENCES volunteer(id),"
      "  first INTEGER NOT NULL,"
      "  last INTEGER NOT NULL,"
      "  made TEXT NOT NULL,"
      "  until TEXT NOT NULL,"     // YYYY-MM-DD, its last live day
      "  released TEXT);"          // when released early, else NULL
      "CREATE TABLE result ("
      "  id INTEGER PRIMARY KEY,"
      "  k INTEGER NOT NULL,"
      "  pi TEXT NOT NULL,"
      "  line TEXT NOT NULL,"      // the whole result line, without its newline
      "  failed INTEGER NOT NULL," // 1: the line of a failed check, never a result
      "  file INTEGER NOT NULL REFERENCES received_file(id),"
      "  reservation INTEGER REFERENCES reservation(id));"  // the one it fulfils
      "CREATE INDEX result_by_k ON result(k);"
      "CREATE INDEX reservation_by_volunteer ON reservation(volunteer);",
  };
  return steps;
}

void SetVersion(SqliteDatabase& db, int version) {
  // PRAGMA takes no bound parameter; the text is a number of ours.
  db.Execute(("PRAGMA user_version = " + std::to_string(version)).c_str());
}

}  // namespace

int LedgerSchemaVersion() { return static_cast<int>(Migrations().size()); }

void CreateLedgerSchema(SqliteDatabase& db) {
  db.Execute("PRAGMA journal_mode = WAL");
  SqliteTransaction transaction(db, SqliteTransaction::Kind::kWrite);
  for (const char* step : Migrations()) db.Execute(step);
  db.Execute(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
  SetVersion(db, LedgerSchemaVersion());
  transaction.Commit();
}

void OpenLedgerSchema(SqliteDatabase& db) {
  // Reading the header first: nothing is written to a file before it is
  // known to be a ledger of a version this program reads.
  const int64_t application = db.QueryInteger("PRAGMA application_id");
  const int64_t version = db.QueryInteger("PRAGMA user_version");
  if (application != kApplicationId) {
    throw LedgerError(kStatusDamaged,
                      db.Path() + ": not a ledger: an SQLite database of another program");
  }
  if (version > LedgerSchemaVersion()) {
    throw LedgerError(kStatusRefused,
                      db.Path() + ": made by a newer brunsk-ledger (schema version " +
                          std::to_string(version) + ", this one reads up to " +
                          std::to_string(LedgerSchemaVersion()) + "); it was left as it is");
  }
  db.Execute("PRAGMA journal_mode = WAL");
  db.Execute("PRAGMA synchronous = FULL");
  db.Execute("PRAGMA foreign_keys = ON");
  db.KeepJournalFile();
  if (version < LedgerSchemaVersion()) {
    SqliteTransaction transaction(db, SqliteTransaction::Kind::kWrite);
    // Another command may have migrated it while this one waited.
    for (int64_t at = db.QueryInteger("PRAGMA user_version"); at < LedgerSchemaVersion(); ++at) {
      db.Execute(Migrations()[static_cast<size_t>(at)]);
    }
    SetVersion(db, LedgerSchemaVersion());
    transaction.Commit();
  }
}
