#include "platform/win32/Win32Errors.h"

#include "platform/win32/Win32Api.h"

namespace tavrel::win32errors {

std::string Text(unsigned long error) {
  char buf[512] = {};
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buf,
                             sizeof buf, nullptr);
  std::string text(buf, n);
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
  return text.empty() ? "error " + std::to_string(error) : text;
}

std::string Last() { return Text(::GetLastError()); }

}  // namespace tavrel::win32errors
