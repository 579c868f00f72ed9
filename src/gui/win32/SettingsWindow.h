// frmSettings's view on Win32: a modeless window with a fixed frame, its link panel drawn (the
// grey panel, the highlight bars, the links and the picture), the entry list a list box, the
// account and the retry count edit boxes, the two switches check boxes inside the drawn options
// frame.
#pragma once

#include "platform/win32/Win32Api.h"

#include <memory>

#include "core/Env.h"
#include "core/ITimer.h"
#include "forms/frmSettings.h"
#include "gui/win32/Canvas.h"
#include "gui/win32/Ui.h"

namespace tavrel::win32 {

class EntryListBox : public modRAS::IEntryList {
 public:
  void Attach(HWND list) { list_ = list; }
  void AddItem(const std::string& text) override;
  int ListCount() const override;
  int ListIndex() const override;
  void SetListIndex(int index) override;
  std::string Text() const override;

 private:
  HWND list_ = nullptr;
};

class EditBox : public modRAS::ITextBox {
 public:
  void Attach(HWND edit) { edit_ = edit; }
  std::string Text() const override { return WindowText(edit_); }
  void SetText(const std::string& text) override { ::SetWindowTextA(edit_, text.c_str()); }

 private:
  HWND edit_ = nullptr;
};

class SettingsWindow : public Window, public ISettingsView {
 public:
  SettingsWindow(Env& env, ITimer& mainTimer, HWND mainWindow);
  ~SettingsWindow() override;
  // Loads the window (so that it appears filled in) and shows it.
  void Open();
  bool IsOpen() const { return open_; }

  frmSettings& form() { return *form_; }
  const Canvas& canvas() const { return *canvas_; }
  // A native control by its name (List1, Text1, Text2, chkAutoReconnect, chkWindows, txtRetry).
  HWND control(const std::string& name) const;

  // ISettingsView.
  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd_); }
  modRAS::IEntryList& List1() override { return list1_; }
  modRAS::ITextBox& Text1() override { return text1_; }
  modRAS::ITextBox& Text2() override { return text2_; }
  void SetPasswordChar(const std::string& mask) override;
  bool AutoReconnectTicked() const override { return Ticked(autoReconnect_); }
  void SetAutoReconnectTicked(bool ticked) override { Tick(autoReconnect_, ticked); }
  bool WindowsTicked() const override { return Ticked(windows_); }
  void SetWindowsTicked(bool ticked) override { Tick(windows_, ticked); }
  std::string RetryText() const override { return WindowText(retry_); }
  void SetRetryText(const std::string& text) override { ::SetWindowTextA(retry_, text.c_str()); }
  void SetShape1Top(long top) override;
  void SetShape1Colour(std::uint32_t colour) override { canvas_->SetFill(shape1_, ColourOf(colour)); }
  void SetShape3Top(long top) override;
  void SetShape3Colour(std::uint32_t colour) override { canvas_->SetFill(shape3_, ColourOf(colour)); }
  void Unload() override;

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  static bool Ticked(HWND box) { return ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  static void Tick(HWND box, bool ticked) { ::SendMessageA(box, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0); }
  HWND MakeControl(const char* name, const char* cls, DWORD style, DWORD exStyle, int id);

  std::unique_ptr<Canvas> canvas_;
  std::size_t shape1_ = 0, shape3_ = 0;
  HWND list_ = nullptr, text1w_ = nullptr, text2w_ = nullptr, retry_ = nullptr;
  HWND autoReconnect_ = nullptr, windows_ = nullptr;
  HBRUSH grey_ = nullptr;
  EntryListBox list1_;
  EditBox text1_, text2_;
  bool open_ = false;
  std::unique_ptr<frmSettings> form_;
};

}  // namespace tavrel::win32
