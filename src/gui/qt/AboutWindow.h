// frmAbout's view: a fixed-size grey dialog with the banner, the rows of version facts, the
// disclaimer, the notice line that links to the home page, and "&Close".
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <array>
#include <memory>

#include "core/Env.h"
#include "forms/frmAbout.h"
#include "gui/qt/ImageButton.h"

namespace tavrel::qt {

class AboutWindow : public QDialog, public IAboutView {
  Q_OBJECT
 public:
  // owner: the main window (the dialog stays above it); mainWindow: its handle.
  AboutWindow(Env& env, WindowHandle mainWindow, QWidget* owner);
  ~AboutWindow() override;

  frmAbout& form() { return *form_; }

  // Loads the window and shows it modally; returns once it has closed.
  void ShowModal();
  // Loads the window and shows it, modal to the application, without waiting.
  void ShowLoaded();

  // The controls, for tests and screenshots.
  QLabel* rowLabel(int row) const { return labels_[static_cast<std::size_t>(row)]; }
  QLabel* rowValue(int row) const { return values_[static_cast<std::size_t>(row)]; }
  QLabel* notice() const { return notice_; }
  QPlainTextEdit* disclaimer() const { return text_; }
  QPushButton* closeButton() const { return close_; }
  ImageButton* banner() const { return banner_; }
  QWidget* shape1() const { return shape1_; }

  // IAboutView
  void SetVersion(const std::string& text) override;
  void SetBuild(const std::string& text) override;
  void SetAuthor(const std::string& text) override;
  void SetHomePage(const std::string& text) override;
  void RepaintCloseButton() override;
  void SetNoticeUnderline(bool underline) override;
  void Unload() override;

 public slots:
  // Every way of closing the dialog ends here; the unload handler runs once the window is gone.
  void done(int result) override;

 protected:
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  void Load();

  std::unique_ptr<frmAbout> form_;
  std::array<QLabel*, about::kRows.size()> labels_{};
  std::array<QLabel*, about::kRows.size()> values_{};
  QLabel* notice_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QPushButton* close_ = nullptr;
  ImageButton* banner_ = nullptr;
  QWidget* shape1_ = nullptr;
  bool loaded_ = false;
};

}  // namespace tavrel::qt
