// Helpers for the tests of the Windows program: Wine detection, the drive that wine-drive maps,
// and raw file access in the \\?\ form for paths longer than MAX_PATH.
#pragma once

#include <string>
#include <vector>

namespace orm::test {

// True when the test runs under Wine rather than on Windows.
bool RunningUnderWine();

// The drive wine-drive mapped for this test ("R:"), or "" when there is none.
std::string TestDrive();

// A Linux path as Wine's Z: drive shows it ("/tmp/x" gives "Z:\tmp\x").
std::string ZDrivePath(const std::string& unixPath);

// The path in the \\?\ form (for a full path of any length).
std::wstring LongForm(const std::string& path);

// Creates one folder; fails the test when it cannot.
void MakeFolder(const std::string& path);
// The file's raw bytes, or "<missing>" when it cannot be opened.
std::string ReadRaw(const std::string& path);
// Replaces the file's content with these bytes; fails the test when it cannot.
void WriteRaw(const std::string& path, const std::string& bytes);
// True when the path names an existing file or folder.
bool Exists(const std::string& path);
// The bare names in a folder, "." and ".." left out, via FindFirstFileW.
std::vector<std::string> NamesIn(const std::string& folder);

}  // namespace orm::test
