// Edits as WritePrivateProfileString takes them, and UTF-16 bytes, for the profile tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/file_services.h"

namespace orm::test {

inline ProfileEdit Put(std::string s, std::string k, std::string v) {
  return {s, k, v};
}
inline ProfileEdit DelKey(std::string s, std::string k) {
  return {s, k, std::nullopt};
}
inline ProfileEdit DelSection(std::string s) {
  return {s, std::nullopt, std::nullopt};
}

// The code units of text in the byte order asked for, without a byte order mark.
inline std::string Utf16(std::u16string_view text, bool big_endian = false) {
  std::string out;
  for (char16_t c : text) {
    char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out += big_endian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return out;
}

}  // namespace orm::test
