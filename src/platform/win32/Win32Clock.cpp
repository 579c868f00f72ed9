#include "platform/win32/Win32Clock.h"

#include "platform/win32/Win32Api.h"

namespace tavrel {

LocalTime Win32Clock::Now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace tavrel
