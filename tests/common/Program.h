#pragma once
// What the tests that drive the built program need on every system: a fresh
// folder, the command that starts a program of the build folder (through
// the emulator of a cross build: BRUNSK_TEST_EMULATOR), a command's exit
// status, and the text a function printed to a FILE*.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#ifndef BRUNSK_TEST_EMULATOR
#define BRUNSK_TEST_EMULATOR ""
#endif

namespace testref {

// A new empty folder in the system's temporary folder whose name starts
// with prefix; "" on failure.
inline std::string NewTempFolder(const std::string& prefix) {
  static std::atomic<unsigned> serial{0};
  std::random_device seed;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 (prefix + "-" + std::to_string(seed()) + "-" + std::to_string(serial++));
    std::error_code error;
    if (std::filesystem::create_directory(path, error)) return path.string();
  }
  return "";
}

// The built program name in the current folder (the build folder), quoted
// for the shell, after the emulator that runs it.
inline std::string ProgramCommand(const std::string& name) {
#ifdef _WIN32
  std::string path = (std::filesystem::current_path() / (name + ".exe")).string();
#else
  std::string path = (std::filesystem::current_path() / name).string();
#endif
  std::string emulator = BRUNSK_TEST_EMULATOR;
  return (emulator.empty() ? "" : emulator + " ") + "\"" + path + "\"";
}

inline bool ProgramBuilt(const std::string& name) {
#ifdef _WIN32
  return std::filesystem::exists(std::filesystem::current_path() / (name + ".exe"));
#else
  return std::filesystem::exists(std::filesystem::current_path() / name);
#endif
}

// The shell command that runs command in folder.
inline std::string InFolder(const std::string& folder, const std::string& command) {
#ifdef _WIN32
  return "cd /d \"" + folder + "\" && " + command;  // /d: the folder may be on another drive
#else
  return "cd \"" + folder + "\" && " + command;
#endif
}

// The exit status of a command of the system's shell (sh; cmd.exe on
// Windows, which is handed the command whole in an extra pair of quotes),
// -1 when it did not exit.
inline int CommandStatus(const std::string& command) {
#ifdef _WIN32
  return system(("\"" + command + "\"").c_str());
#else
  int raw = system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
}

// The whole text written to a temporary file, which is then closed.
inline std::string ReadBackAndClose(FILE* file) {
  fflush(file);
  rewind(file);
  std::string text;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
  fclose(file);
  return text;
}

// What write printed to the FILE* it was handed (a temporary file: POSIX's
// memory streams are missing on Windows); *status is what it returned.
inline std::string PrintedText(const std::function<int(FILE*)>& write, int* status) {
  FILE* out = tmpfile();
  EXPECT_NE(nullptr, out) << "no temporary file";
  if (out == nullptr) return "";
  *status = write(out);
  return ReadBackAndClose(out);
}

}  // namespace testref
