#include "platform/win32/wide_text.h"

#include <cstdint>

static_assert(sizeof(wchar_t) == 2, "the Win32 W calls take UTF-16 code units");

namespace orm::win32 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// Decodes one code point at text[i] and advances i. Surrogate code points are accepted (that
// is how a lone surrogate comes back); overlong forms and values past U+10FFFF are not.
char32_t DecodeOne(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  int length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (i + length > text.size()) {
    ++i;
    return kReplacement;
  }
  for (int k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if (!IsContinuation(c)) {
      ++i;
      return kReplacement;
    }
    value = (value << 6) | (c & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF) {
    ++i;
    return kReplacement;
  }
  i += length;
  return value;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::wstring ToWide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char32_t c = DecodeOne(utf8, i);
    if (c >= 0x10000) {
      const char32_t v = c - 0x10000;
      out += static_cast<wchar_t>(0xD800 + (v >> 10));
      out += static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

std::string FromWide(std::wstring_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const auto unit = static_cast<char32_t>(static_cast<std::uint16_t>(utf16[i]));
    if (IsHighSurrogate(unit) && i + 1 < utf16.size()) {
      const auto next = static_cast<char32_t>(static_cast<std::uint16_t>(utf16[i + 1]));
      if (IsLowSurrogate(next)) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, unit);
  }
  return out;
}

}  // namespace orm::win32
