// --check-file A --against B on two files made from the input: its first
// bytes give the two ranges, whether the checksums are repaired and where
// the first file's text ends. What must hold:
// - the comparison is symmetric in its verdict;
// - an invalid file (by the check of --check-file) is never compared;
// - two valid files agree exactly when they share an index and every
//   shared index has the same line in both, and each differing index is
//   printed once;
// - a valid file holding a point agrees with itself.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "results/CheckFile.h"
#include "results/ResultScan.h"

namespace {

// A comparison's verdict and what it printed.
struct Compared {
  int status;
  std::string printed;
};

Compared Compare(const std::string& a, const std::string& b) {
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  int status = CompareResultFiles(a, b, out);
  fclose(out);
  Compared result{status, std::string(text, size)};
  free(text);
  return result;
}

// The lines "k=N differs:" of a comparison's output (the fields it quotes
// elsewhere show a newline as \x0a, so a line is the program's own).
long DifferingShown(const std::string& printed) {
  long n = 0;
  size_t at = 0;
  while (at < printed.size()) {
    size_t end = printed.find('\n', at);
    if (end == std::string::npos) end = printed.size();
    std::string line = printed.substr(at, end - at);
    if (line.compare(0, 2, "k=") == 0 && line.size() > 9 && line.compare(line.size() - 9, 9, " differs:") == 0) ++n;
    at = end + 1;
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t at = 0;
  long S[2], E[2];
  for (int i = 0; i < 2; ++i) {
    // Small ranges near each other, so that the two often overlap.
    S[i] = 1000 + static_cast<long>(TakeNumber(data, size, &at, 1) % 64);
    E[i] = S[i] + static_cast<long>(TakeNumber(data, size, &at, 1) % 64);
  }
  bool repair = (TakeNumber(data, size, &at, 1) & 1) != 0;
  size_t firstLength = static_cast<size_t>(TakeNumber(data, size, &at, 2));
  if (at > size) at = size;
  std::string rest(reinterpret_cast<const char*>(data) + at, size - at);
  if (firstLength > rest.size()) firstLength = rest.size();
  std::string texts[2] = {rest.substr(0, firstLength), rest.substr(firstLength)};
  std::string paths[2];
  ResultScan scans[2];
  bool valid[2];
  for (int i = 0; i < 2; ++i) {
    if (repair) texts[i] = WithChecksumsRepaired(texts[i]);
    std::string folder = ScratchFolder() + (i == 0 ? "/a" : "/b");
    static bool made = system(("mkdir -p " + ScratchFolder() + "/a " + ScratchFolder() + "/b").c_str()) == 0;
    FUZZ_REQUIRE(made, "no folders a and b");
    paths[i] = folder + "/Pix" + std::to_string(S[i]) + "-" + std::to_string(E[i]) + ".txt";
    FUZZ_REQUIRE(WriteWholeFile(paths[i], texts[i]), paths[i] + " cannot be written");
    scans[i] = ScanResults(texts[i], S[i], E[i], true);
    valid[i] = CheckResultFiles({paths[i]}, stdout) == 0;
    FUZZ_REQUIRE(valid[i] == (scans[i].Valid() && !scans[i].checkFailed), Shown(texts[i]));
  }
  const std::string what = "A " + paths[0] + " " + Shown(texts[0]) + "\nB " + paths[1] + " " + Shown(texts[1]);

  Compared ab = Compare(paths[0], paths[1]);
  Compared ba = Compare(paths[1], paths[0]);
  FUZZ_REQUIRE(ab.status == ba.status, what + "\nA against B: " + ab.printed + "B against A: " + ba.printed);
  if (!valid[0] || !valid[1]) {
    FUZZ_REQUIRE(ab.status == 1 && DifferingShown(ab.printed) == 0, what + "\n" + ab.printed);
  } else {
    long first = S[0] > S[1] ? S[0] : S[1];
    long last = (scans[0].nextIndex < scans[1].nextIndex ? scans[0].nextIndex : scans[1].nextIndex) - 1;
    long differing = 0;
    for (long k = first; k <= last; ++k) {
      if (ResultLineText(scans[0].lines[k - S[0]]) != ResultLineText(scans[1].lines[k - S[1]])) ++differing;
    }
    int due = first <= last && differing == 0 ? 0 : 1;
    FUZZ_REQUIRE(ab.status == due, what + "\n" + ab.printed);
    FUZZ_REQUIRE(DifferingShown(ab.printed) == differing, what + "\n" + ab.printed);
  }
  for (int i = 0; i < 2; ++i) {
    Compared self = Compare(paths[i], paths[i]);
    FUZZ_REQUIRE(self.status == (valid[i] && scans[i].points > 0 ? 0 : 1), what + "\nagainst itself: " + self.printed);
  }
  remove(paths[0].c_str());
  remove(paths[1].c_str());
  return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SilenceStandardOutput();
  return 0;
}
