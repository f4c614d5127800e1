#pragma once
// The result file of one range, held open and locked for the whole run.
//
// Every finished line must survive a power cut and no two processes may
// compute the same range into one file. So the file is opened once, before
// the first point, as a regular file that can be read and appended to (a
// directory, a named pipe or a device at its name is refused at once); an
// advisory lock keeps a second process out; each line goes out in one write
// and is flushed to disk (the folder too, once, when the file was created
// here); a write that fails half way cuts off its own bytes and no others.
#include <string>

class ResultFile {
 public:
  ResultFile() = default;
  ResultFile(const ResultFile&) = delete;
  ResultFile& operator=(const ResultFile&) = delete;
  // Releases the lock. A file created by this process that is still empty
  // (no line was ever written) is removed again.
  ~ResultFile();

  // Opens (creating it when absent) and locks the file at path. Returns ""
  // or why the file cannot be used ("it is a directory", "it is in use by
  // another process", a system error text).
  std::string Open(const std::string& path);

  // The whole current contents; false when the file cannot be read.
  bool ReadAll(std::string* text) const;

  // Appends text at the end in one write and flushes it to disk. Returns
  // false when it could not be written whole; whatever part of it reached
  // the file is then cut off again, so the file keeps only whole lines.
  bool Append(const std::string& text);

 private:
  std::string path_;
  int fd_ = -1;
  bool created_ = false;
  bool folderSynced_ = false;
};
