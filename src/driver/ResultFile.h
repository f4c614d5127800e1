#pragma once
// The result file of one range, held open and locked for the whole run.
//
// Every finished line must survive a power cut and no two processes may
// compute the same range into one file. So the file is opened once, before
// the first point, as a regular file that can be read and appended to (a
// directory, a named pipe or a device at its name is refused at once); an
// exclusive lock keeps a second process out; each line goes out in one
// write and is flushed to disk, and the first line written to a file that
// was empty flushes its folder entry too; a write that fails half way cuts
// off its own bytes and no others. The run knows how many bytes the file
// holds: when another process has cut or extended it since, nothing more is
// written to it.
#include <cstdint>
#include <functional>
#include <string>

#include "base/PlatformFile.h"

class ResultFile {
 public:
  // beforeLock, when set, is called between the file's open and its lock
  // (a test puts another process's moves there).
  explicit ResultFile(std::function<void()> beforeLock = nullptr) : beforeLock_(std::move(beforeLock)) {}
  ResultFile(const ResultFile&) = delete;
  ResultFile& operator=(const ResultFile&) = delete;
  // Releases the lock. A file created by this process that is still empty
  // (no line was ever written) is removed again.
  ~ResultFile();

  // Opens (creating it when absent) and locks the file at path. Returns ""
  // or why the file cannot be used ("it is a directory", "it is in use by
  // another process", a system error text).
  std::string Open(const std::string& path);

  // The whole current contents; false when the file cannot be read. What
  // it returns is what the run then knows the file to hold.
  bool ReadAll(std::string* text);

  // Appends text at the end in one write and flushes it to disk. Returns ""
  // or why it was not written whole: the system's reason ("No space left on
  // device"), whatever part of it reached the file then cut off again so
  // that the file keeps only whole lines; or, with nothing written, that the
  // file no longer holds what this run knows it holds.
  std::string Append(const std::string& text);

  // Cuts the file back to its first size bytes and flushes that to disk;
  // false when it cannot. For the owner of a file that nobody else writes
  // (a BOINC unit's output), whose torn last line is its own.
  bool CutTo(int64_t size);

  // Whether this run has flushed the file's folder entry to disk.
  bool FolderSynced() const { return folderSynced_; }

 private:
  std::function<void()> beforeLock_;
  PlatformFile file_;
  std::string path_;
  int64_t size_ = 0;         // the bytes this run knows the file holds
  bool wasEmpty_ = false;    // when it was opened
  bool folderSynced_ = false;
};
