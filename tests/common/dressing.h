// The settings bytes that an install and a remove leave in a folder, spelled once for every test
// that compares them: CRLF line ends, no BOM, entries in the order they are written.
#pragma once

#include <string>

namespace orm::test {

inline const std::string kViewGuid = "{BE098140-A513-11D0-A3A4-00C04FD706EC}";
// The views section that names the GUID section, as an install writes it.
inline const std::string kViewsSection =
    "[ExtShellFolderViews]\r\n" + kViewGuid + "=" + kViewGuid + "\r\n";
inline const std::string kClassInfoSection = "[.ShellClassInfo]\r\nConfirmFileOp=0\r\n";
// What a remove leaves of the file of a folder that had none before the install.
inline const std::string kRemovedDressing = "[ExtShellFolderViews]\r\n" + kClassInfoSection;

// The picture entry of a folder depth levels below the root: one "..\" for each level.
inline std::string PictureEntry(int depth, const std::string& picture = "Ormavell.jpg") {
  std::string entry = picture;
  for (int level = 0; level < depth; ++level) entry = "..\\" + entry;
  return entry;
}

// The GUID section with its picture entry and colours ("0x" and eight hex digits); without a
// background colour when background is empty.
inline std::string GuidSection(const std::string& picture_entry, const std::string& text,
                               const std::string& background = "") {
  std::string section = "[" + kViewGuid + "]\r\nAttributes=1\r\nIconArea_Image=" + picture_entry +
                        "\r\nIconArea_Text=" + text + "\r\n";
  if (!background.empty()) section += "IconArea_TextBackground=" + background + "\r\n";
  return section;
}

// The file an install writes into a folder that had none.
inline std::string FreshDressing(const std::string& picture_entry, const std::string& text,
                                 const std::string& background = "") {
  return kViewsSection + GuidSection(picture_entry, text, background) + kClassInfoSection;
}

}  // namespace orm::test
