#pragma once
// Where the engine's reports go, and which clock their times are read from.
// The default console writes every text to standard output at once and
// flushes it; a console over a string collects the texts instead, so that
// work running side by side can be printed in order afterwards. Times are
// read from the process clock unless the console is asked for the wall clock
// (when several threads run, the process clock adds up all of them). A
// console is a value: it holds no state of its own. It may carry where the
// progress of the terms goes (a host that shows how far a long evaluation
// is); the consoles of nested evaluations and of pieces carry none, so only
// the outermost run of a term reports.
#include <functional>
#include <string>

// Told a term's letter ('A' .. 'D') and the fraction of it done, 0 .. 1.
using ProgressSink = std::function<void(char term, double fraction)>;

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

  // The same console with the progress of its terms going to sink.
  Console WithProgress(ProgressSink sink) const {
    Console c = *this;
    c.progress_ = std::move(sink);
    return c;
  }
  void Progress(char term, double fraction) const {
    if (progress_) progress_(term, fraction);
  }

 private:
  std::string* buffer_ = nullptr;
  bool wallClock_ = false;
  ProgressSink progress_;
};

// The terminal the program was started in. Standard input and output are
// made to pass "\n" unchanged when they are files or pipes (on Windows they
// would turn it into "\r\n"); on a terminal the system's own line ends stay.
// Called first thing in main.
void SetUpTerminal();

// Called last thing in main: when the program is alone in a window of its
// own (on Windows, started by a double click), the window would close with
// the program, before the user could read how the run ended; there it asks
// for Enter first. Elsewhere (a shell, a pipe, POSIX systems) it does nothing.
void HoldTerminalAtExit();

// The checks inside the arithmetic and the sieves, which are handed no
// console, report on standard output.
inline void ReportFault(const std::string& text) { Console().Write(text); }
