#include <gtest/gtest.h>

#include <string>

#include "support/utf.h"

namespace {

TEST(Utf, Utf8AndUtf16RoundTrip) {
  const std::string text = "Папка \xE2\x82\xAC \xF0\x9F\x98\x80 plain";  // Cyrillic, euro, emoji
  std::u16string utf16 = Utf8ToUtf16(text);
  EXPECT_EQ(utf16, u"Папка € 😀 plain");
  EXPECT_EQ(Utf16ToUtf8(utf16), text);
}

TEST(Utf, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xD0"), u"\uFFFD");                                // cut sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");                      // overlong '/'
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
  EXPECT_EQ(ValidUtf8("bad\xFF\xFE name"), "bad\xEF\xBF\xBD\xEF\xBF\xBD name");
  EXPECT_EQ(ValidUtf8("Папка"), "Папка");
}

TEST(Utf, LoneSurrogatesComeBackOnlyWhereAllowed) {
  const std::u16string lone = {u'a', static_cast<char16_t>(0xD800), u'b'};
  const std::string wtf8 = Utf16ToUtf8(lone);
  EXPECT_EQ(wtf8,
            "a\xED\xA0\x80"
            "b");
  EXPECT_EQ(Utf8ToUtf16(wtf8, /*allowSurrogates=*/true), lone);
  EXPECT_EQ(Utf8ToUtf16(wtf8), u"a\uFFFD\uFFFD\uFFFDb");
  EXPECT_FALSE(DecodeUtf8(wtf8, 1).valid);
  EXPECT_TRUE(DecodeUtf8(wtf8, 1, true).valid);
}

}  // namespace
