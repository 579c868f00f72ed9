// frmMenu's view: a borderless white window with six link-like items, their icons, separator
// lines, a picture strip, a close image and the hover highlight bar. It takes the focus when it
// opens; losing it (a click on another window, another window taking the focus) is the menu's
// focus loss, which the behaviour answers.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>

#include "core/Env.h"
#include "core/ITimer.h"
#include "forms/frmMenu.h"
#include "gui/qt/ImageButton.h"
#include "gui/qt/QtWindowManager.h"

namespace tavrel::qt {

class AboutWindow;
class UpdateWindowOpener;

class MenuWindow : public QWidget, public IMenuView {
  Q_OBJECT
 public:
  // mainTimer and mainWindow: the main window's monitor timer and handle (registered with wm);
  // updates: the main window's, which opens the update window.
  MenuWindow(Env& env, QtWindowManager& wm, ITimer& mainTimer, WindowHandle mainWindow, UpdateWindowOpener& updates);
  ~MenuWindow() override;

  frmMenu& form() { return *form_; }

  // Shows the menu with its top left corner at a screen point in twips. The main window has
  // stopped its timer and left the topmost band before (frmMain::imgInfo_Click).
  void ShowAt(long left, long top);

  // The controls, for tests and screenshots.
  QLabel* item(int index) const { return items_[static_cast<std::size_t>(index)]; }
  ImageButton* highlightBar() const { return bar_; }
  ImageButton* closeImage() const { return close_; }

  // IMenuView
  void SetHighlightTop(long top) override;
  bool IsOpen() const override { return open_; }
  void Unload() override;
  void ShowAbout() override;
  void UnloadAbout() override;
  void ShowUpdate() override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void FocusMoved(QWindow* now);

  Env& env_;
  QtWindowManager& wm_;
  WindowHandle main_;
  UpdateWindowOpener& updates_;
  QPointer<AboutWindow> about_;  // while ShowAbout shows it
  std::unique_ptr<frmMenu> form_;
  std::array<QLabel*, menu::kItems.size()> items_{};
  ImageButton* bar_ = nullptr;
  ImageButton* close_ = nullptr;
  bool open_ = false;
  bool hadFocus_ = false;  // since it was last shown
};

}  // namespace tavrel::qt
