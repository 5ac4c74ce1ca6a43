#include "platform/posix/dos_attrib.h"

#include <charconv>

namespace orm::posix {
namespace {

// Layout of the blob Samba 4 writes: an empty NUL-terminated text, a pad byte, the version and
// the union rename (both LE16), two pad bytes, then valid_flags and attrib (both LE32) and the
// version's time stamps.
constexpr std::size_t kVersionOffset = 2;
constexpr std::size_t kSwitchOffset = 4;
constexpr std::size_t kValidFlagsOffset = 8;
constexpr std::size_t kAttribOffset = 12;
constexpr std::size_t kMinimumBlobSize = 16;
constexpr std::uint32_t kValidAttrib = 1;  // XATTR_DOSINFO_ATTRIB

std::uint32_t ReadLe(std::string_view bytes, std::size_t offset, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  }
  return value;
}

void WriteLe32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

bool IsNdrBlob(std::string_view blob) {
  if (blob.size() < kMinimumBlobSize || blob[0] != '\0') return false;
  std::uint32_t version = ReadLe(blob, kVersionOffset, 2);
  return (version == 4 || version == 5) && ReadLe(blob, kSwitchOffset, 2) == version;
}

// What scanf("%x") takes from text, as Samba parses it: blanks, an optional 0x, hex digits.
std::optional<std::uint32_t> ParseHex(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
  std::uint64_t value = 0;
  std::size_t digits = 0;
  for (; i < text.size(); ++i, ++digits) {
    char c = text[i];
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) break;
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<std::uint32_t> ParseDosAttrib(std::string_view blob) {
  std::string_view::size_type nul = blob.find('\0');
  std::string_view text = blob.substr(0, nul);
  bool text_only = nul == std::string_view::npos || nul + 1 == blob.size();
  if (text_only || !text.empty()) return ParseHex(text);  // old text form, versions 1 to 3
  if (!IsNdrBlob(blob)) return std::nullopt;
  if ((ReadLe(blob, kValidFlagsOffset, 4) & kValidAttrib) == 0) return std::nullopt;
  return ReadLe(blob, kAttribOffset, 4);
}

std::string EncodeDosAttrib(std::string_view previous, std::uint32_t value) {
  if (IsNdrBlob(previous)) {
    std::string blob(previous);
    WriteLe32(blob, kValidFlagsOffset, ReadLe(blob, kValidFlagsOffset, 4) | kValidAttrib);
    WriteLe32(blob, kAttribOffset, value);
    return blob;
  }
  // "0x" and lower-case hex digits without leading zeros, as Samba's "0x%x".
  char text[16] = {'0', 'x'};
  const std::to_chars_result end = std::to_chars(text + 2, text + sizeof text, value, 16);
  return std::string(text, end.ptr);
}

}  // namespace orm::posix
