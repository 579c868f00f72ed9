// The login manager's view of the desktop session (systemd-logind on the system bus).
#pragma once

#include <chrono>

namespace tavrel::linux_platform {

// True when the login manager is closing the session this process belongs to: the user logs
// out, or the machine shuts down (logind then stops every session). A session that ends sends
// its processes SIGTERM, as any other program may; only this answer tells the two apart. False
// when there is no login manager, the process is in no session of it, or no answer comes within
// the bound (the question then runs on in the background and its answer is dropped).
bool SessionClosing(std::chrono::milliseconds bound = std::chrono::milliseconds(1000));

}  // namespace tavrel::linux_platform
