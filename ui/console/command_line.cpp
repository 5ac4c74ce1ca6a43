#include "ui/console/command_line.h"

#include "support/as.h"

namespace orm::console {

namespace {

constexpr bool kWindowsDrives = kPathSeparator == '\\';

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string Quoted(std::string_view text) {
  return "«" + std::string(text) + "»";
}

}  // namespace

std::optional<std::uint32_t> ParseColor(std::string_view text) {
  if (text.size() != 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return {};
  std::uint32_t value = 0;
  for (char c : text.substr(2)) {
    if (!IsHexDigit(c)) return {};
    const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  // A value with the top byte set names a system colour, which the Windows shell cannot read
  // from a settings file.
  if (value > 0x00FFFFFF) return {};
  return value;
}

std::optional<char> ParseDriveLetter(std::string_view text) {
  if (text.size() == 3 && (text[2] == '\\' || text[2] == '/')) text.remove_suffix(1);
  if (text.size() != 2 || text[1] != ':') return {};
  char letter = text[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return {};
  return letter;
}

ParsedCommand ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommand parsed;
  Command& command = parsed.command;
  auto bad = [&](std::string reason) {
    parsed.error = std::move(reason);
    return parsed;
  };
  if (args.empty()) return bad("не указана команда");

  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "--version") {
    if (args.size() > 1) return bad("лишний аргумент " + Quoted(args[1]));
    command.action = first == "--version" ? Action::Version : Action::Help;
    return parsed;
  }
  if (first == "install") {
    command.action = Action::Install;
  } else if (first == "remove") {
    command.action = Action::Remove;
  } else if (first == "check") {
    command.action = Action::Check;
  } else {
    return bad("неизвестная команда " + Quoted(first) + " (справка: ormavell --help)");
  }

  bool haveDrive = false, havePicture = false, haveText = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      if (haveDrive) return bad("лишний аргумент " + Quoted(arg));
      command.drive = arg;
      haveDrive = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    std::string value;
    if (name != "--picture" && name != "--text-color" && name != "--back-color") {
      return bad("неизвестный параметр " + Quoted(name));
    }
    if (command.action != Action::Install) {
      return bad("параметр " + Quoted(name) + " не относится к команде " + first);
    }
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return bad("у параметра " + Quoted(name) + " нет значения");
    }
    const bool twice = (name == "--picture" && havePicture) ||
                       (name == "--text-color" && haveText) ||
                       (name == "--back-color" && command.backColor.has_value());
    if (twice) {
      return bad("параметр " + Quoted(name) + " указан дважды");
    }
    if (name == "--picture") {
      command.picture = value;
      havePicture = true;
      continue;
    }
    std::optional<std::uint32_t> color = ParseColor(value);
    if (!color) {
      return bad("неверный цвет " + Quoted(value) + " у параметра " + name +
                 ": нужен вид 0x00BBGGRR");
    }
    if (name == "--text-color") {
      command.textColor = *color;
      haveText = true;
    } else {
      command.backColor = *color;
    }
  }
  if (!haveDrive) return bad("не указан диск");
  if (command.action == Action::Install && !havePicture) {
    return bad("не указан файл картинки (--picture ФАЙЛ)");
  }
  return parsed;
}

std::string UsageText() {
  std::string text =
      "Использование:\n"
      "  ormavell                открыть окно программы\n"
      "  ormavell install ДИСК --picture ФАЙЛ [--text-color ЦВЕТ] [--back-color ЦВЕТ]\n"
      "  ormavell remove ДИСК\n"
      "  ormavell check ДИСК\n"
      "  ormavell --help | --version\n"
      "\n"
      "install  копирует картинку в корень диска скрытым файлом Ormavell.<расширение> и\n"
      "         записывает в Desktop.INI каждой папки диска эту картинку и цвета подписей.\n"
      "remove   удаляет картинки Ormavell.* из корня диска и эти записи из Desktop.INI.\n"
      "check    ничего не меняя, проверяет каждую папку диска так, как её читают Windows\n"
      "         98–XP и ReactOS, и называет папки, которые не покажутся оформленными, с\n"
      "         причиной: нет Desktop.INI или записей, папка без отметки «только для\n"
      "         чтения», Desktop.INI не скрыт, нет файла картинки, цвет не читается.\n"
      "\n";
  if constexpr (kWindowsDrives) {
    text += "ДИСК     буква диска: e: или E:\\\n";
  } else {
    text +=
        "ДИСК     том из списка дисков программы: точка монтирования тома FAT, exFAT или\n"
        "         NTFS, сетевой папки или тома в /media, /run/media, /mnt, либо путь общей\n"
        "         папки Samba; системный диск не оформляется.\n";
  }
  text +=
      "--picture ФАЙЛ       файл картинки (.jpg, .png, .bmp, .gif, .rle)\n"
      "--text-color ЦВЕТ    цвет подписей, 0x00BBGGRR (0x00FFFFFF белый, 0x000000FF красный);\n"
      "                     без него чёрный, 0x00000000\n"
      "--back-color ЦВЕТ    цвет фона подписей, 0x00BBGGRR; без него фон не задаётся\n"
      "                     и прежний фон убирается\n"
      "\n"
      "Журнал пишется в стандартный вывод (UTF-8), строка за строкой, как в окне программы.\n"
      "Код завершения: 0, когда все операции завершены успешно (у check: когда все папки\n"
      "оформлены); 1, когда нет; 2, когда командная строка неверна или диск не подходит.\n";
  return text;
}

}  // namespace orm::console
