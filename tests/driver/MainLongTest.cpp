// Whole runs of the built program at the two ends of the grid, each one
// grid point computed and checked (minutes each). The test runs in the
// build folder, next to the binary.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/Program.h"

namespace {

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WholeRun(const char* index, const std::string& expectedLine) {
  ASSERT_TRUE(testref::ProgramBuilt("brunsk"));
  std::string directory = testref::NewTempFolder("brunsk-run");
  ASSERT_NE("", directory);
  std::ofstream(directory + "/input.txt", std::ios::binary) << index << "\n" << index << "\nY\n";

  std::string command =
      testref::InFolder(directory, testref::ProgramCommand("brunsk") + " < input.txt > transcript.txt 2>&1");
  EXPECT_EQ(0, testref::CommandStatus(command));

  std::string name = directory + "/Pix" + index + "-" + index + ".txt";
  EXPECT_EQ(expectedLine + "\n", ReadFile(name));

  // The transcript, in order.
  std::string out = ReadFile(directory + "/transcript.txt");
  std::vector<std::string> pieces = {
      "Brunsk, version 1.1 by Tormelin\n",
      "Enter S : Enter E : Computation of pi(x) for x from \n",
      "Do you confirm ? (Y=Yes, N=No) : \n",
      "==================================================\nStarting : ",
      std::string(index) + "/" + index + " - Compute and check pi(x) for x=",
      "Computing Pi(x) : x=",
      "Computing A : ", "Computing B : ", "Computing C : ", "Computing D : ",
      "phi0=", "Sigma=", "pi(x) total computation time : ",
      "\nComputation of pi(x+delta) :\n",
      "Computing Pi(x) : x=",
      "Computing A : ", "Computing B : ", "Computing C : ", "Computing D : ",
      "phi0=", "Sigma=", "pi(x) total computation time : ",
      "\n\nChecking delta value... time=",
      "Check OK, total time=",
  };
  size_t at = 0;
  for (const std::string& piece : pieces) {
    size_t found = out.find(piece, at);
    ASSERT_NE(std::string::npos, found) << "missing in order: " << piece << "\n" << out;
    at = found + piece.size();
  }
  const std::string last = "coucou\n";
  ASSERT_GE(out.size(), last.size());
  EXPECT_EQ(last, out.substr(out.size() - last.size()));
  std::cout << out;
  std::filesystem::remove_all(directory);
}

TEST(MainLongTest, FirstPointOfTheGrid) { WholeRun("1000", "1000:2623557157654233:-0.05813:158"); }

TEST(MainLongTest, LastPointOfTheGrid) { WholeRun("10000", "10000:24739954287740860:-0.05178:649"); }

}  // namespace
