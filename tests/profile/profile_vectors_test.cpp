// What Windows leaves on disk after each profile write, byte for byte, replayed through our
// writer on real files: once as single writes, once as one batch.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/profile_writer.h"
#include "tests/common/test_files.h"
#include "tests/profile/profile_test_edits.h"

namespace orm {
namespace {

using namespace std::string_literals;
using Bytes = std::optional<std::string>;  // nullopt: no file
using test::DelKey, test::DelSection, test::Put;

struct Vector {
  const char* name;
  Bytes before;
  std::vector<ProfileEdit> edits;
  Bytes after;
};

const std::string k7 =
    "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n";
const std::string k8 =
    "[App1]\r\nkey1=string1\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n[App3]\r\nkey5="
    "string5\r\n";
const std::string kNul = "Data \0 before \0 first \0 section"s;

const std::vector<Vector> kVectors = {
    {"1 missing file", {}, {Put("App", "key", "string")}, "[App]\r\nkey=string\r\n"},
    {"2 empty file",
     "",
     {Put("SectionName", "TestKey", "TestValue")},
     "[SectionName]\r\nTestKey=TestValue\r\n"},
    {"3 empty value", {}, {Put("App", "key", "")}, "[App]\r\nkey=\r\n"},
    // Windows leaves a 0-byte file behind for these two; we create nothing.
    {"4 delete key, no file", {}, {DelKey("App", "key")}, {}},
    {"5 delete section, no file", {}, {{"App", std::nullopt, "string"}}, {}},
    {"7 new section", k7, {Put("App3", "key5", "string5")}, k7 + "[App3]\r\nkey5=string5\r\n"},
    {"8 delete key twice",
     k7 + "[App3]\r\nkey5=string5\r\n",
     {DelKey("App1", "key2"), DelKey("App1", "key2")},
     k8},
    {"9 delete sections",
     k8,
     {{"App1", std::nullopt, "string1"}, DelSection("App2")},
     "[App3]\r\nkey5=string5\r\n"},
    {"10 last key", "[App3]\r\nkey5=string5\r\n", {DelKey("App3", "key5")}, "[App3]\r\n"},
    {"11 NULs, no line end",
     kNul,
     {Put("section1", "key1", "string1")},
     kNul + "\r\n[section1]\r\nkey1=string1\r\n"},
    {"12 key case",
     "[SectionName]\r\nTestKey=TestValue",
     {Put("SectionName", "TESTKEY", "TestValue2")},
     "[SectionName]\r\nTestKey=TestValue2\r\n"},
    {"13 section case",
     "[SectionName]\r\nTestKey=TestValue",
     {Put("SECTIONNAME", "TestKey", "TestValue2")},
     "[SectionName]\r\nTestKey=TestValue2\r\n"},
    {"14 key order",
     "[S]\r\nb=value\r\na=value\r\n",
     {Put("S", "z", ""), Put("S", "b", ""), Put("S", "y", ""), Put("S", "a", "")},
     "[S]\r\nb=\r\na=\r\nz=\r\ny=\r\n"},
    {"15 comment keys",
     "",
     {Put("S", "z", ""), Put("S", ";y", ""), Put("S", "a", ""), Put("S", ";b", ""),
      Put("S", ";c", "")},
     "[S]\r\nz=\r\na=\r\n;c=\r\n;b=\r\n;y=\r\n"},
    {"16 comments stay",
     ";comment0\r\n[S]\r\n;comment1\r\nb=value\r\n;comment2\r\na=value\r\n",
     {Put("S", "z", ""), Put("S", ";x", ""), Put("S", "y", ""), Put("S", "a", ""),
      Put("S", "b", "")},
     ";comment0\r\n[S]\r\n;comment1\r\nb=\r\n;comment2\r\na=\r\nz=\r\ny=\r\n;x=\r\n"},
    {"17 section comments stay",
     ";comment0\r\n[S]\r\n;comment1\r\n[S2]\r\n;comment2\r\n",
     {{"S", std::nullopt, ""}, {"S2", std::nullopt, ""}},
     ";comment0\r\n;comment1\r\n;comment2\r\n"},
    {"18 comment not deleted",
     "[S]\r\n;key=TestValue\r\n",
     {DelKey("S", ";key")},
     "[S]\r\n;key=TestValue\r\n"},
    {"19 comment never matches",
     {},
     {Put("S", ";key", "TestValue"), Put("S", ";key", "TestValue")},
     "[S]\r\n;key=TestValue\r\n;key=TestValue\r\n"},
    {"20 spaces trimmed from section",
     {},
     {Put(" sec ", "TestKey", "TestValue")},
     "[sec]\r\nTestKey=TestValue\r\n"},
    {"20 spaces trimmed from key",
     {},
     {Put("SectionName", " key ", "TestValue")},
     "[SectionName]\r\nkey=TestValue\r\n"},
    {"21 tabs kept",
     {},
     {Put("\tsec\t", "\tkey\t", "TestValue")},
     "[\tsec\t]\r\n\tkey\t=TestValue\r\n"},
    {"22 value verbatim",
     {},
     {Put("SectionName", "TestKey", " value \t\n")},
     "[SectionName]\r\nTestKey= value \t\n\r\n"},
    {"23 UTF-8 BOM only", "\xEF\xBB\xBF", {Put("S", "k", "v")}, "\xEF\xBB\xBF\r\n[S]\r\nk=v\r\n"},
    {"24 UTF-16LE BOM only",
     "\xFF\xFE",
     {Put("S", "k", "v")},
     "\xFF\xFE" + test::Utf16(u"\r\n[S]\r\nk=v\r\n")},
    // Windows appends ANSI text to a UTF-16BE file; we keep it UTF-16BE.
    {"25 UTF-16BE",
     "\xFE\xFF\0\r\0\n"s,
     {Put("SectionName", "TestKey", "TestValue")},
     "\xFE\xFF" + test::Utf16(u"\r\n[SectionName]\r\nTestKey=TestValue\r\n", true)},
};

TEST(ProfileVectors, SingleWritesAndOneBatchLeaveTheBytesWindowsLeaves) {
  for (bool batch : {false, true}) {
    for (const Vector& v : kVectors) {
      test::TempDir dir;
      std::string file = dir / "Desktop.INI";
      if (v.before) test::WriteBytes(file, *v.before);
      if (batch) {
        ASSERT_TRUE(posix::WriteProfileStrings(file, v.edits).ok()) << v.name;
      }
      for (const ProfileEdit& e : batch ? std::vector<ProfileEdit>() : v.edits) {
        std::optional<std::string_view> key, value;
        if (e.key) key = *e.key;
        if (e.value) value = *e.value;
        ASSERT_TRUE(posix::WriteProfileString(file, e.section, key, value).ok()) << v.name;
      }
      if (v.after) {
        EXPECT_EQ(test::ReadBytes(file), *v.after) << v.name << (batch ? " (batch)" : "");
      } else {
        EXPECT_FALSE(std::filesystem::exists(file)) << v.name << (batch ? " (batch)" : "");
      }
    }
  }
}

}  // namespace
}  // namespace orm
