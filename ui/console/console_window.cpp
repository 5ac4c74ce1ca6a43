#include "ui/console/console_window.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/folder_dresser.h"
#include "support/utf.h"

namespace orm::console {

namespace {

// A terminal gets a new progress line at most this often: writing one for every folder would
// cost more than the work itself on a fast volume.
constexpr std::chrono::milliseconds kProgressInterval{100};

// The characters of a UTF-8 text, each as its bytes.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = DecodeUtf8(text, at).length;
    characters.push_back(text.substr(at, length));
    at += length;
  }
  return characters;
}

std::size_t Width(std::string_view text) {
  return Characters(text).size();
}

}  // namespace

std::string ProgressText(long long foldersDone, const std::string& folder, int columns) {
  const std::string head = "Папок: " + std::to_string(foldersDone) + "  ";
  // A line break or another control character in a folder name would break the line.
  std::vector<std::string_view> tail = Characters(folder);
  for (std::string_view& c : tail) {
    if (c.size() == 1 && (static_cast<unsigned char>(c[0]) < 0x20 || c[0] == 0x7F)) c = "?";
  }
  // The last column stays free: a character there makes some terminals wrap the line, and a
  // wrapped line cannot be rewritten in place.
  const std::size_t room = columns > 1 ? static_cast<std::size_t>(columns - 1) : 0;
  std::string text;
  std::size_t width = 0;
  for (std::string_view c : Characters(head)) {
    if (width == room) return text;
    text += c;
    ++width;
  }
  std::size_t first = 0;
  if (width + tail.size() > room) {
    if (room - width < 2) return text;
    text += "…";
    ++width;
    first = tail.size() - (room - width);
  }
  for (std::size_t i = first; i < tail.size(); ++i) text += tail[i];
  return text;
}

ProgressLine::ProgressLine(ConsoleStreams& streams)
    : streams_(streams), columns_(streams.ErrTerminalColumns()) {}

void ProgressLine::Folder(const std::string& folder) {
  ++folders_;
  folder_ = folder;
  stale_ = true;
}

void ProgressLine::Draw() {
  if (columns_ <= 0 || !stale_) return;
  const auto now = std::chrono::steady_clock::now();
  if (shown_ && now - drawn_ < kProgressInterval) return;
  drawn_ = now;
  const std::string text = ProgressText(folders_, folder_, columns_);
  // Blanks over what is left of a longer earlier line.
  const std::size_t width = Width(text);
  std::string line = "\r" + text;
  if (width_ > width) line.append(width_ - width, ' ');
  streams_.Err(line);
  width_ = std::max(width, width_);
  shown_ = true;
  stale_ = false;
}

void ProgressLine::End() {
  if (!shown_) return;
  streams_.Err("\r" + std::string(width_, ' ') + "\r");
  shown_ = false;
  width_ = 0;
  stale_ = true;
}

ConsoleWindow::ConsoleWindow(ConsoleStreams& streams, const Command& command, std::string driveText)
    : streams_(streams),
      picture_(command.picture),
      driveText_(std::move(driveText)),
      textColor_(command.textColor),
      backColor_(command.backColor.value_or(0x00FFFFFF)),
      backColorCheck_(command.backColor ? kChecked : kUnchecked),
      progress_(streams) {}

void ConsoleWindow::SetDestinationRoot(const std::string& root) {
  folderPrefix_ = "  " + ValidUtf8(root);
}

void ConsoleWindow::LogRemoveFirst() {
  if (held_ > 0) --held_;
}

void ConsoleWindow::LogAppend(const std::string& line) {
  // A log line must not land in the middle of the progress line on the same terminal.
  if (progress_.shown() && streams_.OutIsTerminal()) progress_.End();
  streams_.Out(line + "\n");
  ++held_;
  ++linesWritten_;
  endedWithSuccess_ = line == kLogSuccess;
  if (!folderPrefix_.empty() && line.compare(0, folderPrefix_.size(), folderPrefix_) == 0) {
    progress_.Folder(line.substr(2));
  }
}

void ConsoleWindow::DoEvents() {
  progress_.Draw();
}

void ConsoleWindow::ShowStopMessage(const std::string& text) {
  progress_.End();
  streams_.Err(text + "\n");
}

void ConsoleWindow::SettingsWritesFailed(std::size_t count) {
  progress_.End();
  streams_.Err("ormavell: не записано файлов Desktop.INI: " + std::to_string(count) + "\n");
}

}  // namespace orm::console
