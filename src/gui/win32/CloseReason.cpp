#include "gui/win32/CloseReason.h"

#include "forms/frmMain.h"

namespace tavrel::win32 {

std::optional<int> CloseReasonFor(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      return (static_cast<DWORD>(lParam) & ENDSESSION_CLOSEAPP) ? unload::kAppTaskManager : unload::kAppWindows;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) return unload::kControlMenu;
      return std::nullopt;
    case WM_CLOSE: return unload::kAppTaskManager;
    default: return std::nullopt;
  }
}

}  // namespace tavrel::win32
