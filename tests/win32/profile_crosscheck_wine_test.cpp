// Windows' profile writer against ours, under Wine: the same installs and removes on two mapped
// drives, one written by WritePrivateProfileStringW, one by our profile editor; what Windows'
// writer left is also compared with (or, with ORMAVELL_WRITE_FIXTURES set, recorded as) the
// fixtures the Linux build checks its own writer against.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/profile_edit.h"
#include "tests/common/test_files.h"
#include "tests/engine/forwarding_files.h"
#include "tests/win32/profile_crosscheck.h"
#include "tests/win32/win32_test_support.h"

namespace fs = std::filesystem;

namespace orm {
namespace {

// The platform's file services with our profile editor in place of Windows' writer: the file
// read whole, edited in memory, written whole.
class OurProfileWriter final : public test::ForwardingFiles {
 public:
  explicit OurProfileWriter(FileServices& base) : ForwardingFiles(base) {}

  FileError WriteProfileEntry(const std::string& file, std::string_view section,
                              std::optional<std::string_view> key,
                              std::optional<std::string_view> value) override {
    ProfileEdit edit{std::string(section), std::nullopt, std::nullopt};
    if (key) edit.key = std::string(*key);
    if (value) edit.value = std::string(*value);
    std::size_t applied = 0;
    return WriteProfileEntries(file, std::span<const ProfileEdit>(&edit, 1), applied);
  }

  FileError WriteProfileEntries(const std::string& file, std::span<const ProfileEdit> edits,
                                std::size_t& applied) override {
    applied = 0;
    const fs::path path = test::U8Path(file);
    std::string bytes;
    bool exists = fs::exists(path);
    if (exists) {
      std::ifstream in(path, std::ios::binary);
      std::ostringstream content;
      content << in.rdbuf();
      bytes = content.str();
    }
    if (ApplyProfileEdits(bytes, exists, edits)) {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      if (!out.good()) return FileError::Of(kErrPermissionDenied);
    }
    applied = edits.size();
    return FileError::Success();
  }
};

// A temporary folder with a drive letter of its own.
class MappedDrive {
 public:
  MappedDrive() : letter_(test::MapFreeDriveLetter(folder_.path().wstring())) {
    EXPECT_NE(letter_, 0) << "no drive letter";
  }
  ~MappedDrive() { test::UnmapDriveLetter(letter_, folder_.path().wstring()); }
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  std::string driveText() const {
    return std::string(1, static_cast<char>(towlower(letter_))) + ": [CROSSCHECK]";
  }
  const fs::path& path() const { return folder_.path(); }

 private:
  test::TempDir folder_;
  wchar_t letter_;
};

fs::path FixtureFolder(const std::string& scenario) {
  return test::U8Path(
      test::ZDrivePath(ORMAVELL_SOURCE_DIR "/tests/fixtures/win32-crosscheck/" + scenario));
}

TEST(ProfileCrossCheck, WindowsWriterAndOursLeaveTheSameBytes) {
  ASSERT_TRUE(test::RunningUnderWine()) << "the fixtures are recorded under Wine";
  const bool record = std::getenv("ORMAVELL_WRITE_FIXTURES") != nullptr;
  for (const test::crosscheck::Scenario& scenario : test::crosscheck::Scenarios()) {
    SCOPED_TRACE(scenario.name);
    MappedDrive windowsDrive;
    MappedDrive ourDrive;
    test::TempDir pictures;
    OurProfileWriter ours(NativeFileServices());
    const test::crosscheck::Snapshots windows =
        test::crosscheck::Run(scenario, windowsDrive.driveText(), windowsDrive.path(),
                              pictures.path(), NativeFileServices());
    const test::crosscheck::Snapshots editor = test::crosscheck::Run(
        scenario, ourDrive.driveText(), ourDrive.path(), pictures.path(), ours);
    EXPECT_FALSE(windows.empty());
    EXPECT_EQ(windows, editor);

    const fs::path fixtures = FixtureFolder(scenario.name);
    if (record) {
      fs::create_directories(fixtures);
      for (const auto& entry : fs::directory_iterator(fixtures)) fs::remove(entry.path());
      for (const auto& [key, bytes] : windows) {
        test::WriteBytes(test::crosscheck::FixtureFile(fixtures, key), bytes);
      }
    } else {
      EXPECT_EQ(windows, test::crosscheck::ReadFixtures(fixtures));
    }
  }
}

}  // namespace
}  // namespace orm
