#pragma once
// Thrown by an evaluation whose parts do not fit together (the pieces of a
// component whose counts do not chain): its value cannot be trusted, and
// whoever asked for it must count it as a failed check, never use it.
#include <stdexcept>
#include <string>

class EvaluationFailure : public std::runtime_error {
 public:
  explicit EvaluationFailure(const std::string& what) : std::runtime_error(what) {}
};
