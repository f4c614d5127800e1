#pragma once
// What the ledger's tests share: result files written as the client writes
// them, a fresh ledger folder, and the ledger's commands run in this
// process with their output, errors and status.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/Program.h"
#include "common/TextFile.h"
#include "ledger/LedgerCommands.h"
#include "results/OffsetLogIntegral.h"
#include "results/ResultLine.h"
#include "results/ResultScan.h"

namespace ledgertest {

// The lines first..last of a valid result file, pi(x) = 2.5e12 k + offset:
// another offset gives other, equally valid values.
inline std::string Lines(long first, long last, int64_t offset = 0) {
  std::string text;
  for (long k = first; k <= last; ++k) {
    int64_t value = 2500000000000LL * k + offset;
    text += FormatResultLine(k, std::to_string(value), NormalisedDeviation(double(value), k * 1e14));
  }
  return text;
}

// Writes folder/PixS-E.txt with text and returns its path.
inline std::string WriteResultFile(const std::string& folder, long S, long E, const std::string& text) {
  std::string path = folder + "/" + ResultFileName(S, E);
  testref::WriteTextFile(path, text);
  return path;
}

struct Run {
  int status = -1;
  std::string out;
  std::string err;
};

// brunsk-ledger --db db args..., run in this process.
inline Run Ledger(const std::string& db, std::vector<std::string> args) {
  args.insert(args.begin(), {"brunsk-ledger", "--db", db});
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  FILE* out = tmpfile();
  FILE* err = tmpfile();
  Run run;
  run.status = RunLedgerCommand(static_cast<int>(argv.size()), argv.data(), out, err);
  run.out = testref::ReadBackAndClose(out);
  run.err = testref::ReadBackAndClose(err);
  return run;
}

}  // namespace ledgertest
