// Runs a helper program to completion: fork and exec with an argument vector (no shell), input
// through pipes, output captured up to a bound, and the whole process group ended when it
// outlives its time bound or when the program is asked to stop (StopRequest.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace tavrel::linux_platform {

struct ProcessRequest {
  std::vector<std::string> argv;  // argv[0] is the program: a path, or a name looked up in PATH
  // Written into a pipe that becomes the child's standard input (empty: /dev/null). The data is
  // in the pipe before the child starts, so it never depends on the child reading it.
  std::string stdinData;
  bool useStdin = false;
  // When set, a second pipe holding this data is the child's descriptor 3 (/dev/fd/3).
  std::string fd3Data;
  bool useFd3 = false;
  std::chrono::milliseconds timeout{10000};
  std::size_t maxOutput = 256 * 1024;  // bytes kept of each of stdout and stderr
};

struct ProcessResult {
  bool started = false;     // false: the pipes or the fork failed, or the program was not found
  bool timedOut = false;    // ended after the time bound
  bool cancelled = false;   // ended, or never started, because the program is stopping
  bool waitFailed = false;  // its end could not be observed (waitpid failed): no exit status
  int exitCode = -1;        // the exit status, or 128 + signal number; -1 when none is known
  std::string out;          // standard output (at most maxOutput bytes)
  std::string err;          // standard error (at most maxOutput bytes)
  bool truncated = false;   // some output was dropped
};

// Waits for the child itself, not for the end of its output: a program that leaves a daemon
// behind holding the pipes (pppd updetach) does not make the call wait for the daemon.
ProcessResult RunProcess(const ProcessRequest& req);

// The largest input a request may carry in stdinData or fd3Data (it has to fit the pipe).
inline constexpr std::size_t kMaxProcessInput = 4096;

}  // namespace tavrel::linux_platform
