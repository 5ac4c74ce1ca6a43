// A run-time error of the program: what a failing window, library or file call raises. Outside
// the ignore-and-continue mode nothing catches it before the front end's top-level handler,
// which shows its number and description and ends the program.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/file_error.h"

namespace orm {

class RunTimeError : public std::runtime_error {
 public:
  RunTimeError(std::int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  explicit RunTimeError(const FileError& error) : RunTimeError(error.number, error.description) {}

  std::int32_t number() const { return number_; }
  std::string description() const { return what(); }

 private:
  std::int32_t number_;
};

// Raises the error unless it is a success.
inline void ThrowIfFailed(const FileError& error) {
  if (!error.ok()) throw RunTimeError(error);
}

}  // namespace orm
