#pragma once
// The most memory the process has held in RAM at once since it started (its
// peak resident set), for the benchmarks' reports.
long long PeakMemoryKilobytes();
