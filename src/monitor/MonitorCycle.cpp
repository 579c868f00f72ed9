#include "monitor/MonitorCycle.h"

#include <limits>
#include <optional>
#include <string>

#include "activity/modMain.h"
#include "core/Convert.h"
#include "core/IDesktop.h"
#include "monitor/modConnection.h"
#include "monitor/modRAS.h"
#include "netinfo/modConnections.h"
#include "settings/modSettings.h"
#include "ui/modOnTop.h"

namespace tavrel {

namespace {

constexpr std::int16_t kDefaultRetry = 5;
constexpr std::int16_t kCountLimit = std::numeric_limits<std::int16_t>::max();

class TickGuard {
 public:
  explicit TickGuard(bool& inTick) : inTick_(inTick), entered_(!inTick) {
    if (entered_) inTick_ = true;
  }
  ~TickGuard() {
    if (entered_) inTick_ = false;
  }
  TickGuard(const TickGuard&) = delete;
  TickGuard& operator=(const TickGuard&) = delete;
  bool Entered() const { return entered_; }

 private:
  bool& inTick_;
  bool entered_;
};

struct MonitorSettings {
  std::string autoReconText;
  std::string retryText;
  std::string conId;
  std::string userName;
  std::string password;
};

MonitorSettings ReadSettings(Env& env) {
  const std::string& app = env.app.title;
  MonitorSettings s;
  s.autoReconText = modSettings::GetSetting(env, app, "Settings", "AutoRecon", "1");
  s.retryText = modSettings::GetSetting(env, app, "Settings", "Retry", "5");
  s.conId = modSettings::GetSetting(env, app, "Settings", "ConID", "");
  s.userName = modSettings::GetSetting(env, app, "Settings", "UName", "");
  s.password = modSettings::GetSetting(env, app, "Settings", "PWord", "");
  return s;
}

void StopForLackOfAccount(Env& env, MonitorParts& parts) {
  const std::string& app = env.app.title;
  modOnTop::ClearTopMost(env, parts.mainWindow);
  parts.timer.SetEnabled(false);
  env.desktop.MsgBox(app +
                         " has been disabled as no account has been specified.\r\n\r\n"
                         "Please specify an account in the settings and re-start " +
                         app,
                     mb::kInformation, app + " Monitor Disabled");
  modSettings::SaveSetting(env, app, "Temp", "1", "GD");
  modOnTop::SetTopMost(env, parts.mainWindow);
}

// Dials the entry; a dial that outlived its bound and was abandoned says so in the activity view
// (what follows it is decided by the state, as for any dial).
void Redial(Env& env, MonitorParts& parts, const MonitorSettings& s) {
  if (modRAS::DialEntryResult(env, s.conId, s.userName, s.password) == kRasErrorTimeout) {
    modMain::AppendActivity(env, parts.activity,
                            " Dialling " + s.conId + " was abandoned: no answer within the time limit");
  }
}

void Tail(Env& env, MonitorParts& parts) {
  parts.timer.SetEnabled(false);
  modOnTop::ClearTopMost(env, parts.mainWindow);
  env.desktop.DoEvents();
  parts.logs.Write(env, parts.activity, parts.list);
  env.desktop.DoEvents();
  modOnTop::SetTopMost(env, parts.mainWindow);
  parts.timer.SetEnabled(true);
}

// The automatic path of a lost tick. Returns false when the monitor gave up (no tail).
bool RedialAutomatically(Env& env, MonitorParts& parts, const MonitorSettings& s) {
  std::int16_t& count = parts.reconnectFailures;
  std::optional<std::int16_t> retry = convert::ToInt16(s.retryText);
  if (!retry) {
    modMain::AppendActivity(env, parts.activity,
                            " Retry setting \"" + s.retryText +
                                "\" is not a whole number from -32768 to 32767; using " +
                                std::to_string(kDefaultRetry));
    retry = kDefaultRetry;
  }

  if (count == *retry || count == kCountLimit) {
    modMain::AppendActivity(env, parts.activity,
                            " " + std::to_string(count) + " Unsuccessful re-connection attempts \r\n" +
                                modMain::TimeStamp(env.clock) + " Monitor Disabled");
    parts.timer.SetEnabled(false);
    return false;
  }
  if (*retry < 0 || count > *retry) {
    modMain::AppendActivity(env, parts.activity,
                            " Retry " + std::to_string(*retry) + " cannot be reached from " + std::to_string(count) +
                                " failed attempts: re-connecting without a limit (up to " +
                                std::to_string(kCountLimit) + " attempts)");
  }

  Redial(env, parts, s);
  const std::string after = modConnection::ConnectionStateText(env.connection);
  if (IsOfflineState(after)) {
    modMain::AppendActivity(env, parts.activity, " Error connecting to: " + s.conId);
    ++count;  // below kCountLimit here, so it never wraps
  } else {
    modMain::AppendActivity(env, parts.activity, " Re-connection successful ");
  }
  return true;
}

// The asking path of a lost tick. Returns false when the user said No (no tail).
bool RedialAfterAsking(Env& env, MonitorParts& parts, const MonitorSettings& s) {
  modOnTop::ClearTopMost(env, parts.mainWindow);
  parts.timer.SetEnabled(false);
  const int answer = env.desktop.MsgBox("The connection has been lost. Would you like to re-connect?",
                                        mb::kYesNoQuestion, env.app.title);
  if (answer != mb::kYes) return false;
  Redial(env, parts, s);
  parts.timer.SetEnabled(true);
  modOnTop::SetTopMost(env, parts.mainWindow);
  // Written whatever the dial's outcome: the next tick finds out.
  modMain::AppendActivity(env, parts.activity, " Re-connection successful ");
  return true;
}

// Returns false when the tick ends without the tail.
bool ConnectionLost(Env& env, MonitorParts& parts, const MonitorSettings& s) {
  modMain::AppendActivity(env, parts.activity, " Connection lost");
  modMain::AppendActivity(env, parts.activity, " Attempting Reconnection to: " + s.conId);
  modMain::AppendActivity(env, parts.activity, " Querying Authorisation for: " + s.userName);

  const std::optional<double> autoRecon = convert::ToDouble(s.autoReconText);
  if (autoRecon && *autoRecon == 1.0) return RedialAutomatically(env, parts, s);
  if (!autoRecon) {
    modMain::AppendActivity(
        env, parts.activity,
        " AutoRecon setting \"" + s.autoReconText + "\" is not a number; asking before re-connecting");
  }
  return RedialAfterAsking(env, parts, s);
}

}  // namespace

bool IsOfflineState(std::string_view state) {
  return state == modConnection::NotConnectedText || state == modConnection::OfflineText;
}

void RunMonitorCycle(Env& env, MonitorParts& parts) {
  const TickGuard guard(parts.inTick);
  if (!guard.Entered()) return;

  const std::string state = modConnection::ConnectionStateText(env.connection);
  const MonitorSettings s = ReadSettings(env);
  const bool offline = IsOfflineState(state);

  if (s.conId.empty() && offline) {
    StopForLackOfAccount(env, parts);
    return;
  }

  if (state == modConnection::NotConnectedText) {
    if (!ConnectionLost(env, parts, s)) return;
  } else if (state == modConnection::OfflineText) {
    modMain::AppendActivity(env, parts.activity, " Connection offline");
  } else {
    modConnections::RefreshConnectionList(env, parts.list);
  }
  Tail(env, parts);
}

}  // namespace tavrel
