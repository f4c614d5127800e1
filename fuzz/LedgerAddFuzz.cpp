// brunsk-ledger add of one file into a fresh ledger (a copy of one that
// init made): the input's first bytes give the file's range (its name
// PixS-E.txt) and whether its lines' checksums are repaired first; the rest
// is the file. What must hold:
// - add records the file exactly when the check of --check-file passes it
//   or finds it ending with the mark of a failed check (status 0), and
//   refuses it otherwise (status 1);
// - a refused file leaves the ledger as it was: nothing recorded;
// - a recorded file's lines are recorded as the check read them, in order,
//   the last one as a failed check when the file ends with the mark;
// - the same file added again is already recorded and changes nothing.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ledger/Ledger.h"
#include "ledger/LedgerCommands.h"
#include "results/CheckFile.h"
#include "results/ResultLine.h"

namespace {

struct Ran {
  int status;
  std::string out, err;
};

Ran Command(std::vector<std::string> arguments) {
  std::vector<const char*> argv = {"brunsk-ledger"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  char *outText = nullptr, *errText = nullptr;
  size_t outSize = 0, errSize = 0;
  FILE* out = open_memstream(&outText, &outSize);
  FILE* err = open_memstream(&errText, &errSize);
  int status = RunLedgerCommand(static_cast<int>(argv.size()), argv.data(), out, err);
  fclose(out);
  fclose(err);
  Ran ran{status, std::string(outText, outSize), std::string(errText, errSize)};
  free(outText);
  free(errText);
  return ran;
}

// Everything the ledger holds, as text to compare.
std::string Contents(const std::string& db) {
  LedgerContents contents = Ledger(db).Load();
  std::string text;
  for (const std::string& name : contents.names) text += "name " + name + "\n";
  for (const RecordedLine& line : contents.lines) {
    text += "line " + std::to_string(line.k) + " " + line.line + (line.failed ? " failed" : "") + " by " +
            std::to_string(line.volunteer) + "\n";
  }
  for (const RecordedReservation& r : contents.reservations) {
    text += "reservation " + std::to_string(r.id) + " " + std::to_string(r.start) + ".." + std::to_string(r.end) + "\n";
  }
  return text;
}

std::string gFreshLedger;  // made by init once, copied for every input

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string folder = ScratchFolder() + "/fresh";
  std::filesystem::create_directory(folder);
  gFreshLedger = folder + "/ledger.sqlite";
  Ran init = Command({"--db", gFreshLedger, "init"});
  FUZZ_REQUIRE(init.status == 0, "init: " + init.err);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const RangeAndText input = TakeRangeAndText(data, size);
  const long S = input.S, E = input.E;
  const std::string& text = input.text;

  const std::string folder = ScratchFolder() + "/ledger";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
  const std::string db = folder + "/ledger.sqlite";
  std::filesystem::copy_file(gFreshLedger, db);
  const std::string path = folder + "/Pix" + std::to_string(S) + "-" + std::to_string(E) + ".txt";
  FUZZ_REQUIRE(WriteWholeFile(path, text), path);
  const std::string empty = Contents(db);

  CheckedFile file = CheckResultFile(path);
  bool recordable = file.valid || file.checkFailed;
  Ran add = Command({"--db", db, "add", "--who", "alice", path});
  const std::string after = Contents(db);
  const std::string what = Shown(text) + " as " + path + ": " + file.summary + "\nadd status " +
                           std::to_string(add.status) + "\nout: " + add.out + "err: " + add.err + "ledger:\n" + after;
  if (!recordable) {
    FUZZ_REQUIRE(add.status == 1 && after == empty, what);
    return 0;
  }
  FUZZ_REQUIRE(add.status == 0 && add.err.empty(), what);
  std::string due;
  for (size_t i = 0; i < file.scan.lines.size(); ++i) {
    bool failed = file.checkFailed && i + 1 == file.scan.lines.size();
    due += "line " + std::to_string(file.scan.lines[i].index) + " " + ResultLineText(file.scan.lines[i]) +
           (failed ? " failed" : "") + " by 1\n";
  }
  std::string recorded;
  for (size_t line = 0; line < after.size();) {
    size_t end = after.find('\n', line) + 1;
    if (after.compare(line, 5, "line ") == 0) recorded += after.substr(line, end - line);
    line = end;
  }
  FUZZ_REQUIRE(recorded == due, what + "\ndue:\n" + due);

  Ran again = Command({"--db", db, "add", "--who", "alice", path});
  FUZZ_REQUIRE(again.status == 0 && again.out == path + ": already recorded\n" && Contents(db) == after,
               what + "\nagain: " + again.out + again.err);
  return 0;
}
