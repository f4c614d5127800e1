#pragma once
// The one way a ledger command fails: a message for the user and the exit
// status it ends with (0 ok, 1 arguments, a refused file, a missing ledger
// or an overlap; 2 a damaged or foreign ledger file; 3 an unwritable folder,
// a full disk or a ledger held too long by another command).
#include <stdexcept>
#include <string>

constexpr int kStatusRefused = 1;
constexpr int kStatusDamaged = 2;
constexpr int kStatusUnwritable = 3;

class LedgerError : public std::runtime_error {
 public:
  LedgerError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
  int Status() const { return status_; }

 private:
  int status_;
};
