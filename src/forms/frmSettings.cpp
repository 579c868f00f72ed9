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

frmSettings::frmSettings(Env& env, ISettingsView& view, ITimer& tmrConnect,
                         WindowHandle mainWindow)
    : env_(env), view_(view), timer_(tmrConnect), main_(mainWindow) {}

std::string frmSettings::Get(const char* key, const char* defaultValue) {
  return modSettings::GetSetting(env_, env_.app.title, settingswin::kSection, key, defaultValue);
}

bool frmSettings::Save(const char* key, const std::string& value) {
  return modSettings::SaveSetting(env_, env_.app.title, settingswin::kSection, key, value);
}

void frmSettings::SayNotSaved() {
  const std::string why = modSettings::WriteFailure(env_);
  env_.desktop.MsgBox(std::string(settingswin::kNotSavedText) + "\r\n" +
                          (why.empty() ? modSettings::IniFilePath(env_) : why),
                      mb::kExclamation, env_.app.title);
}

modRAS::EntryControls frmSettings::Controls() {
  return {view_.List1(), view_.Text1(), view_.Text2()};
}

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

void frmSettings::chkAutoReconnect_Click() {
  if (!Save("AutoRecon", view_.AutoReconnectTicked() ? "1" : "0")) SayNotSaved();
}

void frmSettings::chkWindows_Click() {
  if (view_.WindowsTicked()) {
    const bool saved = Save("LoadWindows", "1");
    if (!modReg::SetRegistryValue(env_, HKEY_LOCAL_MACHINE_, kRunKey, env_.app.title,
                                  modReg::ProgramCommand(env_))) {
      // No entry starts the program: the box must not claim one does.
      const std::string why = env_.registry.LastFailure();
      env_.desktop.MsgBox(env_.app.title + settingswin::kNoAutostartText + "\r\n" +
                              (why.empty() ? "the start list cannot be written" : why),
                          mb::kExclamation, env_.app.title);
      view_.SetWindowsTicked(false);
      chkWindows_Click();
      return;
    }
    if (!saved) SayNotSaved();
  } else {
    if (!Save("LoadWindows", "0")) SayNotSaved();
    modReg::DeleteRegistryValue(env_, HKEY_LOCAL_MACHINE_, kRunKey, env_.app.title);
  }
}

void frmSettings::lblContents_Click() {
  // The selected entry; empty text when nothing is selected (a phonebook without entries).
  bool saved = Save("ConID", view_.List1().Text());
  saved = Save("UName", view_.Text1().Text()) && saved;
  saved = Save("PWord", view_.Text2().Text()) && saved;
  if (!saved) return SayNotSaved();
  env_.desktop.MsgBox(settingswin::kSavedText, mb::kInformation, env_.app.title);
}

void frmSettings::Label3_Click() {
  // Not checked: the monitor converts the count when it reads it.
  if (!Save("Retry", view_.RetryText())) SayNotSaved();
  view_.Unload();
}

void frmSettings::lblViewLogs_Click() {
  const std::string folder = env_.app.InFolder(settingswin::kLogsFolder);
  if (!env_.desktop.LaunchProgram(folder)) {
    // The desktop could not even be asked (no file manager launcher): say so, and close as
    // usual. The monitor carries on either way.
    env_.desktop.MsgBox(std::string(settingswin::kLogsNotOpened) + "\r\n" + folder,
                        mb::kExclamation, env_.app.title);
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

void frmSettings::Image1_MouseMove(int, int, long, long) {
  view_.SetShape3Top(settingswin::SettingsPlace("lblViewLogs").top);
  view_.SetShape3Colour(settingswin::kWhite);
  view_.SetShape1Colour(settingswin::kGrey);
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
