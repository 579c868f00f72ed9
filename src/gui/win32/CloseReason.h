// Which close request a window message is, in the main window's terms (unload::k...).
#pragma once

#include "platform/win32/Win32Api.h"

#include <optional>

namespace tavrel::win32 {

// - WM_QUERYENDSESSION: the session is ending (shut-down, restart, log-off): kAppWindows (2),
//   which registers one more start at the next logon. When the Restart Manager only asks the
//   program to make way (ENDSESSION_CLOSEAPP), the session goes on: kAppTaskManager (3).
// - WM_SYSCOMMAND SC_CLOSE: the user closed the window from its window menu, Alt+F4 or the
//   taskbar: kControlMenu (0).
// - WM_CLOSE: another program asked the window to close (Task Manager, taskkill): kAppTaskManager
//   (3). The window's own SC_CLOSE is handled before it would turn into a WM_CLOSE.
// Nothing for any other message.
std::optional<int> CloseReasonFor(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tavrel::win32
