// Documents, pages, folders and programs opened through the shell (ShellExecuteA with the verb
// "open" and SW_SHOWNORMAL): the desktop picks the program associated with the target.
#pragma once

#include <string>

#include "core/IWindowManager.h"

namespace tavrel::win32shell {

// Opens a file, folder, program or URL; owner is the window that asks (0: none). True when the
// shell accepted the request; what the started program does is its own affair.
bool Open(const std::string& target, WindowHandle owner = 0);

}  // namespace tavrel::win32shell
