#pragma once
// The command line of brunsk-ledger, parsed by CLI11 as subcommands (init,
// reserve, release, add, status, missing, conflicts, export, report), and
// each command run against the ledger named by --db. Output goes to out,
// errors and usage to err. Returns the exit status: 0 done; 1 an argument
// error (with the usage), a refused file, a missing ledger, a refused
// reservation; 2 a damaged or foreign ledger file; 3 an unwritable folder, a
// full disk or a ledger held too long by another command.
#include <cstdio>

int RunLedgerCommand(int argc, const char* const* argv, FILE* out, FILE* err);
