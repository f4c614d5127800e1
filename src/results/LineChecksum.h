#pragma once
// Checksum of a result line: the digits weighted by their rank (colons
// skipped and not ranked, '-' counting as -3 and '.' as -2), reduced into
// 0..999.
long LineChecksum(const char* text);
