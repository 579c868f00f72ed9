// The Windows composition root: the Win32 platform, the Win32 window services, the main window.
#pragma once

#include "core/Env.h"
#include "gui/win32/Win32Desktop.h"
#include "gui/win32/Win32Windows.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32ConnectionState.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32NetTables.h"
#include "platform/win32/Win32Phonebook.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Sockets.h"
#include "platform/win32/WinInetDownloader.h"

namespace tavrel::win32 {

struct Win32Platform {
  explicit Win32Platform(AppInfo app)
      : desktop(app.title), env{std::move(app), desktop, clock,     fs,      profile,    registry, connection,
                                phonebook,      tcp,     addresses, sockets, downloader, wm,       style} {}
  Win32FileSystem fs;
  Win32Clock clock;
  Win32Desktop desktop;
  Win32Profile profile;
  Win32Registry registry;
  Win32ConnectionState connection;
  Win32Phonebook phonebook;
  Win32TcpTable tcp;
  Win32AddressTable addresses;
  Win32Sockets sockets;
  WinInetDownloader downloader;
  Win32WindowManager wm;
  Win32WindowStyle style;
  Env env;
};

}  // namespace tavrel::win32
