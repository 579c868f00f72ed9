#include "platform/win32/Win32Shell.h"

#include "platform/win32/Win32Api.h"

#include <objbase.h>
#include <shellapi.h>

namespace tavrel::win32shell {

bool Open(const std::string& target, WindowHandle owner) {
  if (target.find_first_not_of(' ') == std::string::npos) return false;
  // Shell extensions that handle the target may need COM on the calling thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const HINSTANCE r =
      ::ShellExecuteA(reinterpret_cast<HWND>(owner), "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (SUCCEEDED(com)) ::CoUninitialize();
  return reinterpret_cast<INT_PTR>(r) > 32;
}

}  // namespace tavrel::win32shell
