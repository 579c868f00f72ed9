// Everything the behaviour reaches outside itself: the application's identity and the
// platform's services. The main program of each target fills one in; tests fill one with fakes.
#pragma once

#include "core/AppInfo.h"
#include "core/IClock.h"
#include "core/IConnectionState.h"
#include "core/IDesktop.h"
#include "core/IDownloader.h"
#include "core/IFileSystem.h"
#include "core/INetTables.h"
#include "core/IPhonebook.h"
#include "core/IProfile.h"
#include "core/IRegistry.h"
#include "core/ISockets.h"
#include "core/IWindowManager.h"
#include "core/IWindowStyle.h"

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
