// frmUpdate's view on Win32: the program's one update window, modeless, without owner, sizable;
// its two links, their bars and its picture drawn, the report a read-only multiline edit, a
// progress bar over the top while a transfer runs. The behaviour places it by its outer bounds in
// twips.
#pragma once

#include "platform/win32/Win32Api.h"

#include <memory>

#include "core/Env.h"
#include "forms/frmUpdate.h"
#include "gui/win32/Canvas.h"
#include "gui/win32/Ui.h"

namespace tavrel::win32 {

class UpdateWindow : public Window, public IUpdateView {
 public:
  // operations: the main window's.
  UpdateWindow(Env& env, HWND mainWindow, Operations& operations);
  ~UpdateWindow() override;
  // Closes the window as its close box does (the behaviour may let it close only later).
  void Close();
  bool IsOpen() const { return loaded_; }

  frmUpdate& form() { return *form_; }
  const Canvas& canvas() const { return *canvas_; }
  HWND reportView() const { return text_; }
  HWND progressBar() const { return progress_; }

  // IUpdateView.
  std::string Caption() const override { return WindowText(hwnd_); }
  void SetCaption(const std::string& caption) override { ::SetWindowTextA(hwnd_, caption.c_str()); }
  void SetUpdateText(const std::string& text) override;
  void AppendUpdateText(const std::string& text) override;
  void SetDownloadEnabled(bool enabled) override { canvas_->SetEnabled(download_, enabled); }
  FormGeometry Geometry() const override;
  void SetLeft(float twips) override { Want(&FormGeometry::left, twips); }
  void SetTop(float twips) override { Want(&FormGeometry::top, twips); }
  void SetWidth(float twips) override { Want(&FormGeometry::width, twips); }
  void SetHeight(float twips) override { Want(&FormGeometry::height, twips); }
  long InnerWidth() const override { return InnerTwips().cx; }
  long InnerHeight() const override { return InnerTwips().cy; }
  void SetUpdateTextSize(long width, long height) override;
  void SetShapeColours(std::uint32_t shape1, std::uint32_t shape2) override;
  long ScreenWidth() const override { return Tw(::GetSystemMetrics(SM_CXSCREEN)); }
  long ScreenHeight() const override { return Tw(::GetSystemMetrics(SM_CYSCREEN)); }
  std::vector<FormGeometry> Screens() const override;
  long MainWidth() const override;
  long MainHeight() const override;
  void Transferring(std::uint64_t received, std::uint64_t total) override;
  void TransferEnded() override;
  void RequestClose() override;

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class UpdateWindowOpener;
  void Load();
  void Unload();
  // Sets one side of the wanted bounds (the others as the window stands) and applies them.
  void Want(float FormGeometry::*side, float twips);
  void Apply();
  RECT WantedPixels() const;

  HWND main_;
  std::unique_ptr<Canvas> canvas_;
  std::size_t shape1_ = 0, shape2_ = 0, check_ = 0, download_ = 0;
  HWND text_ = nullptr;
  HWND progress_ = nullptr;
  FormGeometry wanted_;
  bool loaded_ = false;
  bool waitCursor_ = false;
  std::unique_ptr<frmUpdate> form_;
};

// The program's one update window, kept by whoever opens it (the main window, for its menu).
class UpdateWindowOpener {
 public:
  UpdateWindowOpener(Env& env, HWND mainWindow, Operations& operations)
      : env_(env), main_(mainWindow), operations_(operations) {}

  // Shows the update window, loading a new one unless one is open.
  UpdateWindow* Open();
  // The open update window; nullptr when none is.
  UpdateWindow* Current() const { return window_ && window_->loaded_ ? window_.get() : nullptr; }
  // Ends the program: the window's unload runs even when a transfer keeps it open.
  void UnloadForExit() {
    if (UpdateWindow* w = Current()) w->Unload();
  }

 private:
  Env& env_;
  HWND main_;
  Operations& operations_;
  std::unique_ptr<UpdateWindow> window_;  // the last one opened, open or not
};

}  // namespace tavrel::win32
