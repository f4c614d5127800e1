// The result file's system calls on POSIX systems: flock for the lock,
// fdatasync and a folder fsync for the disk.
//
// A lock is taken on an open file, but the file a run must hold is the one
// its path names. Between the open and the lock another run may create the
// file, lock it, find it empty and remove it on its way out; a lock taken
// then holds a file that no name reaches, and every line written to it is
// lost. So once the lock is held, the path must still name the very file
// (same device and inode); when it does not, the open starts over.
#include "base/PlatformFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Opens that find the name replaced each time: only a process that keeps
// creating and removing the file can cause more than one or two.
constexpr int kOpenAttempts = 100;

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a directory";
  if (S_ISFIFO(mode)) return "it is a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device";
  if (S_ISSOCK(mode)) return "it is a socket";
  return "it is not a regular file";
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Opens path with flags (O_NONBLOCK added: the open of a pipe put there
// after the look must not wait), checks that what was opened is a regular
// file and clears O_NONBLOCK again. Returns the descriptor, or -1 with
// *why set and *error the open's errno (0 when something else was opened).
int OpenRegular(const std::string& path, int flags, std::string* why, int* error) {
  *error = 0;
  int fd = open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    *error = errno;
    *why = strerror(*error);
    return -1;
  }
  struct stat opened;
  if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    *why = KindOf(opened.st_mode);
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

std::string PlatformFile::OpenLocked(const std::string& path, const std::function<void()>& beforeLock) {
  Close();
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    // Look before opening: opening a named pipe or a device could block or
    // act on the device.
    struct stat before;
    bool existed = stat(path.c_str(), &before) == 0;
    if (existed && !S_ISREG(before.st_mode)) return KindOf(before.st_mode);
    if (!existed && errno != ENOENT) return strerror(errno);

    int flags = O_RDWR | O_APPEND | (existed ? 0 : O_CREAT | O_EXCL);
    std::string why;
    int error = 0;
    int fd = OpenRegular(path, flags, &why, &error);
    if (fd < 0 && (error == EEXIST || (existed && error == ENOENT))) continue;  // created or removed meanwhile
    if (fd < 0) return why;

    if (beforeLock) beforeLock();
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      error = errno;
      close(fd);
      return error == EWOULDBLOCK ? "it is in use by another process" : strerror(error);
    }
    struct stat held, named;
    if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && SameFile(held, named)) {
      path_ = path;
      handle_ = fd;
      created_ = !existed;
      return "";
    }
    close(fd);  // the name went to another file in the meantime
  }
  return "it is being replaced again and again by another process";
}

std::string PlatformFile::OpenForReading(const std::string& path, bool* absent) {
  Close();
  *absent = false;
  struct stat before;
  if (stat(path.c_str(), &before) != 0) {
    *absent = errno == ENOENT;
    return strerror(errno);
  }
  if (!S_ISREG(before.st_mode)) return KindOf(before.st_mode);
  std::string why;
  int error = 0;
  int fd = OpenRegular(path, O_RDONLY, &why, &error);
  if (fd < 0) return why;
  path_ = path;
  handle_ = fd;
  created_ = false;
  return "";
}

bool PlatformFile::IsOpen() const { return handle_ >= 0; }

bool PlatformFile::Size(int64_t* size) const {
  struct stat now;
  if (fstat(static_cast<int>(handle_), &now) != 0) return false;
  *size = static_cast<int64_t>(now.st_size);
  return true;
}

int64_t PlatformFile::ReadAt(int64_t offset, char* data, size_t n) const {
  for (;;) {
    ssize_t got = pread(static_cast<int>(handle_), data, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

int64_t PlatformFile::AppendSome(const char* data, size_t n) {
  for (;;) {
    ssize_t wrote = write(static_cast<int>(handle_), data, n);  // O_APPEND: at the end as it is now
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote == 0 && n > 0) {
      errno = ENOSPC;
      return -1;
    }
    return wrote;
  }
}

bool PlatformFile::SyncData() { return fdatasync(static_cast<int>(handle_)) == 0; }

bool PlatformFile::Truncate(int64_t size) { return ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) == 0; }

void PlatformFile::Close() {
  if (handle_ >= 0) close(static_cast<int>(handle_));  // releases the lock
  handle_ = -1;
}

bool PlatformFile::CloseAndRemove() {
  // Removed while the lock is still held: a run that opened the file in the
  // meantime finds, once it has the lock, that the name is gone, and starts
  // over.
  bool removed = handle_ >= 0 && unlink(path_.c_str()) == 0;
  Close();
  return removed;
}

void PlatformFile::SyncFolderEntry(const std::string& path) {
  int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  fsync(folder);
  close(folder);
}

bool PlatformFile::CanCreateIn(const std::string& folder) { return access(folder.c_str(), W_OK | X_OK) == 0; }

std::string PlatformFile::LastError() { return strerror(errno); }

const char* PlatformFile::Separators() { return "/"; }
