#pragma once
// A small owning wrapper of an SQLite connection and its statements: each
// handle is closed by its destructor, every value is bound (no SQL is ever
// built from a user's text), and a transaction rolls back unless it is
// committed. Every failure throws a LedgerError whose status says what kind
// it is (SqliteStatus).
#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// The exit status of an SQLite result code: 2 for a damaged or foreign file
// (SQLITE_CORRUPT, SQLITE_NOTADB), 3 for what the machine refuses (a full
// disk, an unwritable folder, an input/output error, a lock held too long),
// 1 otherwise.
int SqliteStatus(int code);

class SqliteDatabase {
 public:
  enum class Mode { kOpenExisting, kCreate };
  // Opens the file at path; kCreate makes it when absent. path is named in
  // the messages of every failure.
  SqliteDatabase(const std::string& path, Mode mode);
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;
  ~SqliteDatabase();

  // Runs SQL that takes no parameter and returns no row (schema, pragmas).
  void Execute(const char* sql);
  // The integer of a pragma or a one-value query.
  int64_t QueryInteger(const char* sql);
  int64_t LastInsertId() const;
  // Keeps the WAL file (emptied) when the connection closes: the next
  // command then neither creates it anew nor syncs the folder for it, which
  // is most of the cost of a short command under full sync. The last
  // connection still copies the WAL into the database file as it closes, so
  // that the database file alone holds everything recorded.
  void KeepJournalFile();

  // Throws the LedgerError of code for this database: "path: what".
  [[noreturn]] void Fail(int code) const;

  sqlite3* Handle() const { return db_; }
  const std::string& Path() const { return path_; }

 private:
  sqlite3* db_ = nullptr;
  std::string path_;
};

// A prepared statement, reusable: Reset() before binding anew.
class SqliteStatement {
 public:
  SqliteStatement(SqliteDatabase& db, const char* sql);
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  ~SqliteStatement();

  // Parameters are numbered from 1, as in SQL's "?1".
  SqliteStatement& Bind(int index, int64_t value);
  SqliteStatement& Bind(int index, const std::string& value);
  SqliteStatement& BindNull(int index);
  // Steps once: true when a row is ready, false when done.
  bool Step();
  // Steps to the end (a statement that returns no row).
  void Run();
  void Reset();

  // Columns of the current row, numbered from 0.
  int64_t Integer(int column) const;
  std::string Text(int column) const;
  bool IsNull(int column) const;

 private:
  SqliteDatabase& db_;
  sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE (the write lock taken at once, waiting for it up to the
// busy timeout) or a deferred BEGIN for reads that must see one state; rolls
// back in the destructor unless Commit() was called.
class SqliteTransaction {
 public:
  enum class Kind { kRead, kWrite };
  SqliteTransaction(SqliteDatabase& db, Kind kind);
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;
  ~SqliteTransaction();
  void Commit();

 private:
  SqliteDatabase& db_;
  bool open_ = false;
};
