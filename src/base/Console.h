#pragma once
// Where the engine's reports go. The default console writes every text to
// standard output at once and flushes it; a console over a string collects
// the texts instead, so that work running side by side can be printed in
// order afterwards. A console is a value: it holds no state of its own.
#include <string>

class Console {
 public:
  Console() = default;                                      // standard output
  explicit Console(std::string* buffer) : buffer_(buffer) {}  // appends to *buffer

  void Write(const std::string& text) const;

 private:
  std::string* buffer_ = nullptr;
};

// The checks inside the arithmetic and the sieves, which are handed no
// console, report on standard output.
inline void ReportFault(const std::string& text) { Console().Write(text); }
