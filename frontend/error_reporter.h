#pragma once

#include <exception>

namespace vorsel {

// Receives an error that ended a batch: the window shows and logs it, the command-line tool
// prints it.
class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void HandleException(const std::exception& error) = 0;
};

}  // namespace vorsel
