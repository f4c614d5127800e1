#pragma once
// The few system calls that the result file and the check of returned files
// make, behind one small interface with one implementation per system
// (PlatformFilePosix.cpp, PlatformFileWindows.cpp, picked by the build). The
// rules of the file, what is written when and what a failure means, are in
// ResultFile and ResultScan, written once above this.
//
// Sizes and offsets are 64-bit on every system. Texts that say why a call
// failed are the C library's texts for the error ("No space left on
// device"), the same words on every system.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class PlatformFile {
 public:
  PlatformFile() = default;
  PlatformFile(const PlatformFile&) = delete;
  PlatformFile& operator=(const PlatformFile&) = delete;
  ~PlatformFile() { Close(); }

  // Opens the regular file at path for reading and appending, creating it
  // when absent, and takes its exclusive lock without waiting. What else is
  // at the name is refused before it is opened ("it is a directory", "it is
  // a named pipe", "it is a device", ...), so that nothing blocks or acts on
  // a device. A lock that another process holds gives "it is in use by
  // another process"; nothing is ever removed on the way. When this returns
  // "", the lock is held on the file that the path names at that moment.
  // beforeLock, when set, is called between the open and the lock: a test
  // puts another process's moves there.
  std::string OpenLocked(const std::string& path, const std::function<void()>& beforeLock);

  // Opens the regular file at path for reading only, without a lock; what
  // else is at the name is refused as OpenLocked refuses it. Sets *absent
  // (and returns the text for "no such file") when nothing is there.
  std::string OpenForReading(const std::string& path, bool* absent);

  bool IsOpen() const;
  // Whether OpenLocked created the file.
  bool Created() const { return created_; }

  // The file's current size; false when it cannot be had.
  bool Size(int64_t* size) const;
  // Reads up to n bytes at offset into data: the count read (0 at the
  // end), or -1 on an error.
  int64_t ReadAt(int64_t offset, char* data, size_t n) const;
  // Writes up to n bytes at the end of the file as it is now: the count
  // written, or -1 on an error.
  int64_t AppendSome(const char* data, size_t n);
  // Flushes the file's data to the disk.
  bool SyncData();
  // Cuts the file to size bytes.
  bool Truncate(int64_t size);
  // Releases the lock and closes the file.
  void Close();
  // Removes the file that the path of OpenLocked names, while nobody else
  // holds it open or locked, and closes it; false when it stays.
  bool CloseAndRemove();

  // Flushes the entry of path in its folder to the disk (where the system
  // needs that for a new file to survive a power cut).
  static void SyncFolderEntry(const std::string& path);
  // Whether files can be created in folder; false with LastError() set
  // when not.
  static bool CanCreateIn(const std::string& folder);
  // The text for the error of the last call that failed.
  static std::string LastError();
  // The characters that separate the folders of a path.
  static const char* Separators();

 private:
  std::string path_;
  intptr_t handle_ = -1;  // a file descriptor, or a Windows HANDLE
  bool created_ = false;
};
