#include "gui/win32/Keyboard.h"

#include <algorithm>
#include <vector>

namespace tavrel::win32 {

namespace {
std::vector<HWND>& Windows() {
  static std::vector<HWND> windows;
  return windows;
}
}  // namespace

void UseKeyboardNavigation(HWND window, bool use) {
  auto& w = Windows();
  w.erase(std::remove(w.begin(), w.end(), window), w.end());
  if (use && window) w.push_back(window);
}

bool IsNavigationMessage(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  const HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  for (HWND w : Windows())
    if (w == root) return ::IsDialogMessageA(w, &msg) != FALSE;
  return false;
}

}  // namespace tavrel::win32
