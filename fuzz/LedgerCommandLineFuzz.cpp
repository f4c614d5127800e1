// The command line of brunsk-ledger: the input split at its NUL bytes into
// the arguments, run in a folder of its own holding a small ledger (a few
// recorded lines, a reservation) as ledger.sqlite, the default. A '/' in an
// argument is read as '_', so that no command reaches outside that folder.
// What must hold: the command returns one of the documented statuses (no
// exception escapes it); a failure says why, on the error stream or, for a
// refused file, on the output; and whatever it was asked, no command loses
// a line or a reservation of the ledger, which still opens afterwards.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ledger/Ledger.h"
#include "ledger/LedgerCommands.h"
#include "results/ResultLine.h"

namespace {

namespace fs = std::filesystem;

std::string gTemplate;  // the small ledger, copied in for every input
size_t gLines = 0;
size_t gReservations = 0;

int Command(std::vector<std::string> arguments, std::string* out, std::string* err) {
  std::vector<const char*> argv = {"brunsk-ledger"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  char *outText = nullptr, *errText = nullptr;
  size_t outSize = 0, errSize = 0;
  FILE* outStream = open_memstream(&outText, &outSize);
  FILE* errStream = open_memstream(&errText, &errSize);
  int status = RunLedgerCommand(static_cast<int>(argv.size()), argv.data(), outStream, errStream);
  fclose(outStream);
  fclose(errStream);
  *out = std::string(outText, outSize);
  *err = std::string(errText, errSize);
  free(outText);
  free(errText);
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gTemplate = ScratchFolder() + "/template";
  fs::create_directory(gTemplate);
  const std::string db = gTemplate + "/ledger.sqlite";
  const std::string file = gTemplate + "/Pix1000-1002.txt";
  const std::string line = "1000:2623557157654233:-0.05813:158\n";
  FUZZ_REQUIRE(WriteWholeFile(file, line), file);
  std::string out, err;
  FUZZ_REQUIRE(Command({"--db", db, "init"}, &out, &err) == 0, err);
  FUZZ_REQUIRE(Command({"--db", db, "reserve", "--who", "bob", "--start", "1000", "--end", "1002"}, &out, &err) == 0, err);
  FUZZ_REQUIRE(Command({"--db", db, "add", "--who", "bob", file}, &out, &err) == 0, out + err);
  LedgerContents contents = Ledger(db).Load();
  gLines = contents.lines.size();
  gReservations = contents.reservations.size();
  fs::remove(file);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments;
  std::string text(reinterpret_cast<const char*>(data), size);
  for (char& c : text) {
    if (c == '/') c = '_';
  }
  for (size_t at = 0; at <= text.size() && size > 0 && arguments.size() < 64;) {
    size_t end = text.find('\0', at);
    if (end == std::string::npos) end = text.size();
    arguments.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  const std::string folder = ScratchFolder() + "/run";
  fs::remove_all(folder);
  fs::create_directory(folder);
  fs::copy_file(gTemplate + "/ledger.sqlite", folder + "/ledger.sqlite");
  FUZZ_REQUIRE(chdir(folder.c_str()) == 0, folder);

  std::string out, err;
  int status = Command(arguments, &out, &err);
  std::string shown;
  for (const std::string& argument : arguments) shown += " " + Shown(argument);
  const std::string what =
      "brunsk-ledger" + shown + "\nstatus " + std::to_string(status) + "\nout: " + out + "\nerr: " + err;
  FUZZ_REQUIRE(status >= 0 && status <= 3, what);
  if (status != 0) FUZZ_REQUIRE(!err.empty() || !out.empty(), what);

  LedgerContents contents;
  try {
    contents = Ledger(folder + "/ledger.sqlite").Load();
  } catch (const std::exception& e) {
    FUZZ_REQUIRE(false, what + "\nthe ledger no longer opens: " + e.what());
  }
  FUZZ_REQUIRE(contents.lines.size() >= gLines && contents.reservations.size() >= gReservations, what);
  FUZZ_REQUIRE(chdir(ScratchFolder().c_str()) == 0, ScratchFolder());
  return 0;
}
