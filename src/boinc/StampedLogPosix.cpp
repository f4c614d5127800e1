// Built on the C library's custom streams (fopencookie), so that every
// printf to the stream, from any layer, is stamped without knowing it.
// Every system but Windows.
#include "boinc/StampedLog.h"

#include <unistd.h>

#include <cstring>
#include <ctime>

#include "base/LocalTime.h"

namespace {

struct Stamping {
  FILE* target;
  bool atLineStart = true;
};

void WriteStamp(FILE* target) {
  time_t now = time(nullptr);
  std::tm local{};
  char stamp[64];
  size_t length = LocalTime(now, &local) ? strftime(stamp, sizeof stamp, "%H:%M:%S", &local) : 0;
  snprintf(stamp + length, sizeof stamp - length, " (%d): ", static_cast<int>(getpid()));
  fputs(stamp, target);
}

ssize_t WriteStamped(void* cookie, const char* text, size_t size) {
  Stamping& s = *static_cast<Stamping*>(cookie);
  size_t done = 0;
  while (done < size) {
    if (s.atLineStart) WriteStamp(s.target);
    const char* newline = static_cast<const char*>(memchr(text + done, '\n', size - done));
    size_t piece = newline != nullptr ? static_cast<size_t>(newline - (text + done)) + 1 : size - done;
    if (fwrite(text + done, 1, piece, s.target) != piece) return done > 0 ? static_cast<ssize_t>(done) : -1;
    done += piece;
    s.atLineStart = newline != nullptr;
  }
  fflush(s.target);
  return static_cast<ssize_t>(size);
}

int CloseStamped(void* cookie) {
  delete static_cast<Stamping*>(cookie);
  return 0;
}

}  // namespace

FILE* OpenStampedLog(FILE* target) {
  Stamping* stamping = new Stamping{target};
  cookie_io_functions_t functions = {nullptr, WriteStamped, nullptr, CloseStamped};
  FILE* stream = fopencookie(stamping, "w", functions);
  if (stream == nullptr) {
    delete stamping;
    return nullptr;
  }
  setvbuf(stream, nullptr, _IOLBF, BUFSIZ);
  return stream;
}

FILE* ReplaceStandardOutput(FILE* stream) {
  FILE* replaced = stdout;
  stdout = stream;
  return replaced;
}
