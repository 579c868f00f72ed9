// frmMain's view on Win32: a window whose title bar the border controller removes at load, with
// the banner and its five image buttons drawn on it, the activity view (a read-only multiline
// edit that grows at its end) and the connection list (a report list view that asks the
// behaviour for the rows it shows). It carries the monitor timer, the close requests of the
// session and of other programs, and the program's other windows.
#pragma once

#include "platform/win32/Win32Api.h"

#include <memory>
#include <string_view>

#include "activity/ActivityText.h"
#include "core/Env.h"
#include "forms/frmMain.h"
#include "gui/win32/Canvas.h"
#include "gui/win32/Ui.h"
#include "gui/win32/Win32Desktop.h"

namespace tavrel::win32 {

class MenuWindow;
class SettingsWindow;
class UpdateWindowOpener;

class MainWindow : public Window, public IMainView, public ActivityText::ISink {
 public:
  // Creates the window (its timer running from here on, as the main window's always is). Load
  // loads it: it appears, and the behaviour fills it in.
  explicit MainWindow(Env& env);
  ~MainWindow() override;
  void Load();

  frmMain& form() { return *form_; }
  Win32Timer& timer() { return *timer_; }
  Env& env() { return env_; }
  HWND activityView() const { return edit_; }
  HWND listView() const { return list_; }
  const Canvas& canvas() const { return *canvas_; }
  SettingsWindow* settingsWindow() const { return settings_.get(); }
  MenuWindow& menuWindow() const { return *menu_; }
  UpdateWindowOpener& updates() const { return *updates_; }
  // How the process ends after the unload; unset, ExitProcess(0) once the message is answered.
  std::function<void()> endProcess;

  // IMainView.
  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd_); }
  void SetListVisible(bool visible) override;
  bool ListVisible() const override;
  void SetActivityVisible(bool visible) override;
  modMain::Rect Bounds() const override;
  long ScreenWidth() const override;
  long ScreenHeight() const override;
  void MoveTo(long left, long top) override;
  long InnerWidth() const override { return InnerTwips().cx; }
  long InnerHeight() const override { return InnerTwips().cy; }
  bool Minimized() const override { return ::IsIconic(hwnd_) != FALSE; }
  void Minimize() override { ::ShowWindow(hwnd_, SW_MINIMIZE); }
  void SetViewsSize(long width, long height) override;
  long MenuOffset() const override;
  void ShowSettings() override;
  void ShowMenu(long left, long top) override;
  void UnloadMenu() override;
  void RequestClose(int unloadMode) override { form_->Form_QueryUnload(unloadMode); }
  void UnloadOtherWindows() override;
  void EndProcess() override;

  // ActivityText::ISink.
  void Replaced(const std::string& wholeText) override;
  void Appended(std::string_view piece) override;

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ListChanged();
  LRESULT Notify(const NMHDR& header);
  static LRESULT CALLBACK ViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);

  // ListView1's changes come here (the list's sink), drawn by ListChanged.
  struct ListSink : ConnectionList::ISink {
    explicit ListSink(MainWindow& w) : window(w) {}
    void Changed() override { window.ListChanged(); }
    MainWindow& window;
  };

  Env& env_;
  ListSink listSink_{*this};
  std::unique_ptr<Canvas> canvas_;
  HWND edit_ = nullptr;
  HWND list_ = nullptr;
  std::size_t columns_ = 0;  // the list view's columns so far
  std::vector<int> widths_;  // the widths the behaviour gave them, twips
  bool loading_ = false;
  bool activated_ = false;  // the program's first activation ran
  bool ending_ = false;
  std::unique_ptr<Win32Timer> timer_;
  std::unique_ptr<frmMain> form_;
  // The program's one update window, which the menu opens; it goes before the behaviour whose
  // operations it runs.
  std::unique_ptr<UpdateWindowOpener> updates_;
  std::unique_ptr<MenuWindow> menu_;
  std::unique_ptr<SettingsWindow> settings_;
};

}  // namespace tavrel::win32
