#include "forms/frmMain.h"

#include "activity/modMain.h"
#include "app/StartupReport.h"
#include "core/Convert.h"
#include "monitor/MonitorCycle.h"
#include "netinfo/modConnections.h"
#include "netinfo/modGetAll.h"
#include "settings/modReg.h"
#include "settings/modSettings.h"
#include "ui/modFormMove.h"
#include "ui/modOnTop.h"

namespace tavrel {

frmMain::frmMain(Env& env, IMainView& view, ITimer& tmrConnect)
    : env_(env), view_(view), timer_(tmrConnect), border_(env.style, env.wm) {}

void frmMain::Form_Load() {
  // A window without a caption bar that still has a taskbar button.
  border_.Client(FormKind::kOrdinary, view_.Handle());
  border_.ShowInTaskbar(true);
  border_.Titlebar(false);
  txtConnection.Replace(modMain::StartupReport(env_));
  env_.desktop.DoEvents();
  modConnections::SetupConnectionList(env_, ListView1);
  modMain::AppendActivity(env_, txtConnection, " " + modGetAll::GetAllAddresses(env_));
  view_.SetListVisible(false);
  view_.SetActivityVisible(true);
  EnsureLogFolder(env_.app.InFolder("logs"));
  EnsureLogFolder(env_.app.InFolder(std::string("logs") + kPathSep + "traffic"));
  env_.desktop.DoEvents();
  ReportSettingsFailure();  // the start-up report's marker was the first write
  logs_.Write(env_, txtConnection, ListView1);
  modOnTop::SetTopMost(env_, view_.Handle());
  const std::string& app = env_.app.title;
  modSettings::SaveSetting(env_, app, "Settings", "valA", "0");
  ReconnectFailures = convert::ToInt16(modSettings::GetSetting(env_, app, "Settings", "valA", "0")).value_or(0);
  ReportSettingsFailure();
}

// Settings that cannot be stored (another user's file, a full disk, a file that cannot be
// replaced) are lost: the activity view says so once, and again only after writes worked again.
void frmMain::ReportSettingsFailure() {
  const std::string failure = modSettings::WriteFailure(env_);
  if (failure == settingsFailure_) return;
  settingsFailure_ = failure;
  if (!failure.empty()) modMain::AppendActivity(env_, txtConnection, " Cannot write the settings file " + failure);
}

// A log folder that cannot be made (a file of that name in the way, no right to write) does not
// stop the program: the activity view says so once, and the monitor goes on without that log.
void frmMain::EnsureLogFolder(const std::string& path) {
  std::string p = path;
  if (modMain::FolderExists(env_, p)) return;
  if (env_.fs.CreateFolder(p)) return;
  const char* why = env_.fs.IsOrdinaryFile(p) ? " (a file of that name is in the way)" : "";
  modMain::AppendActivity(env_, txtConnection, " Cannot create the log folder " + p + why);
}

void frmMain::Form_Activate() {
  const modMain::Rect r = modMain::CenterForm(view_.ScreenWidth(), view_.ScreenHeight(), view_.Bounds());
  view_.MoveTo(r.left, r.top);
}

void frmMain::Form_QueryUnload(int unloadMode) {
  timer_.SetEnabled(false);
  modOnTop::ClearTopMost(env_, view_.Handle());
  if (unloadMode == unload::kAppWindows) {
    modReg::SetRegistryValue(env_, HKEY_LOCAL_MACHINE_, kRunOnceKey, env_.app.title, modReg::ProgramCommand(env_));
  }
  Form_Unload();
}

void frmMain::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  modSettings::SaveSetting(env_, env_.app.title, "Temp", "1", "");
  view_.UnloadOtherWindows();
  view_.EndProcess();
}

void frmMain::Form_GotFocus() { modOnTop::SetTopMost(env_, view_.Handle()); }

void frmMain::Form_Resize() {
  if (view_.Minimized()) return;
  view_.SetViewsSize(view_.InnerWidth(), view_.InnerHeight() - kViewsTopMargin);
}

void frmMain::Image1_MouseDown(int, int, long, long) {
  // Any mouse button on the banner moves the window.
  modFormMove::DragForm(env_, view_.Handle(), txtConnection);
}

void frmMain::imgToggle_Click() {
  if (!view_.ListVisible()) {
    view_.SetActivityVisible(false);
    view_.SetListVisible(true);
  } else {
    view_.SetActivityVisible(true);
    view_.SetListVisible(false);
  }
}

void frmMain::imgSettings_Click() {
  timer_.SetEnabled(false);
  modOnTop::ClearTopMost(env_, view_.Handle());
  view_.ShowSettings();
}

void frmMain::imgInfo_Click() {
  timer_.SetEnabled(false);
  modOnTop::ClearTopMost(env_, view_.Handle());
  view_.ShowMenu(kMenuLeft, kMenuTop + view_.MenuOffset());
}

void frmMain::imgMinimize_Click() {
  modOnTop::ClearTopMost(env_, view_.Handle());
  view_.Minimize();
}

void frmMain::imgExit_Click() { view_.RequestClose(unload::kCode); }

void frmMain::ListView1_ColumnClick(int columnIndex) {
  if (columnIndex >= 1) ListView1.ColumnClick(static_cast<std::size_t>(columnIndex - 1));
}

void frmMain::txtConnection_MouseDown(int, int, long, long) { view_.UnloadMenu(); }
void frmMain::ListView1_MouseDown(int, int, long, long) { view_.UnloadMenu(); }

// A tick that falls due inside another operation (an update check or download) waits for its end;
// it is dropped when the monitor was stopped or the window unloaded meanwhile.
void frmMain::tmrConnect_Timer() {
  if (operations_.Running()) {
    operations_.Hold([this] {
      if (timer_.Enabled() && !unloaded_) RunCycle();
    });
    return;
  }
  RunCycle();
}

void frmMain::RunCycle() {
  ReportSettingsFailure();  // a failure since the last tick (the settings window's) is logged now
  MonitorParts parts{txtConnection, ListView1, timer_, view_.Handle(), ReconnectFailures, logs_, inTick_};
  RunMonitorCycle(env_, parts);
  ReportSettingsFailure();
}

}  // namespace tavrel
