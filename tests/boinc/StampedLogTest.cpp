// The log stream that stamps each line: one stamp per line however the
// line is written, nothing lost or reordered.
#include "boinc/StampedLog.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

std::string Contents(FILE* file) {
  rewind(file);
  std::string text;
  for (int c; (c = fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

TEST(StampedLogTest, EachLineGetsOneStampAndTheTextPassesUnchanged) {
  FILE* target = tmpfile();
  ASSERT_NE(nullptr, target);
  FILE* log = OpenStampedLog(target);
  ASSERT_NE(nullptr, log);
  fputs("Checking delta value...", log);
  fflush(log);  // a line in two pieces, flushed in between
  fputs(" time=0.25\nCheck OK\n\n", log);
  fprintf(log, "%s", "Range: 1/2 points done\nno end of line");
  fclose(log);

  std::string text = Contents(target);
  fclose(target);
  std::string stamp = "[0-9]{2}:[0-9]{2}:[0-9]{2} \\(" + std::to_string(getpid()) + "\\): ";
  std::regex expected(stamp + "Checking delta value\\.\\.\\. time=0\\.25\n" + stamp + "Check OK\n" + stamp + "\n" +
                      stamp + "Range: 1/2 points done\n" + stamp + "no end of line");
  EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

}  // namespace
