#include "base/Console.h"

#include <cstdio>

void Console::Write(const std::string& text) const {
  if (buffer_ != nullptr) {
    buffer_->append(text);
    return;
  }
  fputs(text.c_str(), stdout);
  fflush(stdout);
}
