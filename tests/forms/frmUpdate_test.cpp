#include "forms/frmUpdate.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "fakes/FakeEnv.h"
#include "forms/FakeMainView.h"
#include "forms/frmMain.h"

namespace tavrel {
namespace {

using fakes::P;
using F = DownloadFailure;

constexpr WindowHandle kMain = 7;
const std::string kVersionUrl = "http://updates.test:8080/downloads/software_updates/tavrel.txt";
const std::string kArchiveUrl = "http://updates.test:8080/downloads/tavrelnoinstall.zip";
const std::string kManualUrl = "http://updates.test:8080/?mode=Products&act=DL&p=tavrel";
const std::string kLocalVersion = P("/app/tavrel.txt");
const std::string kLocalArchive = P("/tmp/tavrel_upd.zip");
const std::string kReportHead = "Source: " + kVersionUrl + "\r\nTemp: " + kLocalVersion + "\r\n\r\n";
const std::string kUsing = "You are using version: 1.0.1b\r\n\r\n";

// The update window's view in memory: what the behaviour set, and a window with a frame.
struct FakeUpdateView : IUpdateView, fakes::Logging {
  using Logging::Logging;

  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& c) override {
    captions.push_back(caption = c);
    log_.Add("Caption " + c);
  }
  void SetUpdateText(const std::string& t) override { text = t; }
  void AppendUpdateText(const std::string& t) override { text += t; }
  void SetDownloadEnabled(bool e) override {
    downloadEnabled = e;
    log_.Add(e ? "Download enabled" : "Download disabled");
  }
  FormGeometry Geometry() const override { return geometry; }
  void SetLeft(float v) override { Set(geometry.left, "SetLeft ", v); }
  void SetTop(float v) override { Set(geometry.top, "SetTop ", v); }
  void SetWidth(float v) override { Set(geometry.width, "SetWidth ", v); }
  void SetHeight(float v) override { Set(geometry.height, "SetHeight ", v); }
  // A frame of 120 x 405 on a 1280 x 960 pixel screen, the main window 6270 x 3675.
  long InnerWidth() const override { return static_cast<long>(geometry.width) - 120; }
  long InnerHeight() const override { return static_cast<long>(geometry.height) - 405; }
  void SetUpdateTextSize(long w, long h) override { textSize = {w, h}; }
  void SetShapeColours(std::uint32_t, std::uint32_t) override {}
  long ScreenWidth() const override { return 19200; }
  long ScreenHeight() const override { return 14400; }
  std::vector<FormGeometry> Screens() const override { return screens.empty() ? IUpdateView::Screens() : screens; }
  long MainWidth() const override { return 6270; }
  long MainHeight() const override { return 3675; }
  void Transferring(std::uint64_t received, std::uint64_t total) override {
    log_.Add("Transferring " + std::to_string(received) + "/" + std::to_string(total));
    if (onTransfer) onTransfer();
  }
  void TransferEnded() override { log_.Add("TransferEnded"); }
  void RequestClose() override { log_.Add("RequestClose"); }

  std::string caption = "Check for update", text;
  std::vector<std::string> captions;
  bool downloadEnabled = true;  // the behaviour must disable it itself
  FormGeometry geometry;
  std::pair<long, long> textSize{-1, -1};
  std::function<void()> onTransfer;
  std::vector<FormGeometry> screens;  // empty: the one screen

 private:
  void Set(float& field, const char* event, float v) {
    field = v;
    log_.Add(event + SingleText(v));
  }
};

// An update window over a fake environment.
struct UpdateRig {
  void Open() {
    form.Form_Load();
    view.captions.clear();
    fe.log.Clear();
  }
  // A check that finds body in the version file on the server.
  void Check(const std::string& body) {
    fe.downloader.bodies[kVersionUrl] = body;
    form.lblCheck_Click();
  }
  fakes::FakeEnv fe;
  FakeUpdateView view{fe.log};
  Operations operations;
  frmUpdate form{fe.env, view, kMain, operations};
};

class UpdateWindow : public ::testing::Test, protected UpdateRig {};

// --- Opening and closing -------------------------------------------------------------------

TEST_F(UpdateWindow, OpensOutOfTheBandWithDefaultsCentredOnTheMainWindowsSize) {
  fe.wm.topmost[kMain] = true;
  form.Form_Load();
  EXPECT_FALSE(fe.wm.IsTopMost(kMain));
  EXPECT_FALSE(view.downloadEnabled);
  EXPECT_EQ(view.text, "");
  // No settings file: 4425 high, 6390 wide, placed as if it had the main window's size
  // ((14400 - 3675) / 2 and (19200 - 6270) / 2), applied height, width, top, left.
  const std::vector<std::string> expected{"ClearTopMost 7", "Download disabled", "SetHeight 4425",
                                          "SetWidth 6390",  "SetTop 5362.5",     "SetLeft 6465"};
  form.lblDownload_Click();  // a disabled link takes no click
  EXPECT_EQ(fe.log.events, expected);
  EXPECT_EQ(fe.IniText(), "");  // opening writes nothing
}

// The stored placement is taken as single-precision numbers unless the user could not reach the
// window there: then the whole default placement applies. The screen is 19200 x 14400 twips.
TEST_F(UpdateWindow, OpensWhereTheSettingsSayUnlessTheUserCouldNotReachItThere) {
  const FormGeometry kDefault{6465.f, 5362.5f, 6390.f, 4425.f};
  const std::vector<FormGeometry> kTwoScreens{{0, 0, 19200, 14400}, {19200, -3000, 19200, 14400}};
  const struct {
    const char *x, *y, *w, *h;
    FormGeometry want;  // left, top, width, height
    std::vector<FormGeometry> screens{};
  } cases[] = {
      {"100.25", "300", "4500", " 2400 ", {100.25f, 300.f, 4500.f, 2400.f}},  // the smallest size
      {"left", "1e39", "0", "-4425", kDefault},                               // damaged
      {"100", "300", "4499.9", "5000", kDefault},                             // too narrow
      {"100", "300", "6000", "15", kDefault},                                 // too low
      // The top edge must lie on the screen over 600 twips of the window's width.
      {"-5400", "0", "6000", "5000", {-5400.f, 0.f, 6000.f, 5000.f}},
      {"-5401", "0", "6000", "5000", kDefault},
      {"18600", "13800", "6000", "5000", {18600.f, 13800.f, 6000.f, 5000.f}},
      {"18601", "100", "6000", "5000", kDefault},
      {"100", "13801", "6000", "5000", kDefault},
      {"100", "-1", "6000", "5000", kDefault},
      // On a second screen to the right of the first; left of the first one there is none.
      {"25000", "-2000", "6000", "5000", {25000.f, -2000.f, 6000.f, 5000.f}, kTwoScreens},
      {"-8000", "100", "6000", "5000", kDefault, kTwoScreens},
  };
  const auto values = [](const FormGeometry& g) { return std::tuple{g.left, g.top, g.width, g.height}; };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.x) + " " + c.y + " " + c.w + " " + c.h);
    UpdateRig t;
    for (auto [k, v] : {std::pair{"XfrmUpdate", c.x}, {"YfrmUpdate", c.y}, {"WfrmUpdate", c.w}, {"HfrmUpdate", c.h}})
      t.fe.Save("Settings", k, v);
    t.view.screens = c.screens;
    t.form.Form_Load();
    EXPECT_EQ(values(t.view.geometry), values(c.want));
  }
}

// Closing writes the geometry back as text, left, top, width, height; a version file left by a
// check is deleted, and only then is the main window put back into the band.
TEST_F(UpdateWindow, ClosingWritesTheGeometryThenDeletesTheVersionFileAndReturnsTheBand) {
  Open();
  form.Form_Unload();
  EXPECT_FALSE(fe.log.Has("RemoveFile " + kLocalVersion));
  EXPECT_FALSE(fe.wm.IsTopMost(kMain));  // without a version file: at the main window's next focus

  fe.fs.files[kLocalVersion] = "1.0.1";
  view.geometry = {5362.5f, 0.1f, 7000.f, 3000.75f};
  form.Form_Unload();
  EXPECT_EQ(fe.IniText(),
            "[Settings]\r\nXfrmUpdate=5362.5\r\nYfrmUpdate=0.1\r\nWfrmUpdate=7000\r\n"
            "HfrmUpdate=3000.75\r\n");
  EXPECT_EQ(fe.fs.files.count(kLocalVersion), 0u);
  EXPECT_GT(fe.log.Find("SetTopMost 7"), fe.log.Find("RemoveFile " + kLocalVersion));
}

// --- Check for update ------------------------------------------------------------------------

// The version is found as an exact, case-sensitive part of the file; the report shows the file
// below its two head lines.
TEST_F(UpdateWindow, ACheckSaysWhetherTheVersionFileNamesThisVersion) {
  for (const auto& [body, current] :
       std::vector<std::pair<std::string, bool>>{{"1.0.1", true},
                                                 {"1.0.12", true},
                                                 {"Latest: 1.0.2\r\nChanges: faster redial\r\n", false},
                                                 {"", false},
                                                 {"1.0", false},
                                                 {"1,0,1", false},
                                                 {"1. 0.1", false},
                                                 {"V1.0.2 b1.0", false}}) {
    SCOPED_TRACE(body);
    UpdateRig t;
    t.Open();
    t.Check(body);
    EXPECT_EQ(t.fe.desktop.Boxes(), current ? "No update available|64|Tavrel\n" : "Update available|64|Tavrel\n");
    EXPECT_EQ(t.view.downloadEnabled, !current);
    EXPECT_EQ(t.view.text, kReportHead + kUsing + body);
    EXPECT_EQ(t.fe.downloader.caps.at(kVersionUrl), 1u << 20);  // 1 MiB
  }
}

// A fetch that fails, or a file that cannot be read back, shows no box, leaves the download
// disabled and the caption as it was.
TEST_F(UpdateWindow, AFailedCheckShowsOnlyItsReport) {
  const struct {
    F failure;
    bool unreadable;
    std::string report;  // after the two head lines
  } cases[] = {{F::kNotFound, false, ""},
               {F::kCancelled, false, ""},
               {F::kNone, true, kUsing + "The downloaded version file could not be read."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.report);
    UpdateRig t;
    t.Open();
    t.view.SetCaption("Something else");
    if (c.failure != F::kNone) t.fe.downloader.failures[kVersionUrl] = DownloadResult::Failed(c.failure, "");
    if (c.unreadable) t.fe.fs.unreadable.insert(kLocalVersion);
    t.Check("1.0.2");
    EXPECT_TRUE(t.fe.desktop.boxes.empty());
    EXPECT_EQ(t.view.text, kReportHead + c.report);
    EXPECT_EQ(t.view.caption, "Something else");
    EXPECT_FALSE(t.view.downloadEnabled);
  }
}

// The file is fetched into the program folder (not the temporary folder) and kept until the window
// closes. Once a check found an update, no later check disables the download again.
TEST_F(UpdateWindow, ACheckKeepsTheFileAndAnUpdateEnablesTheDownloadForGood) {
  Open();
  Check("1.0.2");
  EXPECT_EQ(fe.fs.files.at(kLocalVersion), "1.0.2");
  Check("1.0.1");
  fe.downloader.bodies.clear();
  form.lblCheck_Click();
  EXPECT_TRUE(view.downloadEnabled);
  EXPECT_FALSE(fe.log.Has("Download disabled"));
}

// While a check or a download transfers, the window shows the progress and takes no second click.
// The user closing the window meanwhile: it stays until the click is over, then asks to close once;
// a close without a transfer is taken at once.
TEST_F(UpdateWindow, ATransferTakesNoSecondClickAndAClosingWaitsForTheClicksEnd) {
  Open();
  EXPECT_TRUE(form.Form_QueryUnload());
  fe.downloader.bodies[kVersionUrl] = "1.0.2";
  fe.downloader.bodies[kArchiveUrl] = "PK 02";
  for (auto click : {&frmUpdate::lblCheck_Click, &frmUpdate::lblDownload_Click}) {
    fe.log.Clear();
    bool closedDuring = true;
    view.onTransfer = [&] {
      form.lblCheck_Click();
      form.lblDownload_Click();
      closedDuring = form.Form_QueryUnload();
    };
    (form.*click)();
    EXPECT_EQ(fe.log.Count("DownloadFile " + kVersionUrl) + fe.log.Count("DownloadFile " + kArchiveUrl), 1);
    EXPECT_LT(fe.log.Find("Transferring 5/5"), fe.log.Find("TransferEnded"));
    EXPECT_FALSE(closedDuring);
    EXPECT_EQ(fe.log.events.back(), "RequestClose") << "after the click's last step";
    EXPECT_EQ(fe.log.Count("RequestClose"), 1);
    EXPECT_TRUE(form.Form_QueryUnload());
  }
  fe.log.Clear();
  view.onTransfer = nullptr;
  form.lblCheck_Click();
  EXPECT_FALSE(fe.log.Has("RequestClose")) << "asked for only while a transfer ran";
}

// The monitor's timer fires while a transfer repaints the window and while the report box is
// open: the tick waits until the click's last step and then runs once; one that waited while the
// monitor was stopped (the program closing) does not run at all.
TEST_F(UpdateWindow, MonitorTicksThatFallDueDuringAClickWaitForItsEnd) {
  fakes::FakeMainView mainView{fe.log};
  fakes::FakeTimer timer{fe.log};
  frmMain main{fe.env, mainView, timer};
  frmUpdate update{fe.env, view, kMain, main.operations()};  // the main window's operations
  const auto cycles = [&] { return fe.log.Count("InternetGetConnectedState"); };
  Open();
  fe.downloader.bodies[kVersionUrl] = "1.0.2";
  view.onTransfer = [&] {
    main.tmrConnect_Timer();
    main.tmrConnect_Timer();
  };
  fe.desktop.onBox = [&] { main.tmrConnect_Timer(); };
  update.lblCheck_Click();
  EXPECT_EQ(cycles(), 1);
  EXPECT_GT(fe.log.Find("InternetGetConnectedState"), fe.log.Find("Caption Check for update"));

  fe.log.Clear();
  fe.downloader.bodies[kArchiveUrl] = "PK";
  view.onTransfer = [&] {
    main.tmrConnect_Timer();
    timer.SetEnabled(false);
  };
  update.lblDownload_Click();
  EXPECT_TRUE(fe.log.Has("ShellOpen " + kLocalArchive));
  EXPECT_EQ(cycles(), 0);
}

// --- Download Update ----------------------------------------------------------------------

// After a check that found an update: an archive at the local path is opened whatever the
// transfer said, an older one included; without one the user is asked, and only Yes opens the
// download page. A transfer cancelled because the program is ending opens and asks nothing;
// without a temporary folder of the user's own nothing is fetched.
TEST_F(UpdateWindow, ADownloadOpensTheArchiveItHasOrOffersTheDownloadPage) {
  const std::string kAsked =
      "An error has occured whilst downloading the update, would you like to try and download it manually "
      "instead?|" +
      std::to_string(mb::kYesNoExclamation) + "|Tavrel\n";
  const struct {
    const char* name;
    const char* oldArchive;  // at the local path before the click
    const char* body;        // the archive on the server
    F failure;               // how the transfer fails
    int answer;
    std::vector<std::string> opened;
    std::string boxes;
  } cases[] = {
      {"downloaded", nullptr, "PK new", F::kNone, mb::kNo, {kLocalArchive}, ""},
      {"failed, an older archive", "PK old", nullptr, F::kNone, mb::kNo, {kLocalArchive}, ""},
      {"failed, No", nullptr, nullptr, F::kNone, mb::kNo, {}, kAsked},
      {"failed, Yes", nullptr, nullptr, F::kNone, mb::kYes, {kManualUrl}, kAsked},
      {"cancelled", "PK old", "PK new", F::kCancelled, mb::kYes, {}, ""},
      {"no temporary folder", "PK old", "PK new", F::kLocalFile, mb::kNo, {}, kAsked},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UpdateRig t;
    t.Open();
    t.Check("1.0.2");
    t.fe.desktop.boxes.clear(), t.view.captions.clear(), t.fe.log.Clear();
    if (c.oldArchive) t.fe.fs.files[kLocalArchive] = c.oldArchive;
    if (c.body) t.fe.downloader.bodies[kArchiveUrl] = c.body;
    if (c.failure == F::kCancelled) t.fe.downloader.failures[kArchiveUrl] = DownloadResult::Failed(c.failure, "");
    if (c.failure == F::kLocalFile) t.fe.fs.tempFolder = "";
    t.fe.desktop.answers = {c.answer};
    t.form.lblDownload_Click();
    EXPECT_EQ(t.fe.desktop.opened, c.opened);
    EXPECT_EQ(t.fe.desktop.Boxes(), c.boxes);
    EXPECT_EQ(t.fe.downloader.caps.count(kArchiveUrl), c.failure == F::kLocalFile ? 0u : 1u);
    if (c.failure != F::kLocalFile) { EXPECT_EQ(t.fe.downloader.caps.at(kArchiveUrl), 512u << 20); }  // 512 MiB
    std::vector<std::string> captions{"Downloading, please wait....", "Processing....", "Check for update"};
    if (c.failure == F::kCancelled) captions.erase(captions.begin() + 1);
    EXPECT_EQ(t.view.captions, captions);
  }
}

}  // namespace
}  // namespace tavrel
