// frmUpdate's view: a resizable window with the two links over their highlight bars, a picture,
// the report box below, and a thin progress bar that shows only while a transfer runs.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QWidget>
#include <memory>

#include "core/Env.h"
#include "forms/frmUpdate.h"
#include "gui/qt/QtWindowManager.h"

namespace tavrel::qt {

class ImageButton;

class UpdateWindow : public QWidget, public IUpdateView {
  Q_OBJECT
 public:
  // mainWindow: the main window's handle, taken out of and put back into the topmost band;
  // operations: the main window's; knownFrame: the frame the last update window had, which this
  // one assumes until the window manager tells its own (and then keeps there for the next).
  UpdateWindow(Env& env, QtWindowManager& wm, WindowHandle mainWindow, Operations& operations, QMargins& knownFrame);
  ~UpdateWindow() override;

  frmUpdate& form() { return *form_; }
  // The controls, for tests and screenshots.
  QLabel* lblCheck() const { return lblCheck_; }
  QLabel* lblDownload() const { return lblDownload_; }
  QWidget* shape1() const { return shape1_; }
  QWidget* shape2() const { return shape2_; }
  QPlainTextEdit* txtUpdate() const { return txtUpdate_; }
  QProgressBar* progress() const { return progress_; }

  // IUpdateView
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  void SetUpdateText(const std::string& text) override;
  void AppendUpdateText(const std::string& text) override;
  void SetDownloadEnabled(bool enabled) override;
  FormGeometry Geometry() const override;
  void SetLeft(float twips) override { Want(&FormGeometry::left, twips); }
  void SetTop(float twips) override { Want(&FormGeometry::top, twips); }
  void SetWidth(float twips) override { Want(&FormGeometry::width, twips); }
  void SetHeight(float twips) override { Want(&FormGeometry::height, twips); }
  long InnerWidth() const override;
  long InnerHeight() const override;
  void SetUpdateTextSize(long width, long height) override;
  void SetShapeColours(std::uint32_t shape1, std::uint32_t shape2) override;
  long ScreenWidth() const override;
  long ScreenHeight() const override;
  std::vector<FormGeometry> Screens() const override;
  long MainWidth() const override;
  long MainHeight() const override;
  void Transferring(std::uint64_t received, std::uint64_t total) override;
  void TransferEnded() override;
  void RequestClose() override;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  friend class UpdateWindowOpener;
  void Load();
  QRect WantedPixels() const;
  // Sets one side of the wanted bounds and applies them.
  void Want(float FormGeometry::*side, float twips);
  void Apply();
  void LearnFrame();
  void Click(QLabel* label);

  Env& env_;
  QtWindowManager& wm_;
  WindowHandle main_;
  std::unique_ptr<frmUpdate> form_;
  QLabel* lblCheck_ = nullptr;
  QLabel* lblDownload_ = nullptr;
  QWidget* shape1_ = nullptr;
  QWidget* shape2_ = nullptr;
  ImageButton* image1_ = nullptr;
  QPlainTextEdit* txtUpdate_ = nullptr;
  QProgressBar* progress_ = nullptr;
  bool loaded_ = false;
  bool waitCursor_ = false;
  bool watchingWindow_ = false;
  // The outer bounds the behaviour asked for, in twips, the frame that was assumed when they were
  // applied, and whether the window manager has told the real one (see Geometry).
  FormGeometry wanted_{0, 0, update::kDefaultWidth, update::kDefaultHeight};
  QMargins appliedFrame_;
  bool frameKnown_ = false;
  QMargins& knownFrame_;
};

// The program's one update window, modeless and without owner, kept by whoever opens it (the main
// window, for its menu).
class UpdateWindowOpener {
 public:
  UpdateWindowOpener(Env& env, QtWindowManager& wm, WindowHandle mainWindow, Operations& operations);
  // An update window still open goes with its opener; its unload runs.
  ~UpdateWindowOpener();
  UpdateWindowOpener(const UpdateWindowOpener&) = delete;
  UpdateWindowOpener& operator=(const UpdateWindowOpener&) = delete;

  // Shows the update window: a new one is created (and loaded before it appears) when none is
  // open, an open one is raised. It deletes itself when closed, after its unload has run.
  UpdateWindow* Open();
  // The open update window, or null.
  UpdateWindow* Current() const { return current_; }
  // The program is ending: the open window goes at once, its unload running even when a transfer
  // kept it from closing.
  void UnloadForExit();

 private:
  Env& env_;
  QtWindowManager& wm_;
  WindowHandle main_;
  Operations& operations_;
  QPointer<UpdateWindow> current_;
  QMargins knownFrame_;  // the frame the last update window had
};

}  // namespace tavrel::qt
