#include "engine/folder_view.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/folder_dresser.h"
#include "platform/file_services.h"
#include "platform/profile_edit.h"
#include "support/utf.h"

namespace orm {

namespace {

// ReactOS trims the values it reads of these before it looks at them.
std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\f\v";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
}

std::size_t Units(std::string_view text) {
  return Utf8ToUtf16(text, true).size();
}

// PathAppend's result: the value after the folder, "." and ".." resolved, a ".." at the root
// staying there.
std::string Appended(std::string_view folder, std::string_view value) {
  const std::string_view drive = folder.substr(0, 3);  // "E:\"
  std::vector<std::string_view> parts;
  auto add = [&](std::string_view path) {
    while (!path.empty()) {
      const std::size_t cut = path.find('\\');
      const std::string_view part = path.substr(0, cut);
      path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
        continue;
      }
      parts.push_back(part);
    }
  };
  add(folder.substr(drive.size()));
  add(value);
  std::string path(drive);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) path += '\\';
    path += parts[i];
  }
  return path;
}

ColorEntry ReadColor(const std::optional<std::string>& value) {
  ColorEntry entry;
  if (!value) return entry;
  entry.present = true;
  entry.text = std::string(Trimmed(*value));
  entry.value = ParseReaderColor(entry.text);
  return entry;
}

}  // namespace

std::optional<std::uint32_t> ParseReaderColor(std::string_view text) {
  std::size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  int base = 10;
  if (text.substr(at, 2) == "0x" || text.substr(at, 2) == "0X") {
    base = 16;
    at += 2;
  } else if (at < text.size() && text[at] == '0') {
    base = 8;
  }
  if (at == text.size()) return std::nullopt;
  // Windows' long has 32 bits; a number beyond it stops at its limit.
  constexpr std::int64_t kLimit = INT32_MAX;
  std::int64_t number = 0;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    int digit = 99;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit >= base) return std::nullopt;
    number = std::min<std::int64_t>(number * base + digit, kLimit + 1);
  }
  if (negative) number = -number;
  number = std::clamp<std::int64_t>(number, -kLimit - 1, kLimit);
  return static_cast<std::uint32_t>(number) & 0x00FFFFFF;
}

FolderView ReadFolderView(std::string_view folder, std::string_view currentDrive,
                          const std::optional<std::string>& settings,
                          std::uint32_t folderAttributes, std::uint32_t settingsAttributes) {
  FolderView view;
  view.opensSettingsFile = (folderAttributes & (kAttrReadOnly | kAttrSystem)) != 0;
  if (!settings) return view;
  view.settingsFileShown =
      (settingsAttributes & (kAttrHidden | kAttrSystem)) != (kAttrHidden | kAttrSystem);
  const std::string section(kViewGuid);
  if (std::optional<std::string> image = ReadProfileString(*settings, section, "IconArea_Image")) {
    const std::string_view value = Trimmed(*image);
    view.pictureEntry = std::string(value);
    const bool relative = !value.starts_with('\\') && !(value.size() >= 2 && value[1] == ':');
    if (!value.empty() && !relative) {
      // Opened as it stands: a leading backslash is the root of the reader's current drive.
      view.picture = value.starts_with("\\\\") || !value.starts_with('\\')
                         ? std::string(value)
                         : std::string(currentDrive) + std::string(value);
    } else if (!value.empty() && Units(folder) + 1 + Units(value) < kReaderPathLimit) {
      view.picture = Appended(folder, value);
    }
  }
  view.text = ReadColor(ReadProfileString(*settings, section, "IconArea_Text"));
  view.textBackground = ReadColor(ReadProfileString(*settings, section, "IconArea_TextBackground"));
  return view;
}

}  // namespace orm
