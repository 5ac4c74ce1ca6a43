#include "tests/common/read_only_root.h"

#ifndef _WIN32
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#endif

namespace orm::test {

#ifdef _WIN32
void RunUnderReadOnlyRoot(int, char**) {}
#else
namespace {

// The mounts the tests make vanish with this program, whatever becomes of it. Without root
// nothing changes here, and the tests that mount say so themselves; a namespace whose mounts
// would still reach the machine's ends the program.
void KeepMountsPrivate() {
  if (unshare(CLONE_NEWNS) != 0) return;
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    std::fprintf(stderr, "read-only root: mounts not private: %s\n", std::strerror(errno));
    std::exit(1);
  }
}

}  // namespace

void RunUnderReadOnlyRoot(int argc, char** argv) {
  struct statvfs root {};
  const char* disposable = std::getenv("ORMAVELL_DISPOSABLE_MACHINE");
  if ((statvfs("/", &root) == 0 && (root.f_flag & ST_RDONLY) != 0) ||
      (disposable != nullptr && std::strcmp(disposable, "1") == 0)) {
    KeepMountsPrivate();
    return;
  }

  // The program's own file: argv[0] may be a bare name found through PATH.
  std::string self(4096, '\0');
  ssize_t length = readlink("/proc/self/exe", self.data(), self.size());
  if (length <= 0) {
    std::perror("read-only root: /proc/self/exe");
    std::exit(1);
  }
  self.resize(static_cast<std::size_t>(length));
  std::vector<char*> args;
  args.push_back(const_cast<char*>(ORMAVELL_READ_ONLY_ROOT));
  args.push_back(self.data());
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  execv(ORMAVELL_READ_ONLY_ROOT, args.data());
  std::fprintf(stderr, "read-only root: cannot start %s: %s\n", ORMAVELL_READ_ONLY_ROOT,
               std::strerror(errno));
  std::exit(1);
}
#endif

}  // namespace orm::test
