#include "driver/ResultFile.h"

#include <cinttypes>
#include <cstdio>

ResultFile::~ResultFile() {
  if (!file_.IsOpen()) return;
  int64_t size = -1;
  if (file_.Created() && file_.Size(&size) && size == 0) {
    file_.CloseAndRemove();
  } else {
    file_.Close();
  }
}

std::string ResultFile::Open(const std::string& path) {
  std::string unusable = file_.OpenLocked(path, beforeLock_);
  if (!unusable.empty()) return unusable;
  path_ = path;
  if (!file_.Size(&size_)) {
    std::string why = PlatformFile::LastError();
    file_.Close();
    return why;
  }
  wasEmpty_ = size_ == 0;
  return "";
}

bool ResultFile::ReadAll(std::string* text) {
  text->clear();
  char buffer[1 << 16];
  for (;;) {
    int64_t got = file_.ReadAt(static_cast<int64_t>(text->size()), buffer, sizeof buffer);
    if (got < 0) return false;
    if (got == 0) break;
    text->append(buffer, static_cast<size_t>(got));
  }
  size_ = static_cast<int64_t>(text->size());
  return true;
}

std::string ResultFile::Append(const std::string& text) {
  int64_t now = -1;
  if (!file_.Size(&now)) return PlatformFile::LastError();
  if (now != size_) {
    char what[160];
    snprintf(what, sizeof what,
             "another process has changed it: it holds %" PRId64 " bytes where this run wrote %" PRId64, now, size_);
    return what;
  }
  size_t done = 0;
  std::string why;
  while (done < text.size()) {
    int64_t wrote = file_.AppendSome(text.data() + done, text.size() - done);
    if (wrote < 0) {
      why = PlatformFile::LastError();
      break;
    }
    done += static_cast<size_t>(wrote);
  }
  if (why.empty() && !file_.SyncData()) why = PlatformFile::LastError();
  if (!why.empty()) {
    // Cut off this write's bytes only: when the file has grown past them
    // since, what follows belongs to someone else and is left alone.
    int64_t after = -1;
    if (done > 0 && file_.Size(&after) && after == size_ + static_cast<int64_t>(done)) file_.Truncate(size_);
    return why;
  }
  size_ += static_cast<int64_t>(done);
  if (wasEmpty_ && !folderSynced_) {
    // A file that was empty may be one whose folder entry never reached the
    // disk (a run killed before its first line): its first line brings it.
    PlatformFile::SyncFolderEntry(path_);
    folderSynced_ = true;
  }
  return "";
}

bool ResultFile::CutTo(int64_t size) {
  if (!file_.Truncate(size) || !file_.SyncData()) return false;
  size_ = size;
  return true;
}
