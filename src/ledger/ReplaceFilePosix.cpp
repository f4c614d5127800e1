#include "ledger/ReplaceFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string ReplaceFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".part";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return strerror(errno);
  std::string fault;
  for (size_t done = 0; done < text.size() && fault.empty();) {
    ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) fault = strerror(wrote < 0 ? errno : ENOSPC);
    else done += static_cast<size_t>(wrote);
  }
  if (fault.empty() && fsync(fd) != 0) fault = strerror(errno);
  if (close(fd) != 0 && fault.empty()) fault = strerror(errno);
  if (fault.empty() && rename(temporary.c_str(), path.c_str()) != 0) fault = strerror(errno);
  if (!fault.empty()) {
    unlink(temporary.c_str());
    return fault;
  }
  // The new name survives a power cut once the folder's entry is on the disk.
  std::string folder = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1);
  int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return "";
}
