#include "FuzzSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "results/LineChecksum.h"

void FuzzFailed(const char* condition, const std::string& detail) {
  fprintf(stderr, "\nFUZZ INVARIANT BROKEN: %s\n%s\n", condition, detail.c_str());
  fflush(stderr);
  abort();
}

namespace {

std::string gScratch;

void RemoveScratch() {
  std::error_code ignored;
  if (!gScratch.empty()) std::filesystem::remove_all(gScratch, ignored);
}

}  // namespace

const std::string& ScratchFolder() {
  if (!gScratch.empty()) return gScratch;
  // Inside the folder fuzz/run.sh makes for the run, which it removes even
  // when a target has stopped on a fault.
  const char* given = getenv("BRUNSK_FUZZ_SCRATCH");
  struct stat info;
  std::string pattern = given != nullptr && given[0] != '\0' ? std::string(given) + "/target-XXXXXX"
                        : stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && access("/dev/shm", W_OK) == 0
                            ? "/dev/shm/brunsk-fuzz-XXXXXX"
                            : "/tmp/brunsk-fuzz-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) FuzzFailed("mkdtemp", "no scratch folder: " + pattern);
  gScratch = pattern;
  atexit(RemoveScratch);
  return gScratch;
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string WithChecksumsRepaired(const std::string& text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    size_t colon = line.rfind(':');
    // LineChecksum reads a C string: a NUL byte ends the fields it weighs.
    if (colon != std::string::npos && line.find('\0') == std::string::npos) {
      line = line.substr(0, colon + 1) + std::to_string(LineChecksum(line.substr(0, colon).c_str()));
    }
    out += line;
    if (end == std::string::npos) break;
    out += '\n';
    at = end + 1;
  }
  return out;
}

uint64_t TakeNumber(const uint8_t* data, size_t size, size_t* at, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i, ++*at) {
    if (*at < size) value |= static_cast<uint64_t>(data[*at]) << (8 * i);
  }
  return value;
}

std::string Shown(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else {
      char code[8];
      snprintf(code, sizeof code, "\\x%02x", c);
      out += code;
    }
  }
  return out + "\"";
}

void SilenceStandardOutput() {
  if (freopen("/dev/null", "w", stdout) == nullptr) FuzzFailed("freopen", "standard output not redirected");
}

RangeAndText TakeRangeAndText(const uint8_t* data, size_t size) {
  RangeAndText input;
  size_t at = 0;
  input.S = 1000 + static_cast<long>(TakeNumber(data, size, &at, 2) % 9001);
  input.E = input.S + static_cast<long>(TakeNumber(data, size, &at, 2) % (10001 - input.S));
  bool repair = (TakeNumber(data, size, &at, 1) & 1) != 0;
  if (at > size) at = size;
  input.text.assign(reinterpret_cast<const char*>(data) + at, size - at);
  if (repair) input.text = WithChecksumsRepaired(input.text);
  return input;
}
