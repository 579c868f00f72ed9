#include "platform/linux/StopRequest.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>

namespace tavrel::linux_platform {

namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

// Made before main runs, so that the signal handler never has to make it.
struct StopPipe {
  int fds[2] = {-1, -1};
  StopPipe() {
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) fds[0] = fds[1] = -1;
  }
} g_pipe;

}  // namespace

void RequestStop() noexcept {
  const bool already = g_stop.exchange(true);
  if (!already && g_pipe.fds[1] >= 0) {
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe.fds[1], &b, 1);
  }
}

bool StopRequested() noexcept { return g_stop.load(); }

int StopFd() noexcept { return g_pipe.fds[0]; }

void ClearStopRequest() noexcept {
  g_stop = false;
  char buf[16];
  while (g_pipe.fds[0] >= 0 && ::read(g_pipe.fds[0], buf, sizeof buf) > 0) {}
}

}  // namespace tavrel::linux_platform
