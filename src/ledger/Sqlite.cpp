#include "ledger/Sqlite.h"

#include <sqlite3.h>

#include "ledger/LedgerError.h"

// Errors become LedgerErrors at the one place they arise, with the file's
// name and words a coordinator can act on: SQLite's own texts ("database is
// locked", "disk I/O error") name no file and no remedy. A lock held past
// the busy timeout is SQLITE_BUSY here, whatever statement met it.

namespace {

std::string Describe(int code, const std::string& detail) {
  switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "another command has held the ledger for more than 10 seconds; nothing was changed, "
             "try again when it is done";
    case SQLITE_FULL:
      return "the disk is full; the change under way was not recorded, and nothing recorded "
             "before it is lost";
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
      return "cannot be written (the ledger and its folder must be writable: SQLite keeps its "
             "journal beside the file): " + detail;
    case SQLITE_IOERR:
      return "input/output error (" + detail + "); the change under way was not recorded";
    case SQLITE_NOTADB:
      return "not a ledger: the file is not an SQLite database";
    case SQLITE_CORRUPT:
      return "the ledger is damaged (" + detail + "); restore it from a copy";
    default:
      return detail;
  }
}

}  // namespace

int SqliteStatus(int code) {
  switch (code & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return kStatusDamaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_FULL:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_IOERR:
      return kStatusUnwritable;
    default:
      return kStatusRefused;
  }
}

SqliteDatabase::SqliteDatabase(const std::string& path, Mode mode) : path_(path) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (mode == Mode::kCreate) flags |= SQLITE_OPEN_CREATE;
  int code = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (code != SQLITE_OK) {
    std::string detail = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    int extended = db_ != nullptr ? sqlite3_extended_errcode(db_) : code;
    sqlite3_close(db_);
    db_ = nullptr;
    throw LedgerError(SqliteStatus(extended), path + ": " + Describe(extended, detail));
  }
  sqlite3_extended_result_codes(db_, 1);
  // About 10 s of waiting for another command's lock.
  sqlite3_busy_timeout(db_, 10000);
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close(db_); }

void SqliteDatabase::Fail(int code) const {
  throw LedgerError(SqliteStatus(code), path_ + ": " + Describe(code, sqlite3_errmsg(db_)));
}

void SqliteDatabase::Execute(const char* sql) {
  int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) Fail(code);
}

int64_t SqliteDatabase::QueryInteger(const char* sql) {
  SqliteStatement statement(*this, sql);
  return statement.Step() ? statement.Integer(0) : 0;
}

void SqliteDatabase::KeepJournalFile() {
  int keep = 1;
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
  Execute("PRAGMA journal_size_limit = 0");
}

int64_t SqliteDatabase::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

SqliteStatement::SqliteStatement(SqliteDatabase& db, const char* sql) : db_(db) {
  int code = sqlite3_prepare_v2(db.Handle(), sql, -1, &statement_, nullptr);
  if (code != SQLITE_OK) db.Fail(code);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement& SqliteStatement::Bind(int index, int64_t value) {
  int code = sqlite3_bind_int64(statement_, index, value);
  if (code != SQLITE_OK) db_.Fail(code);
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, const std::string& value) {
  int code = sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()),
                               SQLITE_TRANSIENT);
  if (code != SQLITE_OK) db_.Fail(code);
  return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
  int code = sqlite3_bind_null(statement_, index);
  if (code != SQLITE_OK) db_.Fail(code);
  return *this;
}

bool SqliteStatement::Step() {
  int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  code = sqlite3_extended_errcode(db_.Handle());
  sqlite3_reset(statement_);
  db_.Fail(code);
}

void SqliteStatement::Run() {
  while (Step()) {
  }
}

void SqliteStatement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

int64_t SqliteStatement::Integer(int column) const { return sqlite3_column_int64(statement_, column); }

std::string SqliteStatement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(statement_, column);
  int bytes = sqlite3_column_bytes(statement_, column);
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), bytes);
}

bool SqliteStatement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

SqliteTransaction::SqliteTransaction(SqliteDatabase& db, Kind kind) : db_(db) {
  db.Execute(kind == Kind::kWrite ? "BEGIN IMMEDIATE" : "BEGIN");
  open_ = true;
}

SqliteTransaction::~SqliteTransaction() {
  if (open_) sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteTransaction::Commit() {
  db_.Execute("COMMIT");
  open_ = false;
}
