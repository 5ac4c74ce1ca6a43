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

// Gives a folder a drive letter of its own for the running session, so that it is a real
// drive root ("R:\"); false when the letter cannot be mapped. On Windows this is
// DefineDosDeviceW. Wine keeps such definitions without resolving paths through them, so
// under Wine the letter goes through Wine's mount manager, which links it in the prefix's
// dosdevices folder as winecfg does.
bool MapDriveLetter(wchar_t letter, const std::wstring& folder);
// Takes the letter away again.
void UnmapDriveLetter(wchar_t letter, const std::wstring& folder);
// Maps the first letter from R to Y that no drive uses to the folder and returns it, or 0.
// Test programs running side by side never get the same letter.
wchar_t MapFreeDriveLetter(const std::wstring& folder);

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
