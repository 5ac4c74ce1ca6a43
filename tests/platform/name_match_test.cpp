#include <gtest/gtest.h>

#include "platform/file_services.h"
#include "platform/name_match.h"

namespace orm {
namespace {

TEST(NameMatch, EqualNoCaseFoldsLatinCyrillicAndGreekLetters) {
  EXPECT_TRUE(EqualNoCase("desktop.ini", "Desktop.INI"));
  EXPECT_TRUE(EqualNoCase("DESKTOP.INI", "desktop.ini"));
  EXPECT_TRUE(EqualNoCase("Папка", "ПАПКА"));
  EXPECT_TRUE(EqualNoCase("ёлка", "ЁЛКА"));
  EXPECT_FALSE(EqualNoCase("Straße", "STRASSE"));  // no folding into several letters
  EXPECT_TRUE(EqualNoCase("Ωmega", "ωMEGA"));
  EXPECT_TRUE(EqualNoCase("Łódź", "łÓDŹ"));
  EXPECT_FALSE(EqualNoCase("desktop.ini", "desktop.in"));
  EXPECT_FALSE(EqualNoCase("desktop.ini", "desktop.ini "));
  EXPECT_FALSE(EqualNoCase("Папка", "Папки"));
  EXPECT_TRUE(EqualNoCase("My Папка", "mY пАПКА"));
  // Only letters fold: these pairs differ by the same bit as a letter's cases.
  EXPECT_FALSE(EqualNoCase("a@[", "A`{"));
  EXPECT_FALSE(EqualNoCase("1", "\x11"));
}

TEST(NameMatch, InvalidUtf8ComparesAsItsBytes) {
  EXPECT_TRUE(
      EqualNoCase("a\xff"
                  "b",
                  "A\xff"
                  "B"));
  EXPECT_FALSE(EqualNoCase("a\xff", "a\xfe"));
  // A stray continuation byte never equals the letter it would be part of.
  EXPECT_FALSE(EqualNoCase("\xd0", "\xd0\x90"));
}

TEST(NameMatch, WildcardsFollowWindowsRules) {
  EXPECT_TRUE(WildcardMatchNoCase("*.*", "noextension"));
  EXPECT_TRUE(WildcardMatchNoCase("*.*", ".hidden"));
  EXPECT_TRUE(WildcardMatchNoCase("*", "anything.at.all"));
  EXPECT_TRUE(WildcardMatchNoCase("Ormavell.*", "Ormavell.jpg"));
  EXPECT_TRUE(WildcardMatchNoCase("Ormavell.*", "ORMAVELL.JPEG"));
  EXPECT_TRUE(WildcardMatchNoCase("Ormavell.*", "ormavell.png"));
  EXPECT_TRUE(WildcardMatchNoCase("Ormavell.*", "Ormavell."));
  EXPECT_TRUE(WildcardMatchNoCase("Ormavell.*", "Ormavell"));
  EXPECT_TRUE(WildcardMatchNoCase("Ormavell.*", "Ormavell.tar.gz"));
  EXPECT_FALSE(WildcardMatchNoCase("Ormavell.*", "Ormavell2.jpg"));
  EXPECT_FALSE(WildcardMatchNoCase("Ormavell.*", "xOrmavell.jpg"));
  EXPECT_FALSE(WildcardMatchNoCase("Ormavell.*", "Ormavel.jpg"));
  EXPECT_TRUE(WildcardMatchNoCase("a?c", "ABC"));
  EXPECT_TRUE(WildcardMatchNoCase("*ка", "ПапКА"));
  EXPECT_FALSE(WildcardMatchNoCase("a?c", "ac"));
}

TEST(NameMatch, MasksSkipEntriesWithBitsOutsideThem) {
  EXPECT_TRUE(AttributesMatchMask(kAttrNormal, kMaskFiles));
  EXPECT_TRUE(AttributesMatchMask(kAttrHidden | kAttrSystem | kAttrArchive, kMaskFiles));
  EXPECT_TRUE(AttributesMatchMask(kAttrReadOnly, kMaskFiles));
  EXPECT_FALSE(AttributesMatchMask(kAttrDirectory, kMaskFiles));
  EXPECT_FALSE(AttributesMatchMask(kAttrDirectory | kAttrHidden, kMaskFiles));
  EXPECT_TRUE(AttributesMatchMask(kAttrDirectory | kAttrHidden, kMaskAll));
  EXPECT_FALSE(AttributesMatchMask(kAttrHidden, kAttrDirectory));
  EXPECT_TRUE(AttributesMatchMask(kAttrReparsePoint, kMaskFiles));
}

}  // namespace
}  // namespace orm
