// The pieces of the Linux file services that need no particular volume: the user.DOSATTRIB
// forms of Samba and Wine, and error numbers from errno.
#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <string>

#include "platform/posix/dos_attrib.h"
#include "platform/posix/posix_errors.h"
#include "tests/common/test_files.h"

namespace orm::posix {
namespace {

using namespace std::string_literals;

// A version 5 blob as Samba 4.17 wrote it for a file a client made hidden and system.
const std::string kSambaV5 =
    "\x00\x00\x05\x00\x05\x00\x00\x00\x11\x00\x00\x00\x06\x00\x00\x00"
    "\x74\x93\x28\x07\x19\x86\xdd\x01"s;

TEST(DosAttrib, ReadsEveryFormSambaReads) {
  struct Case {
    std::string blob;
    std::optional<std::uint32_t> value;
  };
  // A version 4 blob: valid_flags, attrib, itime, create time.
  std::string v4 =
      "\x00\x00\x04\x00\x04\x00\x00\x00\x01\x00\x00\x00\x23\x00\x00\x00"s + std::string(16, '\x01');
  // A version 3 blob carries the value as text in front of its NDR body.
  std::string v3 = "0x21\x00\x00\x03\x00\x03\x00"s + std::string(24, '\x00');
  const Case cases[] = {
      {"0x22", 0x22},  // Wine and our own writes: no NUL
      {"0x22\0"s, 0x22},
      {"26", 0x26},  // scanf("%x") needs no prefix
      {"0X7", 0x7},
      {" 0x11", 0x11},
      {kSambaV5, 0x06},
      {v4, 0x23},
      {v3, 0x21},
      {"\x22", std::nullopt},  // what `setfattr -v 0x22` stores: one byte, no digits
      {"", std::nullopt},
      {"0x", std::nullopt},
      {"zz", std::nullopt},
      {"0x100000000", std::nullopt},
      {kSambaV5.substr(0, 12), std::nullopt},  // cut short
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseDosAttrib(c.blob), c.value) << "blob of " << c.blob.size() << " bytes";
  }
  std::string no_attrib_flag = kSambaV5;
  no_attrib_flag[8] = '\x10';  // only the creation time is valid
  EXPECT_EQ(ParseDosAttrib(no_attrib_flag), std::nullopt);
  std::string version6 = kSambaV5;
  version6[2] = version6[4] = '\x06';
  EXPECT_EQ(ParseDosAttrib(version6), std::nullopt);
}

TEST(DosAttrib, WritesTextWithoutNulUnlessSambaBlobIsThere) {
  EXPECT_EQ(EncodeDosAttrib("", 0x6), "0x6");
  EXPECT_EQ(EncodeDosAttrib("0x22", 0x11), "0x11");
  EXPECT_EQ(EncodeDosAttrib("\x22", 0x2), "0x2");
  EXPECT_EQ(EncodeDosAttrib("", 0x1020), "0x1020");

  // Only the attribute field of Samba's blob changes: its creation time survives.
  std::string expected = kSambaV5;
  expected[12] = '\x21';
  EXPECT_EQ(EncodeDosAttrib(kSambaV5, 0x21), expected);

  std::string no_attrib_flag = kSambaV5;
  no_attrib_flag[8] = '\x10';
  std::string flagged = EncodeDosAttrib(no_attrib_flag, 0x2);
  EXPECT_EQ(flagged[8], '\x11');
  EXPECT_EQ(ParseDosAttrib(flagged), 0x2u);
  EXPECT_EQ(flagged.substr(16), kSambaV5.substr(16));
}

TEST(PosixErrors, MapsErrnoToTheSharedNumbers) {
  // The numbers and texts of the error table, as the user reads them.
  struct Case {
    int err;
    std::int32_t number;
    const char* description;
  };
  const char* const kAccess = "Ошибка доступа к пути или файлу";
  const Case cases[] = {
      {ENOTDIR, 76, "Путь не найден"},
      {EACCES, 70, "Отказано в разрешении"},
      {EPERM, 70, "Отказано в разрешении"},
      {EROFS, 70, "Отказано в разрешении"},
      {ENOSPC, 61, "Диск заполнен"},
      {EDQUOT, 61, "Диск заполнен"},
      {EIO, 57, "Ошибка ввода-вывода на устройстве"},
      {EEXIST, 58, "Файл уже существует"},
      {ENOMEDIUM, 71, "Диск не готов"},
      {ENXIO, 71, "Диск не готов"},
      {ENODEV, 71, "Диск не готов"},
      {EISDIR, 75, kAccess},
      {ELOOP, 75, kAccess},
      {ENAMETOOLONG, 75, kAccess},
      {EOPNOTSUPP, 75, kAccess},
  };
  for (const Case& c : cases) {
    FileError error = FileErrorFromErrno(c.err, "/no/matter");
    EXPECT_EQ(error.number, c.number) << "errno " << c.err;
    EXPECT_EQ(error.os_error, c.err);
    EXPECT_EQ(error.description, c.description) << "errno " << c.err;
  }
}

TEST(PosixErrors, MissingEntryIs53AndMissingFolderOnTheWayIs76) {
  test::TempDir dir;
  EXPECT_EQ(FileErrorFromErrno(ENOENT, dir / "missing.jpg").number, 53);
  EXPECT_EQ(FileErrorFromErrno(ENOENT, dir / "missing.jpg/").number, 53);
  EXPECT_EQ(FileErrorFromErrno(ENOENT, dir / "gone/missing.jpg").number, 76);
  EXPECT_EQ(FileErrorFromErrno(ENOENT, "/missing-at-the-root").number, 53);
  test::WriteBytes(dir.path() / "file", "x");
  EXPECT_EQ(FileErrorFromErrno(ENOENT, dir / "file/missing").number, 76);
  EXPECT_EQ(FileErrorFromErrno(ENOENT, dir / "missing.jpg").description, "Файл не найден");
}

}  // namespace
}  // namespace orm::posix
