// Text at the Win32 boundary: the program keeps UTF-8 inside and hands UTF-16 to the W calls.
// Windows names may hold lone surrogates; they travel through the UTF-8 side as the three-byte
// forms of their code units (WTF-8), so every name Windows delivers comes back unchanged.
#pragma once

#include <string>
#include <string_view>

namespace orm::win32 {

// UTF-16 from UTF-8. A byte that starts no valid sequence becomes U+FFFD.
std::wstring ToWide(std::string_view utf8);

// UTF-8 from UTF-16; a lone surrogate keeps its own three-byte form.
std::string FromWide(std::wstring_view utf16);

}  // namespace orm::win32
