// frmAbout's view on Win32: a modal window owned by the main window (the owner is disabled while
// it is open), its banner, rows and notice drawn, the disclaimer in a read-only edit and the
// Close button a push button.
#pragma once

#include "platform/win32/Win32Api.h"

#include <array>
#include <memory>

#include "core/Env.h"
#include "forms/frmAbout.h"
#include "gui/win32/Canvas.h"
#include "gui/win32/Ui.h"

namespace tavrel::win32 {

class AboutWindow : public Window, public IAboutView {
 public:
  AboutWindow(Env& env, HWND mainWindow);
  ~AboutWindow() override;
  // Loads and shows the window and returns once it has closed.
  void ShowModal();
  // Closes the window from outside its own handlers (its modal loop ends afterwards); the unload
  // has run when this returns.
  void Close();

  frmAbout& form() { return *form_; }
  const Canvas& canvas() const { return *canvas_; }
  HWND closeButton() const { return close_; }

  // IAboutView.
  void SetVersion(const std::string& text) override { Value(about::kVersion, text); }
  void SetBuild(const std::string& text) override { Value(about::kBuild, text); }
  void SetAuthor(const std::string& text) override { Value(about::kAuthor, text); }
  void SetHomePage(const std::string& text) override { Value(about::kHomePage, text); }
  void RepaintCloseButton() override { ::RedrawWindow(close_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }
  void SetNoticeUnderline(bool underline) override;
  void Unload() override;

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Value(int row, const std::string& text) { canvas_->SetText(values_[static_cast<std::size_t>(row)], text); }

  HWND owner_;
  std::unique_ptr<Canvas> canvas_;
  std::array<std::size_t, about::kRows.size()> values_{};
  std::size_t notice_ = 0;
  HWND text_ = nullptr;
  HWND close_ = nullptr;
  bool loaded_ = false;
  bool open_ = false;
  std::unique_ptr<frmAbout> form_;
};

}  // namespace tavrel::win32
