// How long the six settings-file writes of one installed folder take through our Linux profile
// writer, once as one batch and once as six single writes, on a new file and on an existing one,
// beside one plain write of the same final bytes.
//
//   profile_bench [folder [rounds]]
//
// folder defaults to the current one; every round uses a fresh subfolder of it.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/profile_writer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kGuid = "{BE098140-A513-11D0-A3A4-00C04FD706EC}";

// The install entries of one folder, in the engine's order, with a background colour.
std::vector<orm::ProfileEdit> InstallEdits() {
  return {
      {"ExtShellFolderViews", kGuid, kGuid},
      {kGuid, "Attributes", "1"},
      {kGuid, "IconArea_Image", "\\Ormavell.jpg"},
      {kGuid, "IconArea_Text", "0x00FFFFFF"},
      {kGuid, "IconArea_TextBackground", "0x000000FF"},
      {".ShellClassInfo", "ConfirmFileOp", "0"},
  };
}

// A settings file a user already has: a localised name, an icon and a view template.
const std::string kExisting =
    "[.ShellClassInfo]\r\n"
    "LocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21790\r\n"
    "IconResource=%SystemRoot%\\system32\\imageres.dll,-108\r\n"
    "IconFile=%SystemRoot%\\system32\\shell32.dll\r\n"
    "IconIndex=-237\r\n"
    "InfoTip=@%SystemRoot%\\system32\\shell32.dll,-12688\r\n"
    "[ViewState]\r\n"
    "Mode=\r\n"
    "Vid=\r\n"
    "FolderType=Pictures\r\n";

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

enum class Way { kBatch, kSingles, kPlain, kPlainSynced };
constexpr Way kWays[] = {Way::kBatch, Way::kSingles, Way::kPlain, Way::kPlainSynced};

// One folder's writes the given way, in microseconds; the preparation is not timed.
double Once(const fs::path& dir, bool existing, Way way, const std::string& result) {
  static const std::vector<orm::ProfileEdit> edits = InstallEdits();
  fs::create_directories(dir);
  std::string file = (dir / "Desktop.INI").string();
  fs::remove(file);
  if (existing) WriteFile(file, kExisting);

  Clock::time_point start = Clock::now();
  switch (way) {
    case Way::kBatch:
      if (!orm::posix::WriteProfileStrings(file, edits).ok()) std::abort();
      break;
    case Way::kSingles:
      for (const orm::ProfileEdit& e : edits) {
        if (!orm::posix::WriteProfileString(file, e.section, *e.key, *e.value).ok()) std::abort();
      }
      break;
    case Way::kPlain:
    case Way::kPlainSynced: {
      int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      if (fd < 0 || ::write(fd, result.data(), result.size()) != ssize_t(result.size())) {
        std::abort();
      }
      if (way == Way::kPlainSynced && ::fdatasync(fd) != 0) std::abort();
      ::close(fd);
      break;
    }
  }
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::current_path();
  int rounds = argc > 2 ? std::atoi(argv[2]) : 500;
  fs::path base = folder / ("profile-bench-" + std::to_string(::getpid()));

  std::printf("Six install writes of one folder: median of %d rounds in %s\n", rounds,
              folder.c_str());
  std::printf("%-14s %12s %12s %12s %12s %14s %14s\n", "file", "batch us", "6 calls us", "plain us",
              "plain+sync us", "batch/plain", "6 calls/plain");
  for (bool existing : {false, true}) {
    // The final bytes, made once by the writer itself.
    fs::create_directories(base);
    std::string probe = (base / "probe.ini").string();
    if (existing) WriteFile(probe, kExisting);
    orm::posix::WriteProfileStrings(probe, InstallEdits());
    std::string result = ReadFile(probe);
    fs::remove(probe);

    // The ways take turns round by round, so that a busy spell of the disk hits all of them.
    std::vector<double> times[4];
    for (int round = 0; round < rounds; ++round) {
      for (int w = 0; w < 4; ++w) {
        fs::path dir = base / std::to_string(w) / std::to_string(round);
        times[w].push_back(Once(dir, existing, kWays[w], result));
      }
    }
    double batch = Median(times[0]), singles = Median(times[1]);
    double plain = Median(times[2]), synced = Median(times[3]);
    std::printf("%-14s %12.1f %12.1f %12.1f %12.1f %14.2f %14.2f\n", existing ? "existing" : "new",
                batch, singles, plain, synced, batch / plain, singles / plain);
    fs::remove_all(base);
  }
  return 0;
}
