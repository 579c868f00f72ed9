// Tab, Escape and Enter in the program's modeless windows, as in a dialog box: the main loop asks
// IsNavigationMessage before it dispatches.
#pragma once

#include "platform/win32/Win32Api.h"

namespace tavrel::win32 {

void UseKeyboardNavigation(HWND window, bool use);
// True when the message was a navigation key of such a window and has been handled.
bool IsNavigationMessage(MSG& msg);

}  // namespace tavrel::win32
