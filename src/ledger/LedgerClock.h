#pragma once
// The ledger's times and dates, in UTC and as text: "YYYY-MM-DD HH:MM:SS"
// for when something was recorded, "YYYY-MM-DD" for a reservation's last
// day. Texts of these forms sort as the times they name.
#include <cstdint>
#include <string>

// The current time, "YYYY-MM-DD HH:MM:SS".
std::string UtcNow();

// The date part of a time text.
inline std::string DateOf(const std::string& time) { return time.substr(0, 10); }

// The date days after date ("2026-12-10" plus 30 is "2027-01-09").
std::string DatePlusDays(const std::string& date, int64_t days);
