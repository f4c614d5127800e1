#include <cstdio>

#include "ledger/LedgerCommands.h"

int main(int argc, char** argv) { return RunLedgerCommand(argc, argv, stdout, stderr); }
