// Tavrel on Windows.
#include "platform/win32/Win32Api.h"

#include <objbase.h>

#include "gui/win32/App.h"
#include "gui/win32/Keyboard.h"
#include "gui/win32/MainWindow.h"
#include "platform/win32/Win32AppInfo.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The shell's handlers for documents and pages may use COM on this thread.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  tavrel::win32::Win32Platform platform(tavrel::Win32AppInfo());
  // The window and its timer exist before anything of the load runs (it lets messages run).
  tavrel::win32::MainWindow main(platform.env);
  if (!main.hwnd()) return 1;
  platform.desktop.SetOwner(main.hwnd());  // message boxes and shell requests
  main.Load();
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (tavrel::win32::IsNavigationMessage(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
