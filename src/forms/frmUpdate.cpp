#include "forms/frmUpdate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "app/modMain.h"
#include "core/Convert.h"
#include "settings/modSettings.h"
#include "ui/modOnTop.h"
#include "update/modTemp.h"

namespace tavrel {

namespace {
constexpr const char* kSection = "Settings";
constexpr const char* kCrLf = "\r\n";

std::string NumberText(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// Keeps the remembered caption and puts it back however the click ends.
class CaptionKeeper {
 public:
  explicit CaptionKeeper(IUpdateView& view) : view_(view), caption_(view.Caption()) {}
  ~CaptionKeeper() { view_.SetCaption(caption_); }
  CaptionKeeper(const CaptionKeeper&) = delete;
  CaptionKeeper& operator=(const CaptionKeeper&) = delete;

 private:
  IUpdateView& view_;
  std::string caption_;
};

class BusyFlag {
 public:
  explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyFlag() { flag_ = false; }
  BusyFlag(const BusyFlag&) = delete;
  BusyFlag& operator=(const BusyFlag&) = delete;

 private:
  bool& flag_;
};
}  // namespace

std::string SingleText(float v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

frmUpdate::frmUpdate(Env& env, IUpdateView& view, WindowHandle mainWindow, Operations& operations)
    : env_(env), view_(view), main_(mainWindow), operations_(operations) {}

std::string frmUpdate::LocalVersionFile() const { return env_.app.InFolder(update::kVersionFileName); }

// The stored value converted to single precision; a value that is no number or does not fit a
// single gives the default.
float frmUpdate::GeometryValue(const char* key, double fallback) {
  const std::string text = modSettings::GetSetting(env_, env_.app.title, kSection, key, NumberText(fallback));
  const auto d = convert::ToDouble(text);
  if (!d || std::fabs(*d) > std::numeric_limits<float>::max()) return static_cast<float>(fallback);
  return static_cast<float>(*d);
}

// Whether the user can reach the window: at least its smallest size, and its top edge (where the
// title bar is) on one of the screens over kMinReachable twips of its width.
bool frmUpdate::Reachable(const FormGeometry& g) const {
  if (!(g.width >= update::kMinWidth && g.height >= update::kMinHeight)) return false;
  for (const FormGeometry& s : view_.Screens()) {
    const float overlap = std::min(g.left + g.width, s.left + s.width) - std::max(g.left, s.left);
    if (g.top >= s.top && g.top <= s.top + s.height - update::kMinReachable && overlap >= update::kMinReachable)
      return true;
  }
  return false;
}

// The stored placement is not trusted: one the user could not reach (too small, a title bar off
// every screen, damaged values) gives way to the default placement, centred as if the window had
// the main window's size. The four values are applied height, width, top, left.
void frmUpdate::Form_Load() {
  modOnTop::ClearTopMost(env_, main_);
  downloadEnabled_ = false;
  view_.SetDownloadEnabled(false);
  view_.SetUpdateText("");

  const FormGeometry byDefault{static_cast<float>(view_.ScreenWidth() / 2.0 - view_.MainWidth() / 2.0),
                               static_cast<float>(view_.ScreenHeight() / 2.0 - view_.MainHeight() / 2.0),
                               static_cast<float>(update::kDefaultWidth), static_cast<float>(update::kDefaultHeight)};
  FormGeometry g{GeometryValue("XfrmUpdate", byDefault.left), GeometryValue("YfrmUpdate", byDefault.top),
                 GeometryValue("WfrmUpdate", byDefault.width), GeometryValue("HfrmUpdate", byDefault.height)};
  if (!Reachable(g)) g = byDefault;
  view_.SetHeight(g.height);
  view_.SetWidth(g.width);
  view_.SetTop(g.top);
  view_.SetLeft(g.left);
}

void frmUpdate::Form_Resize() {
  const long height = view_.InnerHeight() - update::kTextMargin;
  view_.SetUpdateTextSize(view_.InnerWidth(), height < 0 ? 0 : height);
}

// Closing in the middle of a transfer would unload the window under the click that runs it.
bool frmUpdate::Form_QueryUnload() {
  if (busy_) closeWaiting_ = true;
  return !busy_;
}

void frmUpdate::Form_Unload() {
  const FormGeometry g = view_.Geometry();
  modSettings::SaveSetting(env_, env_.app.title, kSection, "XfrmUpdate", SingleText(g.left));
  modSettings::SaveSetting(env_, env_.app.title, kSection, "YfrmUpdate", SingleText(g.top));
  modSettings::SaveSetting(env_, env_.app.title, kSection, "WfrmUpdate", SingleText(g.width));
  modSettings::SaveSetting(env_, env_.app.title, kSection, "HfrmUpdate", SingleText(g.height));

  const std::string local = LocalVersionFile();
  if (modMain::FileExists(env_, local)) {
    env_.fs.RemoveFile(local);
    modOnTop::SetTopMost(env_, main_);
  }
}

DownloadResult frmUpdate::Fetch(const std::string& url, const std::string& localPath, std::uint64_t cap) {
  DownloadResult result = env_.downloader.DownloadFile(
      url, localPath, cap,
      [this](std::uint64_t received, std::uint64_t total) { view_.Transferring(received, total); });
  view_.TransferEnded();
  return result;
}

// Each click is one operation from its first step to its last: the transfer lets window events run
// for its progress, and a monitor tick that falls due meanwhile waits until the click is over.
void frmUpdate::lblCheck_Click() {
  if (busy_) return;
  RunClick(&frmUpdate::CheckForUpdate);
}

void frmUpdate::lblDownload_Click() {
  if (busy_ || !downloadEnabled_) return;  // a disabled link takes no click
  RunClick(&frmUpdate::DownloadUpdate);
}

void frmUpdate::RunClick(void (frmUpdate::*work)()) {
  operations_.Run([this, work] { (this->*work)(); });
  if (std::exchange(closeWaiting_, false)) view_.RequestClose();
}

void frmUpdate::CheckForUpdate() {
  BusyFlag busy(busy_);
  CaptionKeeper caption(view_);
  view_.SetCaption("Connecting.... please wait...");
  const std::string source = env_.app.ServerUrl(update::kVersionFilePath);
  view_.SetCaption("File found, beginning download...");
  const std::string local = LocalVersionFile();
  view_.SetUpdateText("Source: " + source + kCrLf + "Temp: " + local + kCrLf + kCrLf);
  const std::string version = env_.app.VersionText();
  view_.SetCaption("Reading file...");

  const DownloadResult fetched = Fetch(source, local, update::kVersionFileCap);
  // A failed fetch shows nothing beyond the two report lines; a cancelled one (the program is
  // ending) neither.
  if (!fetched.Ok()) return;

  const auto text = env_.fs.ReadFile(local);
  if (!text) {
    // The transfer said it stored the file, yet it cannot be read back (removed or made
    // unreadable meanwhile): say so in the report and leave the window as it was.
    view_.AppendUpdateText("You are using version: " + version + "b" + kCrLf + kCrLf +
                           "The downloaded version file could not be read.");
    return;
  }
  if (text->find(version) != std::string::npos) {
    env_.desktop.MsgBox("No update available", mb::kInformation, env_.app.title);
  } else {
    env_.desktop.MsgBox("Update available", mb::kInformation, env_.app.title);
    downloadEnabled_ = true;
    view_.SetDownloadEnabled(true);
  }
  view_.AppendUpdateText("You are using version: " + version + "b" + kCrLf + kCrLf + *text);
}

void frmUpdate::DownloadUpdate() {
  BusyFlag busy(busy_);
  const std::string local = modTemp::LocalArchivePath(env_);
  CaptionKeeper caption(view_);
  view_.SetCaption("Downloading, please wait....");
  // Without a temporary folder of the user's own nothing is fetched: the question below
  // offers the download page instead.
  const DownloadResult fetched = local.empty()
                                     ? DownloadResult::Failed(DownloadFailure::kLocalFile, "no temporary folder")
                                     : Fetch(env_.app.ServerUrl(update::kArchivePath), local, update::kArchiveCap);
  // The program is ending: nothing is opened and nothing asked any more.
  if (fetched.failure == DownloadFailure::kCancelled) return;
  view_.SetCaption("Processing....");

  // Whatever the fetch said, an archive at the local path is opened: an older one left by an
  // earlier download included (only ever the user's own file: see FileExists).
  if (!local.empty() && modMain::FileExists(env_, local)) {
    env_.desktop.ShellOpen(local);
    return;
  }
  const int answer = env_.desktop.MsgBox(
      "An error has occured whilst downloading the update, would you like to try and download it "
      "manually instead?",
      mb::kYesNoExclamation, env_.app.title);
  if (answer == mb::kYes) env_.desktop.ShellOpen(env_.app.ServerUrl(update::kManualPage));
}

void frmUpdate::lblCheck_MouseMove() { view_.SetShapeColours(colour::kWhite, colour::kButtonFace); }
// A disabled link takes no mouse events: the move then belongs to the window's background.
void frmUpdate::lblDownload_MouseMove() {
  if (!downloadEnabled_) return Form_MouseMove();
  view_.SetShapeColours(colour::kButtonFace, colour::kWhite);
}
void frmUpdate::txtUpdate_MouseMove() { view_.SetShapeColours(colour::kButtonFace, colour::kButtonFace); }
void frmUpdate::Form_MouseMove() { view_.SetShapeColours(colour::kButtonFace, colour::kButtonFace); }

}  // namespace tavrel
