// The settings window's behaviour: the phonebook entry and account to redial with, the retry
// count, the two switches (reconnect without asking, start at logon) and the way to the log
// folder. Every value goes straight to the settings file as its control is used; closing the
// window gives the main window back its place in the topmost band and restarts the monitor when
// an entry is configured. The view draws; every decision is taken here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Env.h"
#include "core/ITimer.h"
#include "monitor/modRAS.h"

namespace tavrel {

namespace settingswin {
inline constexpr const char* kCaption = "Settings";
inline constexpr const char* kSection = "Settings";
inline constexpr const char* kPasswordChar = "*";
inline constexpr const char* kSavedText = "Settings saved";
inline constexpr const char* kLogsFolder = "logs";
// Shown when the desktop could not be asked to show the log folder; the folder's path follows.
inline constexpr const char* kLogsNotOpened = "The log folder could not be opened:";
// Defaults of the keys as this window reads them.
inline constexpr const char* kDefaultLoadWindows = "0";
inline constexpr const char* kDefaultAutoRecon = "0";  // the monitor reads "1"; see Form_Load
inline constexpr const char* kDefaultRetry = "5";

// Colours as the window's shapes take them: 0x00BBGGRR.
inline constexpr std::uint32_t kGrey = 0x00E0E0E0;   // option boxes, frame, idle bars
inline constexpr std::uint32_t kWhite = 0x00FFFFFF;  // the bar under the mouse

// Inner size of the window, in twips (420 x 236 pixels at 96 DPI).
inline constexpr long kInnerWidth = 6300;
inline constexpr long kInnerHeight = 3540;

// Every control's place in twips. Controls inside Frame1 are placed relative to the frame.
struct SettingsControlPlace {
  const char* name;
  long left, top, width, height;
  const char* caption;  // empty: none
  const char* tooltip;  // empty: none
};
inline constexpr SettingsControlPlace kSettingsLayout[] = {
    // The link panel on the left (a grey decoration shape) with its two groups.
    {"Shape2", 0, 0, 1500, 3540, "", ""},
    {"Label4", 120, 150, 1260, 240, "Logs:", ""},
    {"Shape3", 60, 420, 1380, 270, "", ""},
    {"Image1", 120, 435, 240, 240, "", ""},
    {"lblViewLogs", 420, 420, 1020, 270, "View Logs", "View Tavrel Log files"},
    {"Line1", 120, 900, 1260, 15, "", ""},
    {"Shape1", 60, 1080, 1380, 270, "", ""},
    {"lblContents", 420, 1080, 1020, 270, "Save", "Save"},
    {"Label3", 420, 1410, 1020, 270, "Close", ""},
    // The entry list and the account.
    {"List1", 1620, 120, 2250, 1800, "", ""},
    {"Label1", 4020, 120, 2160, 210, "Username:", ""},
    {"Text1", 4020, 360, 2160, 315, "", ""},
    {"Label2", 4020, 810, 2160, 210, "Password:", ""},
    {"Text2", 4020, 1050, 2160, 315, "", ""},
    // The options.
    {"Frame1", 1620, 2040, 4560, 1380, "Settings", ""},
    {"chkAutoReconnect", 180, 300, 2700, 300, "Auto-reconnect", ""},
    {"chkWindows", 180, 660, 2700, 300, "Load with Windows", ""},
    {"lblDelLogs", 180, 1020, 900, 270, "Retries", ""},
    {"txtRetry", 1080, 990, 720, 315, "", ""},
};

// The place of the named control; the first entry when the name is unknown.
constexpr const SettingsControlPlace& SettingsPlace(std::string_view name) {
  for (const auto& c : kSettingsLayout)
    if (name == c.name) return c;
  return kSettingsLayout[0];
}
}  // namespace settingswin

class ISettingsView {
 public:
  virtual ~ISettingsView() = default;
  virtual WindowHandle Handle() const = 0;
  // The entry list and the two account boxes, as the phonebook operations fill them.
  virtual modRAS::IEntryList& List1() = 0;
  virtual modRAS::ITextBox& Text1() = 0;
  virtual modRAS::ITextBox& Text2() = 0;
  // Text2 shows every character as this one; empty shows the text itself.
  virtual void SetPasswordChar(const std::string& mask) = 0;
  // The check boxes. Setting a box from here draws it only: frmSettings itself runs the box's
  // click handling when a value it sets changes the box, as a click would. Only a click of the
  // user is forwarded to chkAutoReconnect_Click / chkWindows_Click.
  virtual bool AutoReconnectTicked() const = 0;
  virtual void SetAutoReconnectTicked(bool ticked) = 0;
  virtual bool WindowsTicked() const = 0;
  virtual void SetWindowsTicked(bool ticked) = 0;
  virtual std::string RetryText() const = 0;
  virtual void SetRetryText(const std::string& text) = 0;
  // The highlight bars: top edge in twips within the window, colour as 0x00BBGGRR.
  virtual void SetShape1Top(long top) = 0;
  virtual void SetShape1Colour(std::uint32_t colour) = 0;
  virtual void SetShape3Top(long top) = 0;
  virtual void SetShape3Colour(std::uint32_t colour) = 0;
  // Closes the window; the unload handler (frmSettings::Form_Unload) runs as it closes.
  virtual void Unload() = 0;
};

class frmSettings {
 public:
  // tmrConnect and mainWindow are the main window's monitor timer and handle.
  frmSettings(Env& env, ISettingsView& view, ITimer& tmrConnect, WindowHandle mainWindow);

  void Form_Load();
  // The user picked an entry (a click or a key in the list).
  void List1_Click();
  void chkAutoReconnect_Click();
  void chkWindows_Click();
  // "Save": the entry, the user name and the password.
  void lblContents_Click();
  // "Close": the retry count exactly as typed, then the window closes.
  void Label3_Click();
  // "View Logs" and its picture: the log folder is shown and the window closes.
  void lblViewLogs_Click();
  void Image1_Click();
  // The window closes, whichever way. The closing steps run once; later calls do nothing.
  void Form_Unload();

  // Highlight bars (button, shift state, pointer position in twips; not used).
  void lblViewLogs_MouseMove(int button, int shift, long x, long y);
  void Image1_MouseMove(int button, int shift, long x, long y);
  void lblContents_MouseMove(int button, int shift, long x, long y);
  void Label3_MouseMove(int button, int shift, long x, long y);
  void Frame1_MouseMove(int button, int shift, long x, long y);

  bool Unloaded() const { return unloaded_; }

 private:
  std::string Get(const char* key, const char* defaultValue);
  void Save(const char* key, const std::string& value);
  modRAS::EntryControls Controls();

  Env& env_;
  ISettingsView& view_;
  ITimer& timer_;
  WindowHandle main_;
  bool unloaded_ = false;
};

}  // namespace tavrel
