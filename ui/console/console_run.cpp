#include "ui/console/console_run.h"

#include <exception>
#include <new>

#include "engine/drive_check.h"
#include "engine/folder_dresser.h"
#include "engine/run_time_error.h"
#include "support/utf.h"
#include "ui/console/command_line.h"
#include "ui/console/console_window.h"

namespace orm::console {

namespace {

// The check's report on standard output, its progress line on a terminal's standard error.
class CheckOutput final : public DriveCheckOutput {
 public:
  explicit CheckOutput(ConsoleStreams& streams) : streams_(streams), progress_(streams) {}
  ~CheckOutput() override { progress_.End(); }
  void Entered(const std::string& folder) override {
    progress_.Folder(ValidUtf8(folder));
    progress_.Draw();
  }
  void Report(const std::string& line) override {
    if (progress_.shown() && streams_.OutIsTerminal()) progress_.End();
    streams_.Out(line + "\n");
  }

 private:
  ConsoleStreams& streams_;
  ProgressLine progress_;
};

int RunCheck(ConsoleStreams& streams, FileServices& files, const std::string& driveText) {
  // The window's own rule gives the root, for the check as for the operations.
  ConsoleWindow window(streams, Command{}, driveText);
  const std::string root = FolderDresser(window, files).GetDestinationRoot();
  // A drive the program would not dress is no drive to check either.
  if (const FileError refused = files.AdmitDestination(root); !refused.ok()) {
    streams.Err("ormavell: " + ValidUtf8(driveText) + ": " + refused.description + "\n");
    return kExitUsage;
  }
  CheckOutput output(streams);
  const DriveCheckCounts counts = CheckDrive(files, root, output);
  return counts.notDressed == 0 ? kExitSuccess : kExitFailed;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, ConsoleStreams& streams,
                   FileServices& files, const DriveResolver& resolveDrive,
                   std::string_view version) {
  const ParsedCommand parsed = ParseCommandLine(args);
  if (!parsed.error.empty()) {
    streams.Err("ormavell: " + parsed.error + "\n");
    return kExitUsage;
  }
  const Command& command = parsed.command;
  if (command.action == Action::Help) {
    streams.Out(UsageText());
    return kExitSuccess;
  }
  if (command.action == Action::Version) {
    streams.Out(std::string(version) + "\n");
    return kExitSuccess;
  }

  const DriveChoice drive = resolveDrive(command.drive);
  if (drive.driveText.empty()) {
    streams.Err("ormavell: " + drive.refusal + "\n");
    return kExitUsage;
  }

  if (command.action == Action::Check) return RunCheck(streams, files, drive.driveText);

  ConsoleWindow window(streams, command, drive.driveText);
  FolderDresser dresser(window, files);
  std::int32_t number = 0;
  std::string description;
  try {
    window.SetDestinationRoot(dresser.GetDestinationRoot());
    dresser.cmdSkin_Click(command.action == Action::Install ? 0 : 1);
  } catch (const RunTimeError& error) {
    number = error.number();
    description = error.description();
  } catch (const std::bad_alloc&) {
    number = 7;
    description = "Недостаточно памяти";
  } catch (const std::exception&) {
    number = 51;
    description = "Внутренняя ошибка";
  }
  window.EndProgress();
  // The window would show this in its message box and end the program.
  if (number != 0) {
    streams.Err("Ошибка выполнения '" + std::to_string(number) + "': " + description + "\n");
    return kExitFailed;
  }
  return window.EndedWithSuccess() ? kExitSuccess : kExitFailed;
}

}  // namespace orm::console
