#include "forms/frmMenu.h"

#include "app/modMain.h"
#include "monitor/modConnection.h"
#include "settings/modSettings.h"
#include "ui/modOnTop.h"

namespace tavrel {

frmMenu::frmMenu(Env& env, IMenuView& view, ITimer& tmrConnect, WindowHandle mainWindow)
    : env_(env), view_(view), timer_(tmrConnect), main_(mainWindow) {}

void frmMenu::Item_MouseMove(std::size_t index, int, int, long, long) {
  if (index < menu::kItems.size()) view_.SetHighlightTop(menu::kItems[index].top);
}
void frmMenu::Form_MouseMove(int, int, long, long) { view_.SetHighlightTop(menu::kBarHiddenTop); }

void frmMenu::Item_Click(std::size_t index) {
  static constexpr std::array<void (frmMenu::*)(), menu::kItems.size()> kClicks{
      &frmMenu::lblContents_Click, &frmMenu::lblAbout_Click,  &frmMenu::lblHomepage_Click,
      &frmMenu::lblFeedback_Click, &frmMenu::lblRepBug_Click, &frmMenu::lblUpdate_Click};
  if (index < kClicks.size()) (this->*kClicks[index])();
}

void frmMenu::lblContents_Click() {
  const std::string help = env_.app.InFolder(menu::kHelpFile);
  if (modMain::FileExists(env_, help)) {
    env_.desktop.ShellOpen(help);
    CloseMenu();
    return;
  }
  const int answer = OwnBox(menu::kNoHelpQuestion, mb::kYesNoQuestion);
  if (answer != mb::kYes) return;  // the menu stays open
  lblHomepage_Click();
  CloseMenu();
}

// The about window closes first, then the menu.
void frmMenu::lblAbout_Click() {
  ++ownWindows_;
  aboutOpen_ = true;
  view_.ShowAbout();
  aboutOpen_ = false;
  --ownWindows_;
  CloseMenu();
}

void frmMenu::lblHomepage_Click() { OpenOnline(menu::kProductPage); }
void frmMenu::lblFeedback_Click() { OpenOnline(menu::kFeedbackPage); }
void frmMenu::lblRepBug_Click() { OpenOnline(menu::kSupportPage); }

// The menu stays open: it closes when the update window takes the focus.
void frmMenu::lblUpdate_Click() { view_.ShowUpdate(); }

void frmMenu::imgClose_Click() { CloseMenu(); }

// The focus going to one of the menu's own boxes or to its about window closes nothing: the handler
// that showed them decides, once they are answered or closed, whether the menu closes.
void frmMenu::Form_LostFocus() {
  if (ownWindows_ > 0) return;
  CloseMenu();
}

int frmMenu::OwnBox(const char* text, int code) {
  ++ownWindows_;
  const int answer = env_.desktop.MsgBox(text, code, env_.app.title);
  --ownWindows_;
  return answer;
}

// Here too the about window closes before the menu.
void frmMenu::Form_QueryUnload() {
  if (aboutOpen_) view_.UnloadAbout();
  CloseMenu();
}

void frmMenu::Form_Unload() {
  const std::string entry = modSettings::GetSetting(env_, env_.app.title, "Settings", "ConID", "");
  timer_.SetEnabled(!entry.empty());
  modOnTop::SetTopMost(env_, main_);
}

// Every online item: only "not online" (code 7) stops it; the menu closes either way.
void frmMenu::OpenOnline(const char* page) {
  if (modConnection::OnlineStateCode(env_.connection) == menu::kNotOnlineCode) {
    OwnBox(menu::kNotConnectedWarning, mb::kExclamation);
  } else {
    env_.desktop.ShellOpen(env_.app.ServerUrl(page));
  }
  CloseMenu();
}

// Closing twice (an item's action after the focus rule has closed the menu) does nothing more.
void frmMenu::CloseMenu() {
  if (view_.IsOpen()) view_.Unload();
}

}  // namespace tavrel
