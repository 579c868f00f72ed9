#include "platform/linux/ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/linux/Descriptors.h"
#include "platform/linux/StopRequest.h"

namespace tavrel::linux_platform {

namespace {

bool MakePipe(Fd& r, Fd& w) {
  int p[2];
  if (::pipe2(p, O_CLOEXEC) != 0) return false;
  r.reset(p[0]);
  w.reset(p[1]);
  return true;
}

// A pipe whose read end holds data already: the write end is closed before the child starts.
bool MakeInputPipe(const std::string& data, Fd& r) {
  if (data.size() > kMaxProcessInput) return false;
  Fd w;
  if (!MakePipe(r, w)) return false;
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(w.get(), data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int PidFdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

// Reads what is available without blocking; returns false at end of file or on an error.
bool Drain(int fd, std::string& into, std::size_t max, bool& truncated) {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      const std::size_t room = max > into.size() ? max - into.size() : 0;
      const std::size_t keep = std::min(room, static_cast<std::size_t>(n));
      into.append(buf, keep);
      if (keep < static_cast<std::size_t>(n)) truncated = true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    return false;
  }
}

// Ends the child's process group: SIGTERM, a short grace to tidy up, then SIGKILL; the child is
// collected.
void EndGroup(pid_t pid, int& status) {
  ::kill(-pid, SIGTERM);
  ::kill(pid, SIGTERM);
  for (int i = 0; i < 50 && ::waitpid(pid, &status, WNOHANG) == 0; ++i) ::usleep(10000);
  ::kill(-pid, SIGKILL);
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
}

int StatusToCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// The child's side, after fork: only async-signal-safe calls. The child leads a process group of
// its own, with no signal blocked; in, out, err and (when at least 0) fd3 become its descriptors
// 0 to 3, and every other descriptor closes on exec. When exec fails its errno goes into
// execReport; a successful exec closes that pipe without data.
[[noreturn]] void RunChild(char* const* argv, bool searchPath, int in, int out, int err, int fd3, int execReport) {
  ::setpgid(0, 0);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
  if (fd3 >= 0 && ::dup2(fd3, 3) < 0) ::_exit(127);
  const int last = fd3 >= 0 ? 3 : 2;
  for (int fd = 0; fd <= last; ++fd) ::fcntl(fd, F_SETFD, 0);
  const unsigned firstToClose = static_cast<unsigned>(last + 1);
#ifdef SYS_close_range
  if (::syscall(SYS_close_range, firstToClose, ~0U, 4 /* CLOSE_RANGE_CLOEXEC */) != 0)
#endif
  {
    for (int fd = static_cast<int>(firstToClose); fd < 4096; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  if (searchPath)
    ::execvp(argv[0], argv);
  else
    ::execv(argv[0], argv);
  const int e = errno;
  [[maybe_unused]] const ssize_t n = ::write(execReport, &e, sizeof e);
  ::_exit(127);
}

// Waits for the child within the request's time bound, collecting its output meanwhile; ends its
// group when the bound passes or the program is asked to stop. Returns the wait status; sets
// timedOut, cancelled or waitFailed where the child's own end was not seen.
int WaitBounded(pid_t pid, const ProcessRequest& req, Fd& outR, Fd& errR, ProcessResult& res) {
  ::fcntl(outR.get(), F_SETFL, O_NONBLOCK);
  ::fcntl(errR.get(), F_SETFL, O_NONBLOCK);
  const Fd pidFd(PidFdOpen(pid));
  const auto deadline = std::chrono::steady_clock::now() + req.timeout;
  bool outOpen = true, errOpen = true;
  int status = 0;
  for (;;) {
    const pid_t w = ::waitpid(pid, &status, WNOHANG);
    if (w == pid) break;
    if (w < 0 && errno != EINTR) {
      // Someone else collected the child (SIGCHLD ignored, a stray wait): how it ended is
      // unknown, which is no success.
      res.waitFailed = true;
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    const bool stop = StopRequested();
    if (now >= deadline || stop) {
      (stop ? res.cancelled : res.timedOut) = true;
      EndGroup(pid, status);
      break;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
    pollfd fds[4];
    nfds_t n = 0;
    if (outOpen) fds[n++] = {outR.get(), POLLIN, 0};
    if (errOpen) fds[n++] = {errR.get(), POLLIN, 0};
    if (StopFd() >= 0)
      fds[n++] = {StopFd(), POLLIN, 0};
    else
      left = std::min<long long>(left, 50);
    if (pidFd.get() >= 0)
      fds[n++] = {pidFd.get(), POLLIN, 0};
    else
      left = std::min<long long>(left, 20);  // no pidfd: look at the child every 20 ms
    const int pr = ::poll(fds, n, static_cast<int>(std::min<long long>(left, 1000)));
    if (pr < 0 && errno != EINTR) ::usleep(1000);
    if (outOpen) outOpen = Drain(outR.get(), res.out, req.maxOutput, res.truncated);
    if (errOpen) errOpen = Drain(errR.get(), res.err, req.maxOutput, res.truncated);
  }
  // What the child wrote before it ended (a daemon it left may keep the pipes open: no waiting).
  if (outOpen) Drain(outR.get(), res.out, req.maxOutput, res.truncated);
  if (errOpen) Drain(errR.get(), res.err, req.maxOutput, res.truncated);
  return status;
}

}  // namespace

ProcessResult RunProcess(const ProcessRequest& req) {
  ProcessResult res;
  if (req.argv.empty()) return res;
  if (StopRequested()) {
    res.cancelled = true;
    return res;
  }

  Fd inR, fd3R, outR, outW, errR, errW, execR, execW;
  if (req.useStdin && !MakeInputPipe(req.stdinData, inR)) return res;
  if (req.useFd3 && !MakeInputPipe(req.fd3Data, fd3R)) return res;
  if (!MakePipe(outR, outW) || !MakePipe(errR, errW) || !MakePipe(execR, execW)) return res;
  Fd devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));

  // Everything the child needs is prepared before fork: after it only async-signal-safe calls.
  std::vector<char*> argv;
  for (const auto& a : req.argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const bool searchPath = req.argv[0].find('/') == std::string::npos;

  const pid_t pid = ::fork();
  if (pid < 0) return res;
  if (pid == 0)
    RunChild(argv.data(), searchPath, req.useStdin ? inR.get() : devNull.get(), outW.get(), errW.get(),
             req.useFd3 ? fd3R.get() : -1, execW.get());
  ::setpgid(pid, pid);  // also from here, so that a kill of the group never misses it
  res.started = true;
  inR.reset();
  fd3R.reset();
  outW.reset();
  errW.reset();
  execW.reset();

  // exec failed? The report pipe closes on a successful exec without data.
  {
    int e = 0;
    ssize_t n;
    do n = ::read(execR.get(), &e, sizeof e);
    while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(sizeof e)) res.started = false;
  }

  const int status = WaitBounded(pid, req, outR, errR, res);
  res.exitCode = (res.timedOut || res.cancelled || res.waitFailed || !res.started) ? -1 : StatusToCode(status);
  return res;
}

}  // namespace tavrel::linux_platform
