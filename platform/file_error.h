// Failures of the file services: an error number that means the same on every platform, and
// its Russian description, as the operation log shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orm {

inline constexpr std::int32_t kErrBadFileName = 52;
inline constexpr std::int32_t kErrFileNotFound = 53;  // removal counts it as done
inline constexpr std::int32_t kErrDeviceIo = 57;
inline constexpr std::int32_t kErrFileExists = 58;
inline constexpr std::int32_t kErrDiskFull = 61;
inline constexpr std::int32_t kErrPermissionDenied = 70;
inline constexpr std::int32_t kErrDiskNotReady = 71;
inline constexpr std::int32_t kErrPathFileAccess = 75;
inline constexpr std::int32_t kErrPathNotFound = 76;

// The description the user reads for an error number; "" for an unknown number.
std::string ErrorDescription(std::int32_t number);

// The outcome of a file service call. number 0 means success; os_error keeps the system's own
// code (errno, GetLastError) for diagnostics and tests.
struct FileError {
  std::int32_t number = 0;
  std::string description;
  int os_error = 0;

  bool ok() const { return number == 0; }
  static FileError Success() { return {}; }
  static FileError Of(std::int32_t number, int os_error = 0) {
    return {number, ErrorDescription(number), os_error};
  }
};

// What deferred writes came to: how many files kept their old content because their rename
// failed (no temporary file of theirs is left), and the first of those failures.
struct DeferredOutcome {
  std::size_t failed = 0;
  FileError first = FileError::Success();
  void Add(const FileError& error) {
    if (error.ok()) return;
    if (failed++ == 0) first = error;
  }
};

}  // namespace orm
