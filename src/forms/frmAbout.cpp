#include "forms/frmAbout.h"

#include "ui/modOnTop.h"

namespace tavrel {

frmAbout::frmAbout(Env& env, IAboutView& view, WindowHandle mainWindow) : env_(env), view_(view), main_(mainWindow) {}

// Each number as a plain decimal: minor 5 reads "1.5", minor 10 "1.10".
void frmAbout::Form_Load() {
  modOnTop::ClearTopMost(env_, main_);
  view_.SetVersion(std::to_string(env_.app.major) + "." + std::to_string(env_.app.minor));
  view_.SetBuild(std::to_string(env_.app.revision));
  view_.SetAuthor(env_.app.company);
  view_.SetHomePage(env_.app.homePage);
  view_.RepaintCloseButton();
}

void frmAbout::Form_Unload() { modOnTop::SetTopMost(env_, main_); }

void frmAbout::Command1_Click() { view_.Unload(); }

void frmAbout::Label6_MouseMove(int, int, long, long) { view_.SetNoticeUnderline(true); }
void frmAbout::Form_MouseMove(int, int, long, long) { view_.SetNoticeUnderline(false); }

// No connection test here, and the window stays open.
void frmAbout::Label6_Click() { env_.desktop.ShellOpen(env_.app.homePage); }

}  // namespace tavrel
