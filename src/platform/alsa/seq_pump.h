// Waiting on a sequencer handle from a thread that another thread can wake and stop at any time.
#pragma once

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <vector>

namespace alsaseq {

// An eventfd that wakes a thread out of poll; the sequencer itself is never waited on without it.
class Wake {
 public:
  Wake() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~Wake() {
    if (fd_ >= 0) close(fd_);
  }
  Wake(const Wake&) = delete;
  Wake& operator=(const Wake&) = delete;
  int fd() const { return fd_; }
  void signal() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = fd_ >= 0 ? write(fd_, &one, sizeof one) : 0;
  }
  void clear() const {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = fd_ >= 0 ? read(fd_, &count, sizeof count) : 0;
  }

 private:
  int fd_;
};

// Reads the sequencer's events until `stop`, handing each to `onEvent` (null when the kernel had to drop
// some) and calling `afterBatch` once the input is drained. Returns soon after `stop` is set, even mid-batch.
template <class OnEvent, class AfterBatch>
void pump(snd_seq_t* seq, const Wake& wake, const std::atomic<bool>& stop, OnEvent onEvent,
          AfterBatch afterBatch) {
  const int count = std::max(0, snd_seq_poll_descriptors_count(seq, POLLIN));
  std::vector<pollfd> fds(static_cast<std::size_t>(count) + 1);
  fds[0] = {wake.fd(), POLLIN, 0};
  if (count > 0) snd_seq_poll_descriptors(seq, fds.data() + 1, static_cast<unsigned>(count), POLLIN);
  while (!stop) {
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents != 0) wake.clear();
    for (std::size_t i = 1; i < fds.size(); ++i)
      if ((fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) fds[i].fd = -1;  // gone: no busy loop
    while (!stop) {
      snd_seq_event_t* ev = nullptr;
      const int got = snd_seq_event_input(seq, &ev);
      if (got == -ENOSPC) {
        onEvent(nullptr);  // the kernel dropped events while we were slow; the rest still counts
        continue;
      }
      if (got < 0 || ev == nullptr) break;
      onEvent(ev);
    }
    if (!stop) afterBatch();
  }
}

}  // namespace alsaseq
