#pragma once
// What the fuzz targets share: the check of a property that must hold, which
// stops the run with its message on stderr (libFuzzer then keeps the input
// that broke it), a scratch folder for the files a target writes, whole
// files read and written, and the repair of line checksums that lets the
// fuzzer reach the rules behind the checksum.
#include <cstddef>
#include <cstdint>
#include <string>

// Prints what broke and the text involved, then aborts.
[[noreturn]] void FuzzFailed(const char* condition, const std::string& detail);

// Stops the run when condition is false; detail is only built then.
#define FUZZ_REQUIRE(condition, detail)                  \
  do {                                                   \
    if (!(condition)) FuzzFailed(#condition, (detail));  \
  } while (0)

// A folder of this process's own, made on first use (in $BRUNSK_FUZZ_SCRATCH
// when set, else in /dev/shm when there is one, so that the result file's
// syncs cost nothing) and removed at a normal exit.
const std::string& ScratchFolder();

// Writes text as the whole file at path (false when it cannot); reads a
// whole file ("" when it cannot).
bool WriteWholeFile(const std::string& path, const std::string& text);
std::string ReadWholeFile(const std::string& path);

// The text with every line's last field replaced by the checksum of what
// precedes its last ':' (lines without a ':' are left as they are).
std::string WithChecksumsRepaired(const std::string& text);

// Reads a little-endian number of the given bytes from data at *at, 0 past
// the end; *at advances by bytes either way.
uint64_t TakeNumber(const uint8_t* data, size_t size, size_t* at, int bytes);

// A range of the grid and the text of a result file for it, as a fuzz input
// gives them: two bytes each for S and E (folded into the grid), one byte
// whose lowest bit asks for the checksums repaired, then the text.
struct RangeAndText {
  long S = 1000;
  long E = 1000;
  std::string text;
};
RangeAndText TakeRangeAndText(const uint8_t* data, size_t size);

// The text quoted for a message, bytes other than printable ASCII as \xNN.
std::string Shown(const std::string& text);

// Standard output goes to /dev/null (the program's messages are not what a
// target checks unless it captures them itself).
void SilenceStandardOutput();
