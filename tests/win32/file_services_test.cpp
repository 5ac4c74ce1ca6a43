// The Windows file services against real files under Wine (or Windows).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_services.h"
#include "tests/common/test_files.h"
#include "tests/win32/win32_test_support.h"

namespace orm {
namespace {

using test::Exists;
using test::ReadRaw;
using test::WriteRaw;

constexpr std::uint32_t kStored = kAttrReadOnly | kAttrHidden | kAttrSystem;

class Win32FileServicesTest : public ::testing::Test {
 protected:
  std::string P(const std::string& relative) const { return dir_ / relative; }

  std::uint32_t Attributes(const std::string& path) {
    std::uint32_t attributes = 0xFFFFFFFF;
    const FileError error = files_.GetAttributes(path, attributes);
    EXPECT_TRUE(error.ok()) << path << ": " << error.number << " " << error.os_error;
    return attributes;
  }

  // Every name a listing delivers, sorted; the error of opening or reading it in error.
  std::vector<std::string> List(const std::string& pattern, std::uint32_t mask,
                                FileError* error = nullptr) {
    std::vector<std::string> names;
    std::unique_ptr<DirListing> listing;
    FileError result = files_.OpenListing(pattern, mask, listing);
    if (result.ok()) {
      EXPECT_NE(listing, nullptr);
      std::string name;
      while ((result = listing->Next(name)).ok() && !name.empty()) names.push_back(name);
    }
    if (error) *error = result;
    std::sort(names.begin(), names.end());
    return names;
  }

  FileServices& files_ = NativeFileServices();
  test::TempDir dir_;
};

TEST_F(Win32FileServicesTest, FileAttributesAreReplacedAndReadBack) {
  const std::string file = P("plain.txt");
  WriteRaw(file, "x");

  ASSERT_TRUE(files_.SetAttributes(file, kAttrHidden | kAttrSystem).ok());
  EXPECT_EQ(Attributes(file) & (kStored | kAttrDirectory), kAttrHidden | kAttrSystem);

  ASSERT_TRUE(files_.SetAttributes(file, kAttrReadOnly).ok());
  EXPECT_EQ(Attributes(file) & kStored, kAttrReadOnly);
  // Windows refuses to delete a read-only file.
  EXPECT_EQ(files_.RemoveFile(file).number, kErrPermissionDenied);

  ASSERT_TRUE(files_.SetAttributes(file, kAttrNormal).ok());
  EXPECT_EQ(Attributes(file) & kStored, 0u);
  EXPECT_TRUE(files_.RemoveFile(file).ok());
}

TEST_F(Win32FileServicesTest, MissingFilesAndFoldersHaveTheirOwnNumbers) {
  std::uint32_t attributes = 0;
  EXPECT_EQ(files_.GetAttributes(P("none.txt"), attributes).number, kErrFileNotFound);
  EXPECT_EQ(files_.SetAttributes(P("none.txt"), kAttrHidden).number, kErrFileNotFound);
  EXPECT_EQ(files_.GetAttributes(P("no folder\\x.txt"), attributes).number, kErrPathNotFound);
  EXPECT_EQ(files_.RemoveFile(P("none.txt")).number, kErrFileNotFound);
  EXPECT_EQ(files_.RemoveFile(P("no folder\\x.txt")).number, kErrPathNotFound);
  const FileError error = files_.RemoveFile(P("none.txt"));
  EXPECT_EQ(error.description, "Файл не найден");
  EXPECT_EQ(error.os_error, ERROR_FILE_NOT_FOUND);
}

TEST_F(Win32FileServicesTest, FolderAttributes) {
  const std::string folder = P("folder");
  test::MakeFolder(folder);
  EXPECT_EQ(Attributes(folder) & (kStored | kAttrDirectory | kAttrReparsePoint), kAttrDirectory);

  ASSERT_TRUE(files_.SetAttributes(folder, kAttrHidden).ok());
  EXPECT_EQ(Attributes(folder) & (kStored | kAttrDirectory), kAttrHidden | kAttrDirectory);

  ASSERT_TRUE(files_.SetAttributes(folder, kAttrReadOnly | kAttrHidden).ok());
  if (test::RunningUnderWine()) {
    // Wine keeps no read-only bit on folders: the call succeeds and the bit is not stored.
    EXPECT_EQ(Attributes(folder) & (kStored | kAttrDirectory), kAttrHidden | kAttrDirectory);
  } else {
    EXPECT_EQ(Attributes(folder) & (kStored | kAttrDirectory),
              kAttrReadOnly | kAttrHidden | kAttrDirectory);
  }
}

TEST_F(Win32FileServicesTest, ListingsFollowTheAttributeMask) {
  WriteRaw(P("a.txt"), "");
  WriteRaw(P("hidden.txt"), "");
  ASSERT_TRUE(files_.SetAttributes(P("hidden.txt"), kAttrHidden | kAttrSystem).ok());
  test::MakeFolder(P("sub"));

  std::vector<std::string> all = List(P("*.*"), kMaskAll);
  all.erase(std::remove_if(all.begin(), all.end(),
                           [](const std::string& n) { return n == "." || n == ".."; }),
            all.end());
  EXPECT_EQ(all, (std::vector<std::string>{"a.txt", "hidden.txt", "sub"}));
  EXPECT_EQ(List(P("*.*"), kMaskFiles), (std::vector<std::string>{"a.txt", "hidden.txt"}));
  // Without the hidden and system bits in the mask the hidden file stays out.
  EXPECT_EQ(List(P("*.*"), kAttrReadOnly | kAttrArchive), (std::vector<std::string>{"a.txt"}));
}

TEST_F(Win32FileServicesTest, BackdropMaskFindsEveryPictureWithoutRegardToCase) {
  for (const char* name : {"Ormavell.jpg", "ormavell.PNG", "Ormavell", "Other.jpg"}) {
    WriteRaw(P(name), "");
  }
  ASSERT_TRUE(files_.SetAttributes(P("Ormavell.jpg"), kAttrHidden).ok());
  test::MakeFolder(P("Ormavell.dir"));
  EXPECT_EQ(List(P("Ormavell.*"), kMaskFiles),
            (std::vector<std::string>{"Ormavell", "Ormavell.jpg", "ormavell.PNG"}));
}

TEST_F(Win32FileServicesTest, EmptyAndMissingListings) {
  FileError error;
  EXPECT_TRUE(List(P("Ormavell.*"), kMaskFiles, &error).empty());
  EXPECT_TRUE(error.ok());

  std::unique_ptr<DirListing> listing;
  EXPECT_EQ(files_.OpenListing(P("missing\\*.*"), kMaskAll, listing).number, kErrPathNotFound);
  EXPECT_EQ(listing, nullptr);
}

TEST_F(Win32FileServicesTest, NamesOutsideTheAnsiCodePageSurviveTheRoundTrip) {
  // Cyrillic, CJK, a character outside the basic plane (a surrogate pair in UTF-16).
  const std::vector<std::string> names = {"Папка Ёж", "文件夹", "\xF0\x9F\x93\x81 folder"};
  for (const std::string& name : names) test::MakeFolder(P(name));

  std::vector<std::string> listed = List(P("*.*"), kMaskAll);
  std::vector<std::string> expected = names;
  expected.push_back(".");
  expected.push_back("..");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  for (const std::string& name : names) {
    EXPECT_EQ(Attributes(P(name)) & kAttrDirectory, kAttrDirectory) << name;
    const std::string ini = P(name + "\\Desktop.INI");
    ASSERT_TRUE(files_.WriteProfileEntry(ini, "S", "k", "v").ok()) << name;
    EXPECT_EQ(ReadRaw(ini), "[S]\r\nk=v\r\n");
  }
}

TEST_F(Win32FileServicesTest, CopyReplacesTheTargetWhole) {
  const std::string source = P("sea.jpg");
  const std::string target = P("Ormavell.jpg");
  WriteRaw(source, std::string("new\0picture", 11));
  WriteRaw(target, "an older and longer picture");

  ASSERT_TRUE(files_.CopyFileReplacing(source, target).ok());
  EXPECT_EQ(ReadRaw(target), std::string("new\0picture", 11));
  EXPECT_EQ(ReadRaw(source), std::string("new\0picture", 11));
  // Nothing of the copy's own is left in the folder.
  EXPECT_EQ(test::NamesIn(dir_.root()), (std::vector<std::string>{"Ormavell.jpg", "sea.jpg"}));
}

TEST_F(Win32FileServicesTest, FailedCopiesLeaveTheTargetAlone) {
  const std::string target = P("Ormavell.jpg");
  WriteRaw(target, "old");

  FileError error = files_.CopyFileReplacing(P("no such.jpg"), target);
  EXPECT_EQ(error.number, kErrFileNotFound);
  EXPECT_EQ(ReadRaw(target), "old");

  error = files_.CopyFileReplacing("   ", target);
  EXPECT_FALSE(error.ok());
  EXPECT_EQ(ReadRaw(target), "old");

  EXPECT_EQ(files_.CopyFileReplacing(target, P("no folder\\Ormavell.jpg")).number,
            kErrPathNotFound);
  EXPECT_EQ(test::NamesIn(dir_.root()), (std::vector<std::string>{"Ormavell.jpg"}));
}

TEST_F(Win32FileServicesTest, CopyOntoItselfChangesNothing) {
  const std::string file = P("sea.jpg");
  WriteRaw(file, "picture");
  EXPECT_TRUE(files_.CopyFileReplacing(file, file).ok());
  // The same file under another spelling of its name.
  EXPECT_TRUE(files_.CopyFileReplacing(file, P("SEA.JPG")).ok());
  EXPECT_EQ(ReadRaw(file), "picture");
  EXPECT_EQ(test::NamesIn(dir_.root()), (std::vector<std::string>{"sea.jpg"}));
}

TEST_F(Win32FileServicesTest, AFileOpenElsewhereCannotBeDeleted) {
  const std::string file = P("busy.jpg");
  WriteRaw(file, "x");
  HANDLE held = CreateFileW(test::LongForm(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const FileError error = files_.RemoveFile(file);
  CloseHandle(held);
  EXPECT_EQ(error.number, kErrPermissionDenied);
  EXPECT_EQ(error.os_error, ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(Exists(file));
}

TEST_F(Win32FileServicesTest, ProfileWritesCreateReplaceAndDelete) {
  const std::string ini = P("Desktop.INI");
  ASSERT_TRUE(files_.WriteProfileEntry(ini, "S", "k", "v").ok());
  EXPECT_EQ(ReadRaw(ini), "[S]\r\nk=v\r\n");
  ASSERT_TRUE(files_.WriteProfileEntry(ini, "T", "a", "1").ok());
  ASSERT_TRUE(files_.WriteProfileEntry(ini, "S", "k", "w").ok());
  EXPECT_EQ(ReadRaw(ini), "[S]\r\nk=w\r\n[T]\r\na=1\r\n");
  ASSERT_TRUE(files_.WriteProfileEntry(ini, "S", "k", std::nullopt).ok());
  EXPECT_EQ(ReadRaw(ini), "[S]\r\n[T]\r\na=1\r\n");
  ASSERT_TRUE(files_.WriteProfileEntry(ini, "T", std::nullopt, std::nullopt).ok());
  EXPECT_EQ(ReadRaw(ini), "[S]\r\n");
}

TEST_F(Win32FileServicesTest, DeletingFromAMissingSettingsFileCreatesNothing) {
  const std::string ini = P("Desktop.INI");
  EXPECT_TRUE(files_.WriteProfileEntry(ini, "S", "k", std::nullopt).ok());
  EXPECT_TRUE(files_.WriteProfileEntry(ini, "S", std::nullopt, std::nullopt).ok());
  EXPECT_FALSE(Exists(ini));
}

TEST_F(Win32FileServicesTest, ProfileWriteIntoAMissingFolderFails) {
  const FileError error = files_.WriteProfileEntry(P("gone\\Desktop.INI"), "S", "k", "v");
  EXPECT_EQ(error.number, kErrPathNotFound);
  EXPECT_FALSE(Exists(P("gone")));
}

TEST_F(Win32FileServicesTest, BatchedEditsMakeOneCallEach) {
  const std::vector<ProfileEdit> edits = {
      {"A", "k1", "v1"},         {"B", "k2", "v2"}, {"A", "k3", "v3"},
      {"B", "k2", std::nullopt}, {"C", "k4", "v4"}, {"C", std::nullopt, std::nullopt},
  };
  std::size_t applied = 99;
  ASSERT_TRUE(files_.WriteProfileEntries(P("batch.ini"), edits, applied).ok());
  EXPECT_EQ(applied, edits.size());
  EXPECT_EQ(ReadRaw(P("batch.ini")), "[A]\r\nk1=v1\r\nk3=v3\r\n[B]\r\n");

  applied = 99;
  const FileError error = files_.WriteProfileEntries(P("gone\\batch.ini"), edits, applied);
  EXPECT_EQ(error.number, kErrPathNotFound);
  EXPECT_EQ(applied, 0u);
}

TEST_F(Win32FileServicesTest, NamesAreFoundWithoutRegardToCaseByWindowsItself) {
  WriteRaw(P("desktop.ini"), "[S]\r\nk=v\r\n");
  EXPECT_EQ(files_.ResolveNameCase(P("Desktop.INI")), P("Desktop.INI"));
  ASSERT_TRUE(files_.WriteProfileEntry(P("Desktop.INI"), "S", "k", "w").ok());
  EXPECT_EQ(test::NamesIn(dir_.root()), (std::vector<std::string>{"desktop.ini"}));
  EXPECT_EQ(ReadRaw(P("desktop.ini")), "[S]\r\nk=w\r\n");
}

// A chain of folders whose full path is well past MAX_PATH.
class DeepFolderTest : public Win32FileServicesTest {
 protected:
  void SetUp() override {
    deep_ = dir_.root() + "deep";
    test::MakeFolder(deep_);
    for (int level = 0; deep_.size() < MAX_PATH + 60; ++level) {
      parent_ = deep_;
      deep_ += "\\level " + std::to_string(level) + " of a deep tree";
      test::MakeFolder(deep_);
    }
  }
  std::string parent_;
  std::string deep_;
};

TEST_F(DeepFolderTest, AttributesAndListingsReachPastMaxPath) {
  ASSERT_GT(deep_.size(), static_cast<std::size_t>(MAX_PATH));
  EXPECT_EQ(Attributes(deep_) & kAttrDirectory, kAttrDirectory);
  ASSERT_TRUE(files_.SetAttributes(deep_, kAttrHidden).ok());
  EXPECT_EQ(Attributes(deep_) & (kStored | kAttrDirectory), kAttrHidden | kAttrDirectory);

  const std::string name = deep_.substr(parent_.size() + 1);
  std::vector<std::string> listed = List(parent_ + "\\*.*", kMaskAll);
  EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end());

  // The \\?\ form takes names literally; '/', "." and ".." still work as on short paths.
  std::string slashed = deep_ + "\\.\\..\\" + name;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  EXPECT_EQ(Attributes(slashed) & (kStored | kAttrDirectory), kAttrHidden | kAttrDirectory);
}

TEST_F(DeepFolderTest, SettingsFilesPastMaxPathAreWrittenByteForByte) {
  const std::string ini = deep_ + "\\Desktop.INI";
  WriteRaw(ini, "; kept\r\n[.ShellClassInfo]\r\nIconResource=x.dll,1\r\n");
  ASSERT_TRUE(files_.SetAttributes(ini, kAttrHidden).ok());

  ASSERT_TRUE(files_.WriteProfileEntry(ini, "ExtShellFolderViews", "k", "v").ok());
  ASSERT_TRUE(files_.WriteProfileEntry(ini, ".ShellClassInfo", "ConfirmFileOp", "0").ok());
  EXPECT_EQ(ReadRaw(ini),
            "; kept\r\n[.ShellClassInfo]\r\nIconResource=x.dll,1\r\nConfirmFileOp=0\r\n"
            "[ExtShellFolderViews]\r\nk=v\r\n");
  ASSERT_TRUE(files_.WriteProfileEntry(ini, "ExtShellFolderViews", "k", std::nullopt).ok());
  EXPECT_EQ(ReadRaw(ini),
            "; kept\r\n[.ShellClassInfo]\r\nIconResource=x.dll,1\r\nConfirmFileOp=0\r\n"
            "[ExtShellFolderViews]\r\n");
  // The file keeps its attributes and nothing else is left in the folder.
  EXPECT_EQ(Attributes(ini) & kStored, kAttrHidden);
  EXPECT_EQ(test::NamesIn(deep_), (std::vector<std::string>{"Desktop.INI"}));

  const std::string fresh = parent_ + "\\Desktop.INI";
  ASSERT_TRUE(files_.WriteProfileEntry(fresh, "S", "k", std::nullopt).ok());
  EXPECT_FALSE(Exists(fresh));
  ASSERT_TRUE(files_.WriteProfileEntry(fresh, "S", "k", "v").ok());
  EXPECT_EQ(ReadRaw(fresh), "[S]\r\nk=v\r\n");
}

TEST_F(DeepFolderTest, CopyAndDeletePastMaxPath) {
  const std::string source = P("sea.jpg");
  const std::string target = deep_ + "\\Ormavell.jpg";
  WriteRaw(source, "picture");
  ASSERT_TRUE(files_.CopyFileReplacing(source, target).ok());
  EXPECT_EQ(ReadRaw(target), "picture");
  EXPECT_EQ(List(deep_ + "\\Ormavell.*", kMaskFiles), (std::vector<std::string>{"Ormavell.jpg"}));
  ASSERT_TRUE(files_.RemoveFile(target).ok());
  EXPECT_FALSE(Exists(target));
}

}  // namespace
}  // namespace orm
