// Our Linux profile writer against Windows' own: the installs and removes whose settings files
// WritePrivateProfileStringW left under Wine (recorded as fixtures by the Windows build) run
// here through the engine with the Linux file services; the files must be the same bytes.
#include <gtest/gtest.h>

#include "tests/common/test_files.h"
#include "tests/win32/profile_crosscheck.h"

namespace fs = std::filesystem;

namespace orm {
namespace {

TEST(ProfileCrossCheck, LinuxWriterLeavesWhatWindowsWriterLeft) {
  for (const test::crosscheck::Scenario& scenario : test::crosscheck::Scenarios()) {
    SCOPED_TRACE(scenario.name);
    const test::crosscheck::Snapshots recorded = test::crosscheck::ReadFixtures(
        fs::path(ORMAVELL_SOURCE_DIR "/tests/fixtures/win32-crosscheck") / scenario.name);
    ASSERT_FALSE(recorded.empty()) << "no fixtures";
    test::TempDir drive;
    test::TempDir pictures;
    const test::crosscheck::Snapshots written = test::crosscheck::Run(
        scenario, test::U8Text(drive.path()), drive.path(), pictures.path(), NativeFileServices());
    EXPECT_EQ(written, recorded);
  }
}

}  // namespace
}  // namespace orm
