#include "platform/name_match.h"

#include <algorithm>
#include <vector>

#include "support/utf.h"

namespace orm {
namespace {

// One character at text[i]. An invalid byte becomes 0xDC00 + byte, so that it never equals a
// real letter and still compares equal to itself.
char32_t Decode(std::string_view text, std::size_t& i) {
  Utf8Char c = DecodeUtf8(text, i, /*allowSurrogates=*/true);
  i += c.length;
  return c.valid ? c.value : 0xDC00 + c.value;
}

std::vector<char32_t> Folded(std::string_view text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) out.push_back(FoldCase(Decode(text, i)));
  return out;
}

// Classic wildcard matching with one backtrack point per '*'.
bool Match(const std::vector<char32_t>& p, const std::vector<char32_t>& n) {
  std::size_t pi = 0, ni = 0, star = std::string_view::npos, resume = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == U'?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == U'*') {
      star = pi++;
      resume = ni;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      ni = ++resume;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == U'*') ++pi;
  return pi == p.size();
}

}  // namespace

char32_t FoldCase(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;  // Latin-1
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: pairs, with two odd runs
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? c - 1 : c;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 1) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;  // Greek
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;  // Cyrillic а..я
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;  // ѐ..џ
  if (c >= 0x460 && c <= 0x4FF && c != 0x482 && !(c >= 0x483 && c <= 0x489)) {
    if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 0) ? c - 1 : c;
    if (c == 0x4CF) return 0x4C0;
    return (c % 2 == 1) ? c - 1 : c;
  }
  return c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  // Most names are ASCII, which needs no decoding: up to the first other byte, a letter folds
  // by one bit and one byte is one character on both sides.
  std::size_t i = 0;
  for (; i < a.size() && i < b.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if ((x | y) >= 0x80) break;
    if (x == y) continue;
    unsigned char lower = x | 0x20;
    if (lower != (y | 0x20) || lower < 'a' || lower > 'z') return false;
  }
  std::size_t k = i;
  while (i < a.size() && k < b.size()) {
    if (FoldCase(Decode(a, i)) != FoldCase(Decode(b, k))) return false;
  }
  return i == a.size() && k == b.size();
}

bool WildcardMatchNoCase(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  std::vector<char32_t> p = Folded(pattern);
  std::vector<char32_t> n = Folded(name);
  if (Match(p, n)) return true;
  // DOS rule: "base.*" also matches "base", which has no extension at all.
  if (p.size() >= 2 && p[p.size() - 2] == U'.' && p.back() == U'*' &&
      n.end() == std::find(n.begin(), n.end(), U'.')) {
    p.resize(p.size() - 2);
    return Match(p, n);
  }
  return false;
}

}  // namespace orm
