// frmSettings' view: the phonebook entry list, the account, the options frame, the link panel
// with its highlight bars. Every user event goes to the behaviour; closing the window by any way
// runs its unload handler once.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "forms/frmSettings.h"
#include "gui/qt/ImageButton.h"
#include "gui/qt/QtWindowManager.h"

namespace tavrel::qt {

class MainWindow;

// List1 as the phonebook operations see it. Only a selection the user makes is forwarded as a
// click; a selection set from code is not.
class EntryListAdapter : public modRAS::IEntryList {
 public:
  explicit EntryListAdapter(QListWidget* list) : list_(list) {}
  void AddItem(const std::string& text) override;
  int ListCount() const override;
  int ListIndex() const override;
  void SetListIndex(int index) override;
  std::string Text() const override;
  bool SettingFromCode() const { return fromCode_; }

 private:
  QListWidget* list_;
  bool fromCode_ = false;
};

class TextBoxAdapter : public modRAS::ITextBox {
 public:
  explicit TextBoxAdapter(QLineEdit* box) : box_(box) {}
  std::string Text() const override;
  void SetText(const std::string& text) override;

 private:
  QLineEdit* box_;
};

class SettingsWindow : public QWidget, public ISettingsView {
  Q_OBJECT
 public:
  // The behaviour works with the main window's monitor timer and handle. The window deletes
  // itself when it closes, and quietly when the main window goes first.
  SettingsWindow(Env& env, QtWindowManager& wm, MainWindow& main);
  ~SettingsWindow() override;

  frmSettings& form() { return *form_; }
  QListWidget* entryList() const { return list_; }
  QLineEdit* userBox() const { return text1_; }
  QLineEdit* passwordBox() const { return text2_; }
  QLineEdit* retryBox() const { return txtRetry_; }
  QCheckBox* autoReconnectBox() const { return chkAutoReconnect_; }
  QCheckBox* windowsBox() const { return chkWindows_; }
  QGroupBox* frame() const { return frame1_; }
  QWidget* shape1() const { return shape1_; }
  QWidget* shape3() const { return shape3_; }
  // A label or picture of the window by its control name (lblContents, Label3, Image1...).
  QWidget* control(const char* name) const;

  // ISettingsView
  WindowHandle Handle() const override { return handle_; }
  modRAS::IEntryList& List1() override { return listAdapter_; }
  modRAS::ITextBox& Text1() override { return text1Adapter_; }
  modRAS::ITextBox& Text2() override { return text2Adapter_; }
  void SetPasswordChar(const std::string& mask) override;
  bool AutoReconnectTicked() const override;
  void SetAutoReconnectTicked(bool ticked) override;
  bool WindowsTicked() const override;
  void SetWindowsTicked(bool ticked) override;
  std::string RetryText() const override;
  void SetRetryText(const std::string& text) override;
  void SetShape1Top(long top) override;
  void SetShape1Colour(std::uint32_t colour) override;
  void SetShape3Top(long top) override;
  void SetShape3Colour(std::uint32_t colour) override;
  void Unload() override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QLabel* MakeLabel(const char* name, QWidget* parent);
  void Place(QWidget* w, const char* name);

  Env& env_;
  QtWindowManager& wm_;
  WindowHandle handle_ = 0;
  std::unique_ptr<frmSettings> form_;

  QListWidget* list_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLineEdit* txtRetry_ = nullptr;
  QCheckBox* chkAutoReconnect_ = nullptr;
  QCheckBox* chkWindows_ = nullptr;
  QGroupBox* frame1_ = nullptr;
  QWidget* shape1_ = nullptr;
  QWidget* shape3_ = nullptr;
  QLabel* lblViewLogs_ = nullptr;
  QLabel* lblContents_ = nullptr;
  QLabel* label3_ = nullptr;
  ImageButton* image1_ = nullptr;
  QObject* pressed_ = nullptr;  // the link a left button went down on
  EntryListAdapter listAdapter_{nullptr};
  TextBoxAdapter text1Adapter_{nullptr};
  TextBoxAdapter text2Adapter_{nullptr};
};

}  // namespace tavrel::qt
