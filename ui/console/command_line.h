// The program's command line: what a script asks for (install or remove on a drive, the usage,
// the version) and the usage text. Portable: both programs parse it the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orm::console {

enum class Action { Help, Version, Install, Remove, Check };

// The choices the window's controls would hold for one run.
struct Command {
  Action action = Action::Help;
  std::string drive;                       // DRIVE as given
  std::string picture;                     // --picture, install only
  std::uint32_t textColor = 0x00000000;    // --text-color, black when not given
  std::optional<std::uint32_t> backColor;  // --back-color: given means the box is checked
};

// A parsed command line, or the one-line reason (no line break) why it is bad usage.
struct ParsedCommand {
  Command command;
  std::string error;
};

// Parses the arguments after the program's name (which must not be empty):
//   install DRIVE --picture FILE [--text-color 0x00BBGGRR] [--back-color 0x00BBGGRR]
//   remove DRIVE
//   check DRIVE
//   --help | -h | --version
// Options take their value as the next argument or after "=". An option given twice, an
// unknown one, a missing value or an argument too many is bad usage.
ParsedCommand ParseCommandLine(const std::vector<std::string>& args);

// "0x00BBGGRR" (the "x" and the hex digits in either case) as a colour value; nullopt for any
// other text, a system colour (top byte not 00) included.
std::optional<std::uint32_t> ParseColor(std::string_view text);

// The upper-case letter of a Windows drive designation: "e:", "E:", "e:\" or "e:/"; nullopt for
// anything else.
std::optional<char> ParseDriveLetter(std::string_view text);

// The usage, in Russian, each line ending with "\n".
std::string UsageText();

}  // namespace orm::console
