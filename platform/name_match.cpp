#include "platform/name_match.h"

#include <algorithm>
#include <vector>

namespace orm {
namespace {

// Decodes one UTF-8 sequence at text[i]; an invalid byte is returned as 0xDC00 + byte so that
// it never equals a real letter and still compares equal to itself.
char32_t Decode(std::string_view text, std::size_t& i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char b0 = byte(i);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int length = (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
  char32_t c = length == 2 ? b0 & 0x1F : length == 3 ? b0 & 0x0F : b0 & 0x07;
  bool valid = length != 0 && i + length <= text.size();
  for (int k = 1; valid && k < length; ++k) {
    unsigned char b = byte(i + k);
    valid = (b & 0xC0) == 0x80;
    c = (c << 6) | (b & 0x3F);
  }
  if (!valid || (length == 2 && c < 0x80) || (length == 3 && c < 0x800) ||
      (length == 4 && (c < 0x10000 || c > 0x10FFFF))) {
    ++i;
    return 0xDC00 + b0;
  }
  i += length;
  return c;
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
  std::size_t i = 0, k = 0;
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
