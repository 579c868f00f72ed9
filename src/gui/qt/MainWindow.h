// frmMain's view: a frameless window with the banner, the activity view and the connection list.
#pragma once

#include <QPointer>
#include <QTreeView>
#include <QWidget>
#include <functional>
#include <memory>

#include "activity/ActivityText.h"
#include "forms/frmMain.h"
#include "gui/qt/ActivityView.h"
#include "gui/qt/ConnectionListModel.h"
#include "gui/qt/ImageButton.h"
#include "gui/qt/MenuWindow.h"
#include "gui/qt/QtDesktop.h"
#include "gui/qt/QtWindowManager.h"
#include "gui/qt/UpdateWindow.h"

namespace tavrel::qt {

class SettingsWindow;

class MainWindow : public QWidget, public IMainView {
  Q_OBJECT
 public:
  MainWindow(Env& env, QtWindowManager& wm);
  ~MainWindow() override;

  frmMain& form() { return *form_; }
  ActivityView* activityView() { return txtConnection_; }
  QTreeView* listView() { return listView_; }
  QtTimer& timer() { return *timer_; }
  UpdateWindowOpener& updates() { return *updates_; }

  // Runs then once, from the event loop, after the window's first paint has reached the screen
  // (or after a second, for a window that is never shown).
  void AfterFirstPaint(std::function<void()> then);
  // Whether what AfterFirstPaint was given still waits for the first paint.
  bool WaitsForFirstPaint() const { return static_cast<bool>(afterFirstPaint_); }

  // Closes the window for a reason (an unload mode), as the desktop would.
  void CloseFor(int unloadMode);
  ImageButton* button(const char* name) const;
  ImageButton* banner() const { return banner_; }

  // How the process ends after the unload; unset, the event loop is left. The main program ends
  // it on the spot, so that nothing of a handler paused under the closing one runs afterwards.
  std::function<void()> endProcess;

  // IMainView
  WindowHandle Handle() const override { return handle_; }
  void SetListVisible(bool visible) override;
  bool ListVisible() const override;
  void SetActivityVisible(bool visible) override;
  modMain::Rect Bounds() const override;
  long ScreenWidth() const override;
  long ScreenHeight() const override;
  void MoveTo(long left, long top) override;
  long InnerWidth() const override;
  long InnerHeight() const override;
  bool Minimized() const override;
  void Minimize() override;
  void SetViewsSize(long width, long height) override;
  long MenuOffset() const override;
  void ShowSettings() override;
  void ShowMenu(long left, long top) override;
  void UnloadMenu() override;
  void RequestClose(int unloadMode) override;
  void UnloadOtherWindows() override;
  void EndProcess() override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void FocusMoved(QWindow* now);

  Env& env_;
  QtWindowManager& wm_;
  WindowHandle handle_ = 0;
  std::unique_ptr<QtTimer> timer_;
  std::unique_ptr<frmMain> form_;
  // The program's one update window, which the menu opens; it goes before the behaviour whose
  // operations it runs.
  std::unique_ptr<UpdateWindowOpener> updates_;
  // The one menu window, made when first opened (a program that runs for weeks may never need
  // it), then shown and hidden; it goes before the timer it stops and starts.
  std::unique_ptr<MenuWindow> menu_;
  QPointer<SettingsWindow> settings_;  // the open settings window, if any
  ImageButton* banner_ = nullptr;
  std::vector<ImageButton*> buttons_;
  ActivityView* txtConnection_ = nullptr;
  QTreeView* listView_ = nullptr;
  ConnectionListModel* model_ = nullptr;
  int closeReason_ = unload::kControlMenu;
  QPointer<QWindow> lastActive_;  // the program's window that had the focus last
  std::function<void()> afterFirstPaint_;
  std::function<void()> firstPaintDone_;
};

}  // namespace tavrel::qt
