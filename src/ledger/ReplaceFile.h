#pragma once
// Replaces a file whole or not at all: the text goes to a temporary name in
// the same folder, is flushed to the disk, then renamed over the old file,
// so that a reader, or a run interrupted at any instant, sees the old file
// or the new one, never a part. One implementation per system
// (ReplaceFilePosix.cpp; the ledger is not built for Windows).
#include <string>

// "" when done, otherwise why not (the system's text, e.g. "No space left
// on device"); the temporary file is then removed and the old one stays.
std::string ReplaceFile(const std::string& path, const std::string& text);
