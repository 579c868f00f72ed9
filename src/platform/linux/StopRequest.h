// Ending the program promptly. Once a stop is requested (a signal, the end of the session), every
// blocking call of the Linux platform gives up at once: a dial ends its dialler's process group,
// a transfer is cancelled, a host lookup is abandoned.
#pragma once

namespace tavrel::linux_platform {

// Async-signal-safe: meant to be called from a signal handler.
void RequestStop() noexcept;
bool StopRequested() noexcept;
// A descriptor that becomes readable once a stop is requested, so that a poll() wakes at once.
// -1 when it could not be made (the flag still works; waits then look at it between slices).
int StopFd() noexcept;
// Forgets a request. For tests, which cancel several operations one after another.
void ClearStopRequest() noexcept;

}  // namespace tavrel::linux_platform
