#include "support/utf.h"

namespace {

bool IsSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

}  // namespace

Utf8Char DecodeUtf8(std::string_view text, std::size_t at, bool allowSurrogates) {
  const Utf8Char invalid{static_cast<unsigned char>(text[at]), 1, false};
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {lead, 1, true};
  std::size_t length = (lead & 0xE0) == 0xC0   ? 2
                       : (lead & 0xF0) == 0xE0 ? 3
                       : (lead & 0xF8) == 0xF0 ? 4
                                               : 0;
  if (length == 0 || at + length > text.size()) return invalid;
  char32_t value = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
  for (std::size_t k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(text[at + k]);
    if ((c & 0xC0) != 0x80) return invalid;
    value = (value << 6) | (c & 0x3F);
  }
  const char32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (value < minimum || value > 0x10FFFF) return invalid;
  if (IsSurrogate(value) && !allowSurrogates) return invalid;
  return {value, length, true};
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

std::u16string Utf8ToUtf16(std::string_view utf8, bool allowSurrogates) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    Utf8Char c = DecodeUtf8(utf8, i, allowSurrogates);
    i += c.length;
    if (!c.valid) {
      out += u'\uFFFD';
    } else if (c.value >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c.value - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c.value - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c.value);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    Utf8Char c = DecodeUtf8(text, i);
    if (c.valid) {
      out.append(text, i, c.length);
    } else {
      out += "\xEF\xBF\xBD";
    }
    i += c.length;
  }
  return out;
}
