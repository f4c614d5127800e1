#pragma once
// Files and commands for the tests that drive programs and scripts: a whole
// file read or written on every system; a fresh folder under /tmp and a
// shell command's exit status on POSIX systems (Program.h has the portable
// forms).
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testref {

// The whole file; "" when it cannot be read.
inline std::string ReadTextFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteTextFile(const std::string& name, const std::string& text) {
  std::ofstream(name, std::ios::binary) << text;
}

#ifndef _WIN32
// A new empty folder under /tmp whose name starts with prefix; "" on failure.
inline std::string NewFolder(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "-XXXXXX";
  return mkdtemp(&pattern[0]) != nullptr ? pattern : "";
}

// The exit status of a shell command, -1 when it did not exit.
inline int ShellStatus(const std::string& command) {
  int raw = system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
#endif

}  // namespace testref
