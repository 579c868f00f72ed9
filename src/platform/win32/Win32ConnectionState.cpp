#include "platform/win32/Win32ConnectionState.h"

#include "platform/win32/Win32Api.h"

#include <sensapi.h>
#include <wininet.h>

namespace tavrel {

int Win32ConnectionState::InternetGetConnectedState(std::uint32_t& flags) {
  DWORD f = 0;
  const BOOL online = ::InternetGetConnectedState(&f, 0);
  flags = f;
  return online;
}

int Win32ConnectionState::IsNetworkAlive(std::uint32_t& flags) {
  DWORD f = 0;
  const BOOL alive = ::IsNetworkAlive(&f);
  flags = f;
  return alive;
}

}  // namespace tavrel
