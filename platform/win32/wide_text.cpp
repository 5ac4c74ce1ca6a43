#include "platform/win32/wide_text.h"

#include "support/utf.h"

static_assert(sizeof(wchar_t) == 2, "the Win32 W calls take UTF-16 code units");

namespace orm::win32 {

std::wstring ToWide(std::string_view utf8) {
  std::u16string utf16 = Utf8ToUtf16(utf8, /*allowSurrogates=*/true);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string FromWide(std::wstring_view utf16) {
  return Utf16ToUtf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size()));
}

}  // namespace orm::win32
