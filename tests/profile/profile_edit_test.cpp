// Edits of files that the Windows evidence does not cover directly: spacing, blank lines,
// duplicates, line-end styles, encodings, NUL bytes and size.
#include "platform/profile_edit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/test_files.h"
#include "tests/profile/profile_test_edits.h"

namespace orm {
namespace {

using namespace std::string_literals;

ProfileEdit Put(std::string s, std::string k, std::string v) {
  return {s, k, v};
}
ProfileEdit DelKey(std::string s, std::string k) {
  return {s, k, std::nullopt};
}
ProfileEdit DelSection(std::string s) {
  return {s, std::nullopt, std::nullopt};
}

std::string Edited(std::string bytes, std::vector<ProfileEdit> edits) {
  bool exists = true;
  ApplyProfileEdits(bytes, exists, edits);
  return bytes;
}

std::string Fixture(const char* name) {
  return test::ReadBytes(std::filesystem::path(ORMAVELL_PROFILE_FIXTURES) / name);
}

TEST(ProfileEdit, LineLayoutAroundTheEdit) {
  struct Case {
    const char* name;
    std::string before;
    std::vector<ProfileEdit> edits;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"prefix up to '=' kept",
       "[a]\r\n  Key \t=  old  \r\n",
       {Put("a", "key", "new")},
       "[a]\r\n  Key \t=new\r\n"},
      {"before a blank line",
       "[a]\r\nx=1\r\n\r\n[b]\r\n",
       {Put("a", "y", "2")},
       "[a]\r\nx=1\r\ny=2\r\n\r\n[b]\r\n"},
      {"line without '=' stays below",
       "[a]\r\nx=1\r\nword\r\n",
       {Put("a", "y", "2")},
       "[a]\r\nx=1\r\ny=2\r\nword\r\n"},
      {"no keys: after the header", "[a]\r\n;c\r\n", {Put("a", "k", "v")}, "[a]\r\nk=v\r\n;c\r\n"},
      {"header is the last line", "[a]", {Put("a", "k", "v")}, "[a]\r\nk=v\r\n"},
      {"blanks in brackets, text after",
       " [ a\t] junk\r\nk=1\r\n",
       {Put("A", "k", "2")},
       " [ a\t] junk\r\nk=2\r\n"},
      {"header without ']'", "[a\r\nk=1\r\n", {Put("a", "k", "2")}, "[a\r\nk=2\r\n"},
      {"name ends at the first ']'",
       "[a]b]\r\nk=1\r\n",
       {Put("a]b", "k", "2"), Put("a", "k", "3")},
       "[a]b]\r\nk=3\r\n[a]b]\r\nk=2\r\n"},
      {"text before the first section",
       "k=1\r\n[]\r\n",
       {Put("", "k", "2")},
       "k=1\r\n[]\r\nk=2\r\n"},
      {"first of duplicates",
       "[a]\r\nx=1\r\nx=2\r\n[b]\r\n[A]\r\ny=3\r\n",
       {Put("a", "x", "5"), Put("a", "y", "6"), DelKey("a", "x")},
       "[a]\r\nx=2\r\ny=6\r\n[b]\r\n[A]\r\ny=3\r\n"},
      {"only the first duplicate section goes",
       "[a]\r\nx=1\r\n[A]\r\nx=2\r\n",
       {DelSection("a")},
       "[A]\r\nx=2\r\n"},
      {"section delete keeps what it does not own",
       "[a]\r\nk=1\r\n;c\r\n\r\nword\r\nj=2\r\n[b]",
       {DelSection("a")},
       ";c\r\n\r\nword\r\n[b]"},
      {"replaced line keeps its own end",
       "[a]\nx=1\r\n",
       {Put("a", "x", "2"), Put("a", "y", "3")},
       "[a]\nx=2\r\ny=3\n"},
      {"same value: no change", "[a]\r\nx=1\r\n", {Put("a", "x", "1")}, "[a]\r\nx=1\r\n"},
      {"Cyrillic names fold in UTF-8",
       "[Папка]\r\nИмя=1\r\n",
       {Put("пАПКА", "ИМЯ", "2")},
       "[Папка]\r\nИмя=2\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Edited(c.before, c.edits), c.after) << c.name;
}

TEST(ProfileEdit, LineEndStylesOfTheFile) {
  std::vector<ProfileEdit> edits = {Put("a", "z", "3"), Put("b", "y", "4"), Put("c", "k", "v")};
  EXPECT_EQ(Edited(Fixture("lf-only.ini"), edits), "[a]\nx=1\nz=3\n\n[b]\ny=4\n[c]\nk=v\n");
  EXPECT_EQ(Edited(Fixture("cr-only.ini"), edits), "[a]\rx=1\rz=3\r;c\r[b]\ry=4\r[c]\rk=v\r");
}

TEST(ProfileEdit, BytesOfOtherEncodingsStayAsTheyAre) {
  // NULs before the first section and inside a value survive.
  EXPECT_EQ(Edited(Fixture("nul-bytes.ini"), {Put("S", "j", "1")}),
            "Data \0 before \0 first \0 section\r\n[S]\r\nk=a\0b\r\nj=1\r\n"s);
  // An ANSI (CP1251) file: its Cyrillic bytes are not ours and are not re-encoded.
  std::string ansi = Fixture("cp1251-localized.ini");
  EXPECT_EQ(Edited(ansi, {Put(".ShellClassInfo", "ConfirmFileOp", "0")}),
            ansi + "ConfirmFileOp=0\r\n");
  // A UTF-8 byte order mark is part of the first line, so its header is not found.
  EXPECT_EQ(Edited("\xEF\xBB\xBF[S]\r\nk=1\r\n", {Put("S", "k", "2")}),
            "\xEF\xBB\xBF[S]\r\nk=1\r\n[S]\r\nk=2\r\n");
}

TEST(ProfileEdit, Utf16FilesStayUtf16) {
  std::string file = Fixture("utf16le-localized.ini");
  std::string after =
      Edited(file, {Put("заметки", "АВТОР", "Пётр"), Put(".ShellClassInfo", "ConfirmFileOp", "0"),
                    DelKey("ЗАМЕТКИ", "нет такого")});
  EXPECT_EQ(after,
            "\xFF\xFE" + test::Utf16(u"[.ShellClassInfo]\r\n"
                                     u"LocalizedResourceName=Мои рисунки\r\n"
                                     u"IconResource=C:\\Windows\\system32\\imageres.dll,-113\r\n"
                                     u"ConfirmFileOp=0\r\n"
                                     u"\r\n"
                                     u"[Заметки]\r\n"
                                     u"Автор=Пётр\r\n"));
  // Big-endian stays big-endian; a stray last byte stays last.
  std::string be = "\xFE\xFF\0[\0a\0]\0\n\0x\0=\0001\0\n\x7F"s;
  EXPECT_EQ(Edited(be, {Put("a", "x", "\u0416")}), "\xFE\xFF\0[\0a\0]\0\n\0x\0=\x04\x16\0\n\x7F"s);
}

TEST(ProfileEdit, OneMebibyteFileChangesOnlyWhereWritten) {
  std::string file;
  for (int i = 0; file.size() < (1 << 20); ++i) {
    file += "[s" + std::to_string(i) + "]\r\nkey=" + std::string(100, 'v') + "\r\n;note\r\n";
  }
  std::string middle = "[s5000]\r\nkey=" + std::string(100, 'v') + "\r\n";
  std::size_t at = file.find(middle);
  ASSERT_NE(at, std::string::npos);
  std::string expected = file;
  expected.replace(at + 13, 100, "new");
  expected.insert(at + 13 + 5, "more=1\r\n");
  expected += "[end]\r\nk=v\r\n";
  EXPECT_EQ(
      Edited(file, {Put("S5000", "KEY", "new"), Put("s5000", "more", "1"), Put("end", "k", "v")}),
      expected);
}

TEST(ProfileEdit, MissingFileIsCreatedOnlyByAWrite) {
  std::string bytes;
  bool exists = false;
  std::vector<ProfileEdit> deletions = {DelKey("a", "k"), DelSection("a")};
  EXPECT_FALSE(ApplyProfileEdits(bytes, exists, deletions));
  EXPECT_FALSE(exists);
  // Written, then emptied again: single writes would leave a 0-byte file, and so do we.
  std::vector<ProfileEdit> put_then_drop = {Put("a", "k", "v"), DelSection("a")};
  EXPECT_TRUE(ApplyProfileEdits(bytes, exists, put_then_drop));
  EXPECT_TRUE(exists);
  EXPECT_EQ(bytes, "");
}

}  // namespace
}  // namespace orm
