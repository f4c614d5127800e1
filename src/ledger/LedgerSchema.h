#pragma once
// The ledger's schema, in one place: the tables, their indexes, and the
// ordered steps that bring a ledger from each older version to the current
// one. A ledger carries its version in PRAGMA user_version and the mark of
// a ledger in PRAGMA application_id.
#include "ledger/Sqlite.h"

// The version this program writes and reads.
int LedgerSchemaVersion();

// Makes the tables of the current version in the empty database db, inside
// one transaction, and sets the mark and the version.
void CreateLedgerSchema(SqliteDatabase& db);

// Checks that db is a ledger this program can use: refuses a file that is
// not an SQLite database or not a ledger (status 2) and a ledger of a newer
// version (status 1), both without changing a byte; migrates an older one
// inside one transaction. Then sets the connection's journal (WAL, full
// sync) and foreign keys.
void OpenLedgerSchema(SqliteDatabase& db);
