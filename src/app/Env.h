// Everything the behaviour reaches outside itself: the application's identity and the
// platform's services. The main program of each target fills one in; tests fill one with fakes.
#pragma once

#include "app/AppInfo.h"
#include "app/IClock.h"
#include "app/IDesktop.h"
#include "app/IFileSystem.h"
#include "monitor/IConnectionState.h"
#include "monitor/IPhonebook.h"
#include "netinfo/INetTables.h"
#include "netinfo/ISockets.h"
#include "settings/IProfile.h"
#include "settings/IRegistry.h"
#include "ui/IWindowManager.h"
#include "ui/IWindowStyle.h"
#include "update/IDownloader.h"

namespace tavrel {

struct Env {
  AppInfo app;
  IDesktop& desktop;
  IClock& clock;
  IFileSystem& fs;
  IProfile& profile;
  IRegistry& registry;
  IConnectionState& connection;
  IPhonebook& phonebook;
  ITcpTable& tcp;
  IAddressTable& addresses;
  ISockets& sockets;
  IDownloader& downloader;
  IWindowManager& wm;
  IWindowStyle& style;
};

}  // namespace tavrel
