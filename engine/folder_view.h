// What the programs that show folder backgrounds make of one folder's settings file: which
// picture ReactOS opens and which label colours it takes (its shell reads the three entries of
// the view's section and resolves them step by step), and whether Windows 98 to XP open the
// file at all. Portable and without I/O: the caller reads the bytes and the attributes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orm {

// A colour entry as the reader parses it.
struct ColorEntry {
  bool present = false;
  std::string text;                    // the value, trimmed of blanks
  std::optional<std::uint32_t> value;  // 0x00BBGGRR where the whole text parses as a number
};

struct FolderView {
  // Windows 98 to XP open the folder's settings file only where the folder is read-only or
  // system.
  bool opensSettingsFile = false;
  // The settings file is not both hidden and system: users see it among the folder's files.
  bool settingsFileShown = false;
  // IconArea_Image, trimmed of blanks; nullopt where the file has none.
  std::optional<std::string> pictureEntry;
  // The Windows path of the file the reader opens as the picture. nullopt where there is no
  // entry, it is empty, or the folder, a backslash and the entry reach the path limit.
  std::optional<std::string> picture;
  ColorEntry text;
  ColorEntry textBackground;
};

// folder: the folder's Windows path as the shell knows it ("E:\Photos\2024", "E:\" for a root);
// currentDrive: the reader's own current drive ("C:"), which a value with a leading backslash
// names; settings: the settings file's bytes, nullopt where the folder has none.
FolderView ReadFolderView(std::string_view folder, std::string_view currentDrive,
                          const std::optional<std::string>& settings,
                          std::uint32_t folderAttributes, std::uint32_t settingsAttributes);

// A colour text as the reader parses it: strtol with base 0 (0x hexadecimal, a leading 0
// octal), accepted only where the whole text is the number, masked to 24 bits.
std::optional<std::uint32_t> ParseReaderColor(std::string_view text);

}  // namespace orm
