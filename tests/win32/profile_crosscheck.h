// The cross-check of the two profile writers: Windows' own (WritePrivateProfileStringW, one call
// per entry) and ours (the Linux writer). The same installs and removes run through the engine
// on the same trees; the settings files they leave must be byte for byte the same. Built for
// both programs: under Wine the Windows writer's files are compared with our in-memory editor's
// and recorded as fixtures; on Linux the Linux writer's files are compared with those fixtures.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/file_services.h"

namespace orm::test::crosscheck {

// One click of cmdSkin with the choices the window holds at that moment.
struct Step {
  std::int16_t button = 0;  // 0 install, 1 remove
  std::string picture = "sea.jpg";
  std::uint32_t textColor = 0x00000000;
  std::uint32_t backColor = 0x00FFFFFF;
  int backColorCheck = 0;
};

struct Scenario {
  std::string name;
  // Folders below the root ("A/B" makes A and B), and files with their bytes before the first
  // step; paths use '/'.
  std::vector<std::string> folders;
  std::vector<std::pair<std::string, std::string>> files;
  std::vector<Step> steps;
};

// The scenarios. Pre-existing settings files hold only what Windows and Wine edit alike: CRLF
// lines without blank lines, spacing or comments, ASCII text, no byte order mark. (Wine rewrites
// a file whole after each write, dropping blank lines and spacing, keeps comments of a deleted
// section away, and reads a UTF-8 byte order mark, where Windows keeps every other byte.)
const std::vector<Scenario>& Scenarios();

// What a scenario left: after each step, every folder's Desktop.INI bytes, keyed
// "<step>-<folder>" with the folder as "root" or its path with '_' for '/'; a folder without a
// settings file has no key.
using Snapshots = std::map<std::string, std::string>;

// Runs a scenario with the engine on a drive: driveText is what the drive list shows for it,
// root the same folder as a path of this program; pictures a folder for the user's pictures.
Snapshots Run(const Scenario& scenario, const std::string& driveText,
              const std::filesystem::path& root, const std::filesystem::path& pictures,
              FileServices& files);

// The fixture file of a snapshot key within a scenario's fixture folder.
std::filesystem::path FixtureFile(const std::filesystem::path& folder, const std::string& key);

// The snapshots recorded in a scenario's fixture folder.
Snapshots ReadFixtures(const std::filesystem::path& folder);

}  // namespace orm::test::crosscheck
