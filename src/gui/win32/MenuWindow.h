// frmMenu's view on Win32: a borderless pop-up tool window, drawn item by item (the
// picture strip, the highlight bar, the icons and labels, the lines and the close image). It
// closes when it loses the activation, unless the menu itself opened what took it.
#pragma once

#include "platform/win32/Win32Api.h"

#include <array>
#include <memory>

#include "core/Env.h"
#include "forms/frmMenu.h"
#include "gui/win32/Canvas.h"
#include "gui/win32/Ui.h"

namespace tavrel::win32 {

class AboutWindow;
class UpdateWindowOpener;

class MenuWindow : public Window, public IMenuView {
 public:
  // updates: the main window's, which opens the update window.
  MenuWindow(Env& env, ITimer& mainTimer, HWND mainWindow, UpdateWindowOpener& updates);
  // Shows the menu with its top left corner at a screen position in twips, and activates it.
  void ShowAt(long left, long top);

  frmMenu& form() { return *form_; }
  const Canvas& canvas() const { return *canvas_; }

  // IMenuView.
  void SetHighlightTop(long top) override;
  bool IsOpen() const override { return open_; }
  void Unload() override;
  void ShowAbout() override;
  void UnloadAbout() override;
  void ShowUpdate() override;

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  Env& env_;
  HWND main_;
  UpdateWindowOpener& updates_;
  AboutWindow* about_ = nullptr;  // while ShowAbout shows it
  std::unique_ptr<Canvas> canvas_;
  std::size_t bar_ = 0;
  bool open_ = false;
  std::unique_ptr<frmMenu> form_;
};

}  // namespace tavrel::win32
