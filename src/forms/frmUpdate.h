// The update window's behaviour: asks the vendor's server for its version file, reports whether
// a newer release exists and fetches the release archive on request. The view draws; every
// decision is taken here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Env.h"
#include "monitor/Operation.h"

namespace tavrel {

// Colours as the window's controls take them: 0x00BBGGRR, or 0x80000000 + a system colour index.
namespace colour {
inline constexpr std::uint32_t kWhite = 0x00FFFFFF;
inline constexpr std::uint32_t kButtonFace = 0x8000000F;  // system colour 15
}  // namespace colour

// What the window fetches and where it keeps it.
namespace update {
inline constexpr const char* kVersionFilePath = "/downloads/software_updates/tavrel.txt";
inline constexpr const char* kVersionFileName = "tavrel.txt";
inline constexpr const char* kArchivePath = "/downloads/tavrelnoinstall.zip";
inline constexpr const char* kManualPage = "/?mode=Products&act=DL&p=tavrel";
inline constexpr std::uint64_t kVersionFileCap = 1ull << 20;  // 1 MiB
inline constexpr std::uint64_t kArchiveCap = 512ull << 20;    // 512 MiB
inline constexpr const char* kCaption = "Check for update";
inline constexpr long kDefaultWidth = 6390;
inline constexpr long kDefaultHeight = 4425;
inline constexpr long kTextTop = 480;     // txtUpdate's top; the links sit above it
inline constexpr long kTextMargin = 500;  // inner height not given to txtUpdate
// The smallest outer size the window takes (both links and a few lines of the report show), and
// how much of its top edge, where its title bar is, must lie on a screen for the user to reach it.
// A stored placement that breaks either opens the window at the default placement instead.
inline constexpr long kMinWidth = 4500;
inline constexpr long kMinHeight = 2400;
inline constexpr long kMinReachable = 600;
}  // namespace update

// The update window's controls' places, in twips within its inner area.
struct UpdateControlPlace {
  const char* name;
  long left, top, width, height;
};
inline constexpr UpdateControlPlace kUpdateLayout[] = {
    {"Image1", 120, 30, 420, 420},     {"Shape1", 690, 90, 1815, 270},        {"Shape2", 2610, 90, 1815, 270},
    {"lblCheck", 720, 120, 1755, 210}, {"lblDownload", 2640, 120, 1755, 210},
};

// Outer position and size of a window in twips, single precision as the window keeps them.
struct FormGeometry {
  float left = 0, top = 0, width = 0, height = 0;
};

class IUpdateView {
 public:
  virtual ~IUpdateView() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // txtUpdate's text; lines end in CR LF.
  virtual void SetUpdateText(const std::string& text) = 0;
  virtual void AppendUpdateText(const std::string& text) = 0;
  virtual void SetDownloadEnabled(bool enabled) = 0;
  // The window's outer bounds in twips; each setter moves or sizes the window at once.
  virtual FormGeometry Geometry() const = 0;
  virtual void SetLeft(float twips) = 0;
  virtual void SetTop(float twips) = 0;
  virtual void SetWidth(float twips) = 0;
  virtual void SetHeight(float twips) = 0;
  // The window's inner (client) size in twips.
  virtual long InnerWidth() const = 0;
  virtual long InnerHeight() const = 0;
  virtual void SetUpdateTextSize(long width, long height) = 0;
  virtual void SetShapeColours(std::uint32_t shape1, std::uint32_t shape2) = 0;
  // Screen size and the main window's outer size, in twips.
  virtual long ScreenWidth() const = 0;
  virtual long ScreenHeight() const = 0;
  // The areas of all screens in twips, the desktop's panels left out. Unless told otherwise: the
  // one screen of ScreenWidth x ScreenHeight.
  virtual std::vector<FormGeometry> Screens() const {
    return {{0, 0, static_cast<float>(ScreenWidth()), static_cast<float>(ScreenHeight())}};
  }
  virtual long MainWidth() const = 0;
  virtual long MainHeight() const = 0;
  // Called while a transfer runs (bytes so far, total or 0 when unknown): the window repaints and
  // shows the progress without taking user input. TransferEnded hides the progress again.
  virtual void Transferring(std::uint64_t received, std::uint64_t total) = 0;
  virtual void TransferEnded() = 0;
  // Asks the window to close once the handler running now has returned; the close request
  // handler (frmUpdate::Form_QueryUnload) runs then as for any other close.
  virtual void RequestClose() = 0;
};

class frmUpdate {
 public:
  // operations: the main window's, which a check or download runs as.
  frmUpdate(Env& env, IUpdateView& view, WindowHandle mainWindow, Operations& operations);

  void Form_Load();
  // The window is asked to close (its close box, Escape, the desktop): true when it closes now.
  // During a check or download it does not: the request is kept, and the window is asked to close
  // again as soon as the click that runs the transfer is over.
  bool Form_QueryUnload();
  void Form_Resize();
  void Form_Unload();
  void lblCheck_Click();
  void lblDownload_Click();
  // Highlight bars.
  void lblCheck_MouseMove();
  void lblDownload_MouseMove();
  void txtUpdate_MouseMove();
  void Form_MouseMove();

  bool DownloadEnabled() const { return downloadEnabled_; }
  // Program folder + separator + the version file's name.
  std::string LocalVersionFile() const;

 private:
  void CheckForUpdate();
  void DownloadUpdate();
  // Fetches url into localPath with the view showing progress.
  DownloadResult Fetch(const std::string& url, const std::string& localPath, std::uint64_t cap);
  // Runs a click's work as one operation; a close asked for meanwhile follows its end.
  void RunClick(void (frmUpdate::*work)());
  float GeometryValue(const char* key, double fallback);
  bool Reachable(const FormGeometry& g) const;

  Env& env_;
  IUpdateView& view_;
  WindowHandle main_;
  Operations& operations_;
  bool downloadEnabled_ = false;
  bool busy_ = false;
  bool closeWaiting_ = false;  // a close was asked for during the running transfer
};

// Single-precision value as the shortest decimal text that reads back as the same value.
std::string SingleText(float v);

}  // namespace tavrel
