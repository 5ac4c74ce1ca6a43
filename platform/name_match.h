// Name comparisons as Windows makes them: without regard to letter case (ASCII, Latin-1,
// Greek and Cyrillic letters), and wildcard patterns with '*' and '?'. Texts are UTF-8; bytes
// that are not valid UTF-8 compare as themselves.
#pragma once

#include <string_view>

namespace orm {

// The upper-case form of one code point (unchanged where there is none).
char32_t FoldCase(char32_t c);

// True when a and b are the same name without regard to letter case.
bool EqualNoCase(std::string_view a, std::string_view b);

// True when name matches the wildcard pattern, without regard to letter case. "*.*" and "*"
// match every name; a pattern ending in ".*" also matches the name without that extension
// ("Ormavell.*" matches "Ormavell").
bool WildcardMatchNoCase(std::string_view pattern, std::string_view name);

}  // namespace orm
