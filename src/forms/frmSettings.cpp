#include "forms/frmSettings.h"

#include "core/Convert.h"
#include "settings/modReg.h"
#include "settings/modSettings.h"
#include "ui/modOnTop.h"

namespace tavrel {

namespace {
// A switch is on when its text, taken as a number, equals 1 (" 1", "01" and "1.0" count).
bool IsOn(const std::string& text) {
  const auto v = convert::ToDouble(text);
  return v && *v == 1.0;
}
}  // namespace

frmSettings::frmSettings(Env& env, ISettingsView& view, ITimer& tmrConnect, WindowHandle mainWindow)
    : env_(env), view_(view), timer_(tmrConnect), main_(mainWindow) {}

std::string frmSettings::Get(const char* key, const char* defaultValue) {
  return modSettings::GetSetting(env_, env_.app.title, settingswin::kSection, key, defaultValue);
}

// A write that fails is not reported here (the store's failure reaches the activity view once,
// through the main window): the window's steps stay the same either way.
void frmSettings::Save(const char* key, const std::string& value) {
  modSettings::SaveSetting(env_, env_.app.title, settingswin::kSection, key, value);
}

modRAS::EntryControls frmSettings::Controls() { return {view_.List1(), view_.Text1(), view_.Text2()}; }

void frmSettings::Form_Load() {
  modOnTop::ClearTopMost(env_, main_);
  view_.SetPasswordChar(settingswin::kPasswordChar);

  // The list always starts at the phonebook's first entry with the account the phonebook keeps
  // for it; the stored ConID, UName and PWord are not shown.
  modRAS::EntryControls controls = Controls();
  modRAS::ListPhonebookEntries(env_, controls);

  // Ticking a box from here runs its click handling, as a click would: LoadWindows is written
  // again and the start-at-logon entry is rewritten with the program's current path, so a moved
  // program is registered afresh the next time this window opens.
  if (IsOn(Get("LoadWindows", settingswin::kDefaultLoadWindows)) && !view_.WindowsTicked()) {
    view_.SetWindowsTicked(true);
    chkWindows_Click();
  }
  // This window's default is "0" while the monitor's is "1": on a first run the box shows
  // unticked until the user decides.
  if (IsOn(Get("AutoRecon", settingswin::kDefaultAutoRecon)) && !view_.AutoReconnectTicked()) {
    view_.SetAutoReconnectTicked(true);
    chkAutoReconnect_Click();
  }
  view_.SetRetryText(Get("Retry", settingswin::kDefaultRetry));

  modOnTop::SetTopMost(env_, view_.Handle());
}

void frmSettings::List1_Click() {
  modRAS::EntryControls controls = Controls();
  modRAS::LoadEntryCredentials(env_, controls);
}

void frmSettings::chkAutoReconnect_Click() { Save("AutoRecon", view_.AutoReconnectTicked() ? "1" : "0"); }

void frmSettings::chkWindows_Click() {
  if (view_.WindowsTicked()) {
    Save("LoadWindows", "1");
    // Its result is not used: an entry that cannot be written leaves the box ticked, as the
    // stored switch says.
    modReg::SetRegistryValue(env_, HKEY_LOCAL_MACHINE_, kRunKey, env_.app.title, modReg::ProgramCommand(env_));
  } else {
    Save("LoadWindows", "0");
    modReg::DeleteRegistryValue(env_, HKEY_LOCAL_MACHINE_, kRunKey, env_.app.title);
  }
}

void frmSettings::lblContents_Click() {
  // The selected entry; empty text when nothing is selected (a phonebook without entries).
  Save("ConID", view_.List1().Text());
  Save("UName", view_.Text1().Text());
  Save("PWord", view_.Text2().Text());
  env_.desktop.MsgBox(settingswin::kSavedText, mb::kInformation, env_.app.title);
}

void frmSettings::Label3_Click() {
  // Not checked: the monitor converts the count when it reads it.
  Save("Retry", view_.RetryText());
  view_.Unload();
}

void frmSettings::lblViewLogs_Click() {
  const std::string folder = env_.app.InFolder(settingswin::kLogsFolder);
  if (!env_.desktop.LaunchProgram(folder)) {
    // The desktop could not even be asked (no file manager launcher): say so, and close as
    // usual. The monitor carries on either way.
    env_.desktop.MsgBox(std::string(settingswin::kLogsNotOpened) + "\r\n" + folder, mb::kExclamation, env_.app.title);
  }
  view_.Unload();
}

void frmSettings::Image1_Click() { lblViewLogs_Click(); }

void frmSettings::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  modOnTop::ClearTopMost(env_, view_.Handle());
  modOnTop::SetTopMost(env_, main_);
  timer_.SetEnabled(!Get("ConID", "").empty());
}

void frmSettings::lblViewLogs_MouseMove(int, int, long, long) {
  view_.SetShape3Top(settingswin::SettingsPlace("lblViewLogs").top);
  view_.SetShape3Colour(settingswin::kWhite);
  view_.SetShape1Colour(settingswin::kGrey);
}

// The picture beside "View logs" lights the same bar as the link.
void frmSettings::Image1_MouseMove(int button, int shift, long x, long y) {
  lblViewLogs_MouseMove(button, shift, x, y);
}

void frmSettings::lblContents_MouseMove(int, int, long, long) {
  view_.SetShape3Colour(settingswin::kGrey);
  view_.SetShape1Top(settingswin::SettingsPlace("lblContents").top);
  view_.SetShape1Colour(settingswin::kWhite);
}

void frmSettings::Label3_MouseMove(int, int, long, long) {
  view_.SetShape3Colour(settingswin::kGrey);
  view_.SetShape1Top(settingswin::SettingsPlace("Label3").top);
  view_.SetShape1Colour(settingswin::kWhite);
}

void frmSettings::Frame1_MouseMove(int, int, long, long) {
  view_.SetShape3Colour(settingswin::kGrey);
  view_.SetShape1Colour(settingswin::kGrey);
}

}  // namespace tavrel
