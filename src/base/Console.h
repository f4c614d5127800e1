#pragma once
// Where the engine's reports go, and which clock their times are read from.
// The default console writes every text to standard output at once and
// flushes it; a console over a string collects the texts instead, so that
// work running side by side can be printed in order afterwards. Times are
// read from the process clock unless the console is asked for the wall clock
// (when several threads run, the process clock adds up all of them). A
// console is a value: it holds no state of its own.
#include <string>

class Console {
 public:
  Console() = default;                                      // standard output
  explicit Console(std::string* buffer) : buffer_(buffer) {}  // appends to *buffer

  void Write(const std::string& text) const;

  // The same console with its times read from the wall clock.
  Console WithWallClock() const {
    Console c = *this;
    c.wallClock_ = true;
    return c;
  }
  bool UsesWallClock() const { return wallClock_; }
  double Seconds() const;  // the time on the console's clock

 private:
  std::string* buffer_ = nullptr;
  bool wallClock_ = false;
};

// The checks inside the arithmetic and the sieves, which are handed no
// console, report on standard output.
inline void ReportFault(const std::string& text) { Console().Write(text); }
