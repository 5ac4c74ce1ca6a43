// UTF-8 and UTF-16 for the program's texts, which are UTF-8 inside. Names that are not valid
// Unicode (Linux bytes, lone UTF-16 surrogates from Windows) must survive or show, not crash.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// One character decoded from UTF-8: its code point and length in bytes. An invalid byte (a
// stray continuation, a cut or overlong sequence, a value past U+10FFFF) gives valid false and
// length 1. The three-byte form of a surrogate code point (how a lone UTF-16 surrogate travels
// in UTF-8) is valid only when surrogates are allowed.
struct Utf8Char {
  char32_t value;
  std::size_t length;
  bool valid;
};
Utf8Char DecodeUtf8(std::string_view text, std::size_t at, bool allowSurrogates = false);

// Appends the UTF-8 form of a code point (a surrogate gets its own three-byte form).
void AppendUtf8(std::string& out, char32_t c);

// UTF-16 from UTF-8. Each invalid byte becomes U+FFFD; the form of a lone surrogate becomes
// that surrogate when surrogates are allowed, U+FFFD otherwise.
std::u16string Utf8ToUtf16(std::string_view utf8, bool allowSurrogates = false);

// UTF-8 from UTF-16; a lone surrogate keeps its own three-byte form, so it comes back unchanged.
std::string Utf16ToUtf8(std::u16string_view utf16);

// The text with every invalid byte replaced by U+FFFD, for showing it.
std::string ValidUtf8(std::string_view text);
