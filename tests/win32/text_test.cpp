// Text at the Win32 boundary (UTF-8 inside, UTF-16 for the W calls) and the drive list's texts.
#include <gtest/gtest.h>

#include <string>

#include "engine/folder_dresser.h"
#include "platform/win32/wide_text.h"
#include "ui/win32/drive_list.h"

namespace orm::win32 {
namespace {

TEST(WideText, RoundTripsEveryPlaneAndLoneSurrogates) {
  // ASCII, Cyrillic, CJK, a character outside the basic plane.
  const std::string text = "Disk Ё 文 \xF0\x9F\x93\x81";
  const std::wstring wide = ToWide(text);
  EXPECT_EQ(wide, std::wstring(L"Disk \x0401 \x6587 \xD83D\xDCC1"));
  EXPECT_EQ(FromWide(wide), text);

  // A name Windows may hold: an unpaired surrogate survives both ways.
  const std::wstring lone = {L'a', static_cast<wchar_t>(0xD800), L'b',
                             static_cast<wchar_t>(0xDC01)};
  EXPECT_EQ(FromWide(lone),
            "a\xED\xA0\x80"
            "b\xED\xB0\x81");
  EXPECT_EQ(ToWide(FromWide(lone)), lone);
}

TEST(WideText, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  EXPECT_EQ(ToWide("a\xFF"
                   "b"),
            std::wstring(L"a\xFFFD"
                         L"b"));
  EXPECT_EQ(ToWide("\xC3"), std::wstring(L"\xFFFD"));            // cut short
  EXPECT_EQ(ToWide("\xC0\xAF"), std::wstring(L"\xFFFD\xFFFD"));  // overlong '/'
  EXPECT_EQ(ToWide("\xF4\x90\x80\x80x"), std::wstring(L"\xFFFD\xFFFD\xFFFD\xFFFDx"));  // > U+10FFFF
  EXPECT_EQ(ToWide(""), std::wstring());
}

TEST(DriveListText, LetterInLowerCaseThenWhatTheListShows) {
  EXPECT_EQ(DriveText(L'C', L"SYSTEM"), L"c: [SYSTEM]");
  EXPECT_EQ(DriveText(L'E', L"\\\\server\\share"), L"e: [\\\\server\\share]");
  EXPECT_EQ(DriveText(L'A', L""), L"a:");
  // The engine derives the destination root from these texts.
  EXPECT_EQ(WindowsDestinationRoot(FromWide(DriveText(L'C', L"SYSTEM"))), "C:\\");
  EXPECT_EQ(WindowsDestinationRoot(FromWide(DriveText(L'E', L"\\\\server\\share"))), "E:\\");
  EXPECT_EQ(WindowsDestinationRoot(FromWide(DriveText(L'A', L""))), "A:\\");
  EXPECT_EQ(WindowsDestinationRoot(FromWide(DriveText(L'D', L"MY DATA"))), "D:\\");
}

TEST(DriveListText, TheSystemsDrivesFromAToZ) {
  const std::vector<std::wstring> texts = SystemDriveTexts();
  ASSERT_FALSE(texts.empty());
  for (std::size_t i = 1; i < texts.size(); ++i) EXPECT_LT(texts[i - 1][0], texts[i][0]);
  bool hasC = false;
  for (const std::wstring& text : texts) {
    EXPECT_EQ(text[1], L':');
    EXPECT_TRUE(text[0] >= L'a' && text[0] <= L'z');
    hasC = hasC || text[0] == L'c';
  }
  EXPECT_TRUE(hasC);
  EXPECT_NE(CurrentDriveLetter(), 0);
}

}  // namespace
}  // namespace orm::win32
