#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "ui/console/standard_streams.h"

namespace orm::console {

namespace {

class PosixStreams : public ConsoleStreams {
 public:
  PosixStreams() {
    // A reader that goes away (`ormavell install ... | head`) must not end the run halfway
    // through the volume; the rest of the log is dropped and the run goes on.
    std::signal(SIGPIPE, SIG_IGN);
  }
  void Out(std::string_view bytes) override { Write(STDOUT_FILENO, bytes); }
  void Err(std::string_view bytes) override { Write(STDERR_FILENO, bytes); }
  int ErrTerminalColumns() override {
    if (!isatty(STDERR_FILENO)) return 0;
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
    return size.ws_col;
  }
  bool OutIsTerminal() override { return isatty(STDOUT_FILENO) != 0; }

 private:
  static void Write(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t written = write(fd, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return;
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
  }
};

}  // namespace

ConsoleStreams& StandardStreams() {
  static PosixStreams streams;
  return streams;
}

}  // namespace orm::console
