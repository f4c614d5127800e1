#include "driver/ResultFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a directory";
  if (S_ISFIFO(mode)) return "it is a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device";
  if (S_ISSOCK(mode)) return "it is a socket";
  return "it is not a regular file";
}

}  // namespace

ResultFile::~ResultFile() {
  if (fd_ < 0) return;
  struct stat now;
  if (created_ && fstat(fd_, &now) == 0 && now.st_size == 0) unlink(path_.c_str());
  close(fd_);  // releases the lock
}

std::string ResultFile::Open(const std::string& path) {
  path_ = path;
  // Look before opening: opening a named pipe or a device could block or
  // act on the device.
  struct stat before;
  bool existed = stat(path.c_str(), &before) == 0;
  if (existed && !S_ISREG(before.st_mode)) return KindOf(before.st_mode);
  if (!existed && errno != ENOENT) return strerror(errno);

  // O_NONBLOCK keeps the open itself from waiting on a pipe put there in
  // the meantime; the type is checked again on what was opened.
  int flags = O_RDWR | O_APPEND | O_NONBLOCK | O_CLOEXEC | (existed ? 0 : O_CREAT | O_EXCL);
  int fd = open(path.c_str(), flags, 0644);
  if (fd < 0 && !existed && errno == EEXIST) {
    fd = open(path.c_str(), O_RDWR | O_APPEND | O_NONBLOCK | O_CLOEXEC);  // lost a race: it exists now
    existed = true;
  }
  if (fd < 0) return strerror(errno);
  struct stat opened;
  if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    close(fd);
    return KindOf(opened.st_mode);
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    close(fd);
    if (!existed) unlink(path.c_str());
    return error == EWOULDBLOCK ? "it is in use by another process" : strerror(error);
  }
  fd_ = fd;
  created_ = !existed;
  return "";
}

bool ResultFile::ReadAll(std::string* text) const {
  text->clear();
  char buffer[1 << 16];
  for (off_t at = 0;;) {
    ssize_t got = pread(fd_, buffer, sizeof buffer, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    text->append(buffer, static_cast<size_t>(got));
    at += got;
  }
}

bool ResultFile::Append(const std::string& text) {
  // With O_APPEND each write lands at the end as it is then; the end after
  // the first write, less what it wrote, is where this line starts.
  size_t done = 0;
  off_t start = -1;
  bool ok = true;
  while (done < text.size()) {
    ssize_t wrote = write(fd_, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      ok = false;
      break;
    }
    if (start < 0) start = lseek(fd_, 0, SEEK_CUR) - wrote;
    done += static_cast<size_t>(wrote);
  }
  if (ok && fdatasync(fd_) != 0) ok = false;
  if (ok && created_ && !folderSynced_) {
    int folder = open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
      fsync(folder);
      close(folder);
    }
    folderSynced_ = true;
  }
  if (!ok && start >= 0) {
    // Cut off this write's bytes only: when the file has grown past them
    // since, what follows belongs to someone else and is left alone.
    struct stat now;
    if (fstat(fd_, &now) == 0 && now.st_size == start + static_cast<off_t>(done)) {
      (void)!ftruncate(fd_, start);
    }
  }
  return ok;
}
