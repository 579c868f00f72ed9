// The main window on Win32 until its full view exists: a window of the main window's size whose
// inner area is the activity view (a read-only edit control), driven by frmMain. It carries the
// timer, the close requests of the system and the session, and the activation and focus events.
#pragma once

#include "platform/win32/Win32Api.h"

#include <memory>
#include <string_view>

#include "activity/ActivityText.h"
#include "core/Env.h"
#include "forms/frmMain.h"
#include "gui/win32/Win32Desktop.h"

namespace tavrel::win32 {

class MainHost : public IMainView, public ActivityText::ISink {
 public:
  // Creates the window (its timer running, as the main window's always is) and loads it.
  MainHost(Env& env, Win32Desktop& desktop, HINSTANCE instance);
  ~MainHost() override;
  MainHost(const MainHost&) = delete;
  MainHost& operator=(const MainHost&) = delete;

  frmMain& form() { return *form_; }
  HWND hwnd() const { return hwnd_; }

  // IMainView.
  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd_); }
  void SetListVisible(bool visible) override { listVisible_ = visible; }
  bool ListVisible() const override { return listVisible_; }
  void SetActivityVisible(bool visible) override;
  modMain::Rect Bounds() const override;
  long ScreenWidth() const override;
  long ScreenHeight() const override;
  void MoveTo(long left, long top) override;
  long InnerWidth() const override;
  long InnerHeight() const override;
  bool Minimized() const override { return ::IsIconic(hwnd_) != FALSE; }
  void Minimize() override { ::ShowWindow(hwnd_, SW_MINIMIZE); }
  void SetViewsSize(long width, long height) override;
  long MenuOffset() const override { return 0; }
  // The settings and menu windows come with the full view; until then nothing opens.
  void ShowSettings() override {}
  void ShowMenu(long, long) override {}
  void UnloadMenu() override {}
  void RequestClose(int unloadMode) override { form_->Form_QueryUnload(unloadMode); }
  void UnloadOtherWindows() override {}
  // Ends the process as soon as the message being handled has been answered (the session
  // manager waits for the answer to its question), before anything of a handler paused below
  // (a message box, a dial) can run again.
  void EndProcess() override;

  // ActivityText::ISink.
  void Replaced(const std::string& wholeText) override;
  void Appended(std::string_view piece) override;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  Env& env_;
  Win32Desktop& desktop_;
  HWND hwnd_ = nullptr;
  HWND edit_ = nullptr;
  bool listVisible_ = false;
  bool ending_ = false;
  std::unique_ptr<Win32Timer> timer_;
  std::unique_ptr<frmMain> form_;
};

}  // namespace tavrel::win32
