#include "platform/posix/kernel_queue.h"

#include <fcntl.h>
#include <liburing.h>
#include <unistd.h>

#include <cerrno>

namespace orm::posix {

struct KernelQueue::Ring {
  io_uring ring{};
};

std::unique_ptr<KernelQueue> KernelQueue::Open(unsigned room) {
  auto ring = std::make_unique<Ring>();
  // Finished calls are reported without an interrupt of the caller each (Linux 5.19): it asks
  // once a run, and each interrupt would cost more than the call it reports.
  const unsigned flags[] = {IORING_SETUP_COOP_TASKRUN, 0};
  bool made = false;
  for (unsigned setup : flags) {
    if (io_uring_queue_init(room, &ring->ring, setup) == 0) {
      made = true;
      break;
    }
  }
  if (!made) return nullptr;
  // One worker: the calls run one after the other, in the order queued, on one more core, and
  // a run of hundreds of renames does not start hundreds of kernel threads.
  unsigned workers[2] = {1, 1};
  io_uring_probe* probe = io_uring_get_probe_ring(&ring->ring);
  const bool usable = probe != nullptr && io_uring_opcode_supported(probe, IORING_OP_LINKAT) &&
                      io_uring_opcode_supported(probe, IORING_OP_RENAMEAT) &&
                      io_uring_register_iowq_max_workers(&ring->ring, workers) == 0;
  if (probe != nullptr) io_uring_free_probe(probe);
  if (!usable) {
    io_uring_queue_exit(&ring->ring);
    return nullptr;
  }
  auto queue = std::unique_ptr<KernelQueue>(new KernelQueue(std::move(ring)));
  queue->links_by_fd_ = queue->LinksByDescriptor();
  return queue;
}

bool KernelQueue::LinksByDescriptor() {
  // A link made from a descriptor itself skips the walk through /proc that costs the kernel's
  // worker more than the link. Linux allows it to whoever opened the file from 6.10 on, and to
  // root (CAP_DAC_READ_SEARCH) before; it refuses it with ENOENT. Asked of the worker, with a
  // descriptor of "/" linked to "/": allowed, that ends in EEXIST, and nothing is made.
  const int root = ::open("/", O_PATH | O_CLOEXEC);
  io_uring_sqe* sqe = root < 0 ? nullptr : io_uring_get_sqe(&ring_->ring);
  bool allowed = false;
  if (sqe != nullptr) {
    io_uring_prep_linkat(sqe, root, "", AT_FDCWD, "/", AT_EMPTY_PATH);
    std::uint64_t tag = 0;
    int result = 0;
    allowed = io_uring_submit(&ring_->ring) == 1 && Next(tag, result) && result == -EEXIST;
  }
  if (root >= 0) ::close(root);
  return allowed;
}

KernelQueue::KernelQueue(std::unique_ptr<Ring> ring) : ring_(std::move(ring)) {}

KernelQueue::~KernelQueue() {
  io_uring_queue_exit(&ring_->ring);
}

namespace {

// Tags and chains a call prepared in sqe.
void Finish(io_uring_sqe* sqe, std::uint64_t tag, bool then) {
  io_uring_sqe_set_data64(sqe, tag);
  if (then) sqe->flags |= IOSQE_IO_LINK;
}

}  // namespace

bool KernelQueue::Link(int fd, const char* from, int dir, const char* name, std::uint64_t tag,
                       bool then) {
  io_uring_sqe* sqe = io_uring_get_sqe(&ring_->ring);
  if (sqe == nullptr) return false;
  if (links_by_fd_) {
    io_uring_prep_linkat(sqe, fd, "", dir, name, AT_EMPTY_PATH);
  } else {
    io_uring_prep_linkat(sqe, AT_FDCWD, from, dir, name, AT_SYMLINK_FOLLOW);
  }
  Finish(sqe, tag, then);
  return true;
}

bool KernelQueue::Rename(int dir, const char* from, const char* to, std::uint64_t tag, bool then) {
  io_uring_sqe* sqe = io_uring_get_sqe(&ring_->ring);
  if (sqe == nullptr) return false;
  io_uring_prep_renameat(sqe, dir, from, dir, to, 0);
  Finish(sqe, tag, then);
  return true;
}

int KernelQueue::Submit() {
  return io_uring_submit(&ring_->ring);
}

bool KernelQueue::Next(std::uint64_t& tag, int& result) {
  io_uring_cqe* cqe = nullptr;
  int err;
  do {
    err = io_uring_wait_cqe(&ring_->ring, &cqe);
  } while (err == -EINTR);
  if (err != 0 || cqe == nullptr) return false;
  tag = io_uring_cqe_get_data64(cqe);
  result = cqe->res;
  io_uring_cqe_seen(&ring_->ring, cqe);
  return true;
}

}  // namespace orm::posix
