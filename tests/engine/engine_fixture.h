// The common ground of the engine's tests: a drive, a folder for the user's pictures, a
// scripted window and the engine working on them with the platform's real file services.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/folder_dresser.h"
#include "tests/common/test_files.h"
#include "tests/engine/scripted_window.h"
#include "tests/engine/test_drive.h"

namespace orm::test {

// The bits a test compares: archive comes and goes with writes on some file systems.
inline constexpr std::uint32_t kVisibleBits =
    kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory;

class EngineFixture : public ::testing::Test {
 protected:
  EngineFixture() { window.drive = drive.driveText(); }
#ifndef _WIN32
  // The drive in a fresh folder below base.
  explicit EngineFixture(const std::filesystem::path& base) : drive(base) {
    window.drive = drive.driveText();
  }
#endif

  // Writes a picture file into the pictures folder and returns its full path.
  std::string MakePicture(const std::string& name, const std::string& bytes);
  // "  " + every folder of the drive with a trailing separator, in pre-order, subfolders in the
  // order the folder's listing gives them, links not followed: the lines a walk must log.
  std::vector<std::string> PreOrderFolderLines() const;
  // The given names of entries of a folder of the drive, in the order its listing gives them.
  std::vector<std::string> ListingOrder(const std::string& folder,
                                        const std::vector<std::string>& names) const;
  // The Windows attributes of a path, through the platform's file services.
  std::uint32_t Attributes(const std::string& path) const;
  void SetAttributes(const std::string& path, std::uint32_t attributes) const;
  // Every entry of the drive (relative path, '/' between names), with its attributes and, for
  // a file, its bytes: what a test compares to show that nothing changed.
  std::map<std::string, std::pair<std::uint32_t, std::string>> DriveState() const;

  TestDrive drive;
  TempDir pictures;
  ScriptedWindow window;
  FolderDresser dresser{window, NativeFileServices()};
};

}  // namespace orm::test
