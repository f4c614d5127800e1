// The result file's system calls on Windows: a byte-range lock far past the
// end of the file for the exclusive lock, FlushFileBuffers for the disk.
//
// The lock covers one byte at an offset no result file reaches, so that it
// keeps a second run out without stopping anyone from reading the lines
// (Windows locks are mandatory on the bytes they cover). The file is opened
// without FILE_SHARE_DELETE: while it is open here nobody can remove or
// rename it, so the name goes on naming the file that is locked, and a file
// that another process holds open cannot be removed from here either.
// Every file is opened in binary: lines end with '\n' on every system.
#include "base/PlatformFile.h"

#include <windows.h>

#include <cerrno>
#include <cstring>

namespace {

// The byte that the lock covers: 2^62, past any file.
constexpr DWORD kLockOffsetHigh = 0x40000000;

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The C library's text for the Windows error code, for the codes a result
// file meets; the system's number for the others.
std::string TextOf(DWORD code) {
  int error = 0;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      error = ENOENT;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      error = EACCES;
      break;
    case ERROR_WRITE_PROTECT:
      error = EROFS;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      error = ENOSPC;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      error = EEXIST;
      break;
    default:
      return "system error " + std::to_string(code);
  }
  return strerror(error);
}

// What is at path when it is not a plain file: "" for a file or nothing.
std::string KindAt(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return "it is a directory";
  return "";
}

// What was opened when it is not a file on a disk: a console, a printer
// port, NUL, a pipe.
std::string KindOf(HANDLE file) {
  switch (GetFileType(file)) {
    case FILE_TYPE_DISK:
      return "";
    case FILE_TYPE_PIPE:
      return "it is a named pipe";
    case FILE_TYPE_CHAR:
      return "it is a device";
    default:
      return "it is not a regular file";
  }
}

}  // namespace

std::string PlatformFile::OpenLocked(const std::string& path, const std::function<void()>& beforeLock) {
  Close();
  std::string kind = KindAt(path);
  if (!kind.empty()) return kind;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return TextOf(GetLastError());
  bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  kind = KindOf(file);
  if (!kind.empty()) {
    CloseHandle(file);
    return kind;
  }
  if (beforeLock) beforeLock();
  OVERLAPPED at = {};
  at.OffsetHigh = kLockOffsetHigh;
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    DWORD error = GetLastError();
    CloseHandle(file);
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? "it is in use by another process"
                                                                      : TextOf(error);
  }
  path_ = path;
  handle_ = reinterpret_cast<intptr_t>(file);
  created_ = !existed;
  return "";
}

std::string PlatformFile::OpenForReading(const std::string& path, bool* absent) {
  Close();
  *absent = false;
  std::string kind = KindAt(path);
  if (!kind.empty()) return kind;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    *absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return TextOf(error);
  }
  kind = KindOf(file);
  if (!kind.empty()) {
    CloseHandle(file);
    return kind;
  }
  path_ = path;
  handle_ = reinterpret_cast<intptr_t>(file);
  created_ = false;
  return "";
}

bool PlatformFile::IsOpen() const { return handle_ != -1; }

bool PlatformFile::Size(int64_t* size) const {
  LARGE_INTEGER now;
  if (!GetFileSizeEx(AsHandle(handle_), &now)) return false;
  *size = static_cast<int64_t>(now.QuadPart);
  return true;
}

int64_t PlatformFile::ReadAt(int64_t offset, char* data, size_t n) const {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
  if (!ReadFile(AsHandle(handle_), data, want, &got, &at)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return got;
}

int64_t PlatformFile::AppendSome(const char* data, size_t n) {
  // Offsets of all ones write at the end of the file as it is now.
  OVERLAPPED at = {};
  at.Offset = 0xFFFFFFFF;
  at.OffsetHigh = 0xFFFFFFFF;
  DWORD wrote = 0;
  DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
  if (!WriteFile(AsHandle(handle_), data, want, &wrote, &at)) return -1;
  if (wrote == 0 && n > 0) {
    SetLastError(ERROR_DISK_FULL);
    return -1;
  }
  return wrote;
}

bool PlatformFile::SyncData() { return FlushFileBuffers(AsHandle(handle_)) != 0; }

bool PlatformFile::Truncate(int64_t size) {
  FILE_END_OF_FILE_INFO end;
  end.EndOfFile.QuadPart = size;
  return SetFileInformationByHandle(AsHandle(handle_), FileEndOfFileInfo, &end, sizeof end) != 0;
}

void PlatformFile::Close() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));  // releases the lock
  handle_ = -1;
}

bool PlatformFile::CloseAndRemove() {
  // Closed first: Windows removes no open file. Another process that opened
  // it in the meantime holds it without FILE_SHARE_DELETE, and then the
  // removal fails and the file stays for that process.
  if (handle_ == -1) return false;
  Close();
  return DeleteFileA(path_.c_str()) != 0;
}

void PlatformFile::SyncFolderEntry(const std::string&) {
  // NTFS journals its folder entries: FlushFileBuffers on the file is enough.
}

bool PlatformFile::CanCreateIn(const std::string& folder) {
  // Windows keeps no write bit on folders: a folder that exists is taken as
  // writable, and a folder that is not says so at the result file's open.
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  return true;
}

std::string PlatformFile::LastError() { return TextOf(GetLastError()); }

const char* PlatformFile::Separators() { return "/\\"; }
