// The start-up report: the program and its version, the monitor's start, the host's address
// and name, whether the machine is online through America Online alone, and the announcement
// of the address report that follows it.
#include "app/StartupReport.h"

#include "activity/modMain.h"
#include "monitor/modConnection.h"
#include "netinfo/modIPHost.h"
#include "settings/modSettings.h"

namespace tavrel::modMain {

namespace {

constexpr const char* kCrLf = "\r\n";

// Starts a report line: a fresh stamp and a space. The stamp is taken before the line's text
// is worked out, so a slow lookup shows when it began.
void Stamp(Env& env, std::string& r) {
  r += TimeStamp(env.clock);
  r += ' ';
}

}  // namespace

std::string StartupReport(Env& env) {
  const std::string& app = env.app.title;
  if (!modSettings::GetSetting(env, app, "Temp", "1", "").empty()) return {};

  std::string r = app + " " + env.app.VersionText() + kCrLf;
  Stamp(env, r);
  r += "Monitor started";
  r += kCrLf;
  Stamp(env, r);
  r += "Resolving " + modIPHost::GetIPAddress(env) + kCrLf;
  Stamp(env, r);
  r += "HELLO " + modIPHost::GetIPHostName(env) + kCrLf;
  Stamp(env, r);
  r += modConnection::IsAolConnection(env.connection) ? std::string("Connected to America Online")
                                                      : "Connected to: " + modIPHost::GetIPHostName(env);
  r += kCrLf;
  // No line end: the address report appended next starts with its own.
  Stamp(env, r);
  r += "Detecting additional IP's";

  modSettings::SaveSetting(env, app, "Temp", "1", "GD");
  return r;
}

}  // namespace tavrel::modMain
