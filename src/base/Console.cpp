#include "base/Console.h"

#include <cstdio>

#include "base/ElapsedSeconds.h"

void Console::Write(const std::string& text) const {
  if (buffer_ != nullptr) {
    buffer_->append(text);
    return;
  }
  fputs(text.c_str(), stdout);
  fflush(stdout);
}

double Console::Seconds() const { return wallClock_ ? WallSeconds() : ElapsedSeconds(); }
