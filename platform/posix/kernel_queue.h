// Links and renames handed to the kernel (io_uring) and carried out by one kernel worker of this
// process while the caller goes on.
#pragma once

#include <cstdint>
#include <memory>

namespace orm::posix {

class KernelQueue {
 public:
  // A queue of room calls; nullptr where the kernel has no io_uring, refuses it (a sandbox, a
  // sysctl) or cannot link and rename through it (before Linux 5.15).
  static std::unique_ptr<KernelQueue> Open(unsigned room);
  ~KernelQueue();
  KernelQueue(const KernelQueue&) = delete;
  KernelQueue& operator=(const KernelQueue&) = delete;

  // Each queues one call, reported later under tag, and returns false where the queue is full.
  // With then, the call queued next starts once this one has ended, whatever its result: a
  // failed link does not stop the chain (Linux 6.18 was seen to run the rename after it).
  // The paths are read when Submit hands the calls over, and must live until then.
  // Links the file open as fd under name: linkat(fd, "", dir, name, AT_EMPTY_PATH) where the
  // kernel allows it, else linkat(AT_FDCWD, from, dir, name, AT_SYMLINK_FOLLOW), from naming
  // fd under /proc/self/fd.
  bool Link(int fd, const char* from, int dir, const char* name, std::uint64_t tag, bool then);
  // renameat(dir, from, dir, to)
  bool Rename(int dir, const char* from, const char* to, std::uint64_t tag, bool then);

  // Hands every queued call to the kernel; returns how many it took, or -errno. Calls it did
  // not take are dropped when the queue goes.
  int Submit();
  // Waits for the next finished call: its tag and its result (0, or -errno). False where
  // waiting failed.
  bool Next(std::uint64_t& tag, int& result);

 private:
  struct Ring;
  explicit KernelQueue(std::unique_ptr<Ring> ring);
  std::unique_ptr<Ring> ring_;
  // Whether the kernel's worker may link a file from its descriptor (Open asks it once).
  bool LinksByDescriptor();
  bool links_by_fd_ = false;
};

}  // namespace orm::posix
