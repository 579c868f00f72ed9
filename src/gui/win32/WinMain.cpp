// Tavrel on Windows.
#include "platform/win32/Win32Api.h"
#include <objbase.h>

#include "gui/win32/App.h"
#include "gui/win32/MainHost.h"
#include "platform/win32/Win32AppInfo.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The shell's handlers for documents and pages may use COM on this thread.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  tavrel::win32::Win32Platform platform(tavrel::Win32AppInfo());
  tavrel::win32::MainHost main(platform.env, platform.desktop, instance);
  if (!main.hwnd()) return 1;
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
