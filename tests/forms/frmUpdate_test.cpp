#include "forms/frmUpdate.h"

#include <gtest/gtest.h>

#include <map>

#include "fakes/FakeEnv.h"
#include "forms/FakeMainView.h"
#include "forms/FakeUpdateView.h"
#include "forms/frmMain.h"

namespace tavrel {
namespace {

using fakes::P;

constexpr WindowHandle kMain = 7;
const std::string kVersionUrl = "http://updates.test:8080/downloads/software_updates/tavrel.txt";
const std::string kArchiveUrl = "http://updates.test:8080/downloads/tavrelnoinstall.zip";
const std::string kManualUrl = "http://updates.test:8080/?mode=Products&act=DL&p=tavrel";
const std::string kLocalVersion = P("/app/tavrel.txt");
const std::string kLocalArchive = P("/tmp/tavrel_upd.zip");
const std::string kReportHead = "Source: " + kVersionUrl + "\r\nTemp: " + kLocalVersion + "\r\n\r\n";
const std::string kQuestion =
    "An error has occured whilst downloading the update, would you like to try and download it "
    "manually instead?";

class UpdateWindow : public ::testing::Test {
 protected:
  void Open() {
    form.Form_Load();
    view.captions.clear();
    fe.log.Clear();
  }
  std::string Boxes() const { return fe.desktop.Boxes(); }
  fakes::FakeEnv fe;
  fakes::FakeUpdateView view{fe.log};
  Operations operations;
  frmUpdate form{fe.env, view, kMain, operations};
};

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
  EXPECT_EQ(fe.log.events, expected);
  EXPECT_EQ(fe.IniText(), "");  // opening writes nothing
}

// The stored placement is taken as single-precision numbers unless the user could not reach the
// window there: then the whole default placement applies. The screen is 19200 x 14400 twips.
TEST_F(UpdateWindow, OpensWhereTheSettingsSayUnlessTheUserCouldNotReachItThere) {
  const FormGeometry kDefault{6465.f, 5362.5f, 6390.f, 4425.f};
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
      {"25000",
       "-2000",
       "6000",
       "5000",
       {25000.f, -2000.f, 6000.f, 5000.f},
       {{0, 0, 19200, 14400}, {19200, -3000, 19200, 14400}}},
      {"-8000", "100", "6000", "5000", kDefault, {{0, 0, 19200, 14400}, {19200, -3000, 19200, 14400}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.x) + " " + c.y + " " + c.w + " " + c.h);
    fakes::FakeEnv env;
    for (auto [k, v] : {std::pair{"XfrmUpdate", c.x}, {"YfrmUpdate", c.y}, {"WfrmUpdate", c.w}, {"HfrmUpdate", c.h}})
      env.Save("Settings", k, v);
    fakes::FakeUpdateView v{env.log};
    v.screens = c.screens;
    frmUpdate{env.env, v, kMain, operations}.Form_Load();
    EXPECT_EQ(v.geometry.left, c.want.left);
    EXPECT_EQ(v.geometry.top, c.want.top);
    EXPECT_EQ(v.geometry.width, c.want.width);
    EXPECT_EQ(v.geometry.height, c.want.height);
  }
}

TEST_F(UpdateWindow, ClosingWritesTheGeometryBackAsText) {
  Open();
  view.geometry = {5362.5f, 0.1f, 7000.f, 3000.75f};
  form.Form_Unload();
  // Written left, top, width, height.
  EXPECT_EQ(fe.IniText(),
            "[Settings]\r\nXfrmUpdate=5362.5\r\nYfrmUpdate=0.1\r\nWfrmUpdate=7000\r\n"
            "HfrmUpdate=3000.75\r\n");
}

TEST_F(UpdateWindow, ClosingDeletesTheVersionFileAndOnlyThenReturnsTheMainWindowToTheBand) {
  Open();
  form.Form_Unload();
  EXPECT_FALSE(fe.log.Has("RemoveFile " + kLocalVersion));
  EXPECT_FALSE(fe.wm.IsTopMost(kMain));  // waits for the main window's next focus

  fe.fs.files[kLocalVersion] = "1.0.1";
  fe.log.Clear();
  form.Form_Unload();
  EXPECT_EQ(fe.fs.files.count(kLocalVersion), 0u);
  const int removed = fe.log.Find("RemoveFile " + kLocalVersion);
  ASSERT_GE(removed, 0);
  EXPECT_GT(fe.log.Find("SetTopMost 7"), removed);
}

TEST_F(UpdateWindow, TextBoxFillsTheWindowBelowTheLinksAndNeverGoesNegative) {
  Open();
  view.geometry.width = 6390;
  view.geometry.height = 4425;
  form.Form_Resize();
  EXPECT_EQ(view.textSize, std::make_pair(6270L, 3520L));  // inner 6270 x 4020, less 500

  // Inner height exactly 500, too small for the text box, minimised (no inner area at all).
  for (const float h : {405.f + 500, 405.f + 120, 0.f}) {
    view.geometry.height = h;
    form.Form_Resize();
    EXPECT_EQ(view.textSize.second, 0) << h;
  }
}

// --- Check for update ------------------------------------------------------------------------

TEST_F(UpdateWindow, VersionFoundReportsNoUpdate) {
  Open();
  fe.downloader.bodies[kVersionUrl] = "1.0.1";
  form.lblCheck_Click();

  const std::vector<std::string> captions{"Connecting.... please wait...", "File found, beginning download...",
                                          "Reading file...", "Check for update"};
  EXPECT_EQ(view.captions, captions);
  EXPECT_EQ(Boxes(), "No update available|64|Tavrel\n");
  EXPECT_FALSE(view.downloadEnabled);
  EXPECT_EQ(view.text, kReportHead + "You are using version: 1.0.1b\r\n\r\n1.0.1");
  // The file is fetched into the program folder (not the temporary folder) while the caption
  // says "Reading file...", and kept until the window closes.
  EXPECT_LT(fe.log.Find("Caption Reading file..."), fe.log.Find("DownloadFile " + kVersionUrl));
  EXPECT_EQ(fe.fs.files.at(kLocalVersion), "1.0.1");
}

TEST_F(UpdateWindow, NewerVersionOnlyReportsAnUpdateAndEnablesTheDownloadForGood) {
  Open();
  fe.downloader.bodies[kVersionUrl] = "Latest: 1.0.2\r\nChanges: faster redial\r\n";
  form.lblCheck_Click();
  EXPECT_EQ(Boxes(), "Update available|64|Tavrel\n");
  EXPECT_TRUE(view.downloadEnabled);
  EXPECT_TRUE(form.DownloadEnabled());
  EXPECT_LT(fe.log.Find("MsgBox"), fe.log.Find("Download enabled"));
  EXPECT_EQ(view.text,
            kReportHead + "You are using version: 1.0.1b\r\n\r\n" + "Latest: 1.0.2\r\nChanges: faster redial\r\n");
  EXPECT_EQ(view.caption, "Check for update");
  fe.downloader.bodies[kVersionUrl] = "1.0.1";  // a later check never disables the link again
  form.lblCheck_Click();
  fe.downloader.bodies.clear();
  form.lblCheck_Click();
  EXPECT_TRUE(view.downloadEnabled);
  EXPECT_FALSE(fe.log.Has("Download disabled"));
}

TEST_F(UpdateWindow, TheVersionTextIsFoundAsAnExactCaseSensitiveSubstring) {
  Open();
  for (const char* body : {"1.0.12", "", "1.0", "1,0,1", "1. 0.1", "V1.0.2 b1.0"}) {
    fe.downloader.bodies[kVersionUrl] = body;
    fe.desktop.boxes.clear();
    form.lblCheck_Click();
    ASSERT_EQ(fe.desktop.boxes.size(), 1u) << body;
    EXPECT_EQ(fe.desktop.boxes[0].text, std::string(body) == "1.0.12" ? "No update available" : "Update available")
        << body;
  }
}

TEST_F(UpdateWindow, AFailedFetchKeepsOnlyTheTwoReportLines) {
  Open();
  view.SetCaption("Something else");
  using F = DownloadFailure;
  for (const DownloadResult& result :
       {DownloadResult::Failed(F::kNotFound, "404"), DownloadResult::Failed(F::kTimedOut, "stalled"),
        DownloadResult::Failed(F::kCancelled, "ending")}) {
    fe.downloader.failures[kVersionUrl] = result;
    form.lblCheck_Click();
    EXPECT_TRUE(fe.desktop.boxes.empty());
    EXPECT_EQ(view.text, kReportHead);
    EXPECT_EQ(view.caption, "Something else");
    EXPECT_FALSE(view.downloadEnabled);
  }
}

TEST_F(UpdateWindow, UnreadableVersionFileIsReportedInTheTextAndChangesNothingElse) {
  Open();
  fe.downloader.bodies[kVersionUrl] = "1.0.2";
  fe.fs.unreadable.insert(kLocalVersion);
  form.lblCheck_Click();
  EXPECT_TRUE(fe.desktop.boxes.empty());
  EXPECT_FALSE(view.downloadEnabled);
  EXPECT_EQ(view.text,
            kReportHead + "You are using version: 1.0.1b\r\n\r\n" + "The downloaded version file could not be read.");
  form.Form_Unload();  // the window still closes normally and removes the file
  EXPECT_EQ(fe.fs.files.count(kLocalVersion), 0u);
}

TEST_F(UpdateWindow, TransferShowsProgressAndTakesNoSecondClick) {
  Open();
  fe.downloader.bodies[kVersionUrl] = "1.0.2";
  int nested = 0;
  view.onTransfer = [&] {
    ++nested;
    form.lblCheck_Click();
    form.lblDownload_Click();
  };
  form.lblCheck_Click();
  EXPECT_EQ(nested, 1);
  EXPECT_TRUE(fe.log.Has("Transferring 5/5"));
  EXPECT_GT(fe.log.Find("TransferEnded"), fe.log.Find("Transferring 5/5"));
  EXPECT_EQ(fe.log.Count("DownloadFile " + kVersionUrl), 1);
}

// The user closes the window while a check or a download runs: it stays until the click is over,
// then asks to close once; a close without a transfer is taken at once.
TEST_F(UpdateWindow, AClosingDuringATransferWaitsForTheClicksEnd) {
  Open();
  EXPECT_TRUE(form.Form_QueryUnload());
  fe.downloader.bodies[kVersionUrl] = "1.0.2";
  fe.downloader.bodies[kArchiveUrl] = "PK";
  for (auto click : {&frmUpdate::lblCheck_Click, &frmUpdate::lblDownload_Click}) {
    fe.log.Clear();
    bool closedDuring = true;
    view.onTransfer = [&] { closedDuring = form.Form_QueryUnload(); };
    (form.*click)();
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

class DownloadStep : public UpdateWindow {
 protected:
  void SetUp() override {
    Open();
    fe.downloader.bodies[kVersionUrl] = "1.0.2";
    form.lblCheck_Click();
    ASSERT_TRUE(form.DownloadEnabled());
    fe.desktop.boxes.clear();
    view.captions.clear();
    fe.log.Clear();
  }
  const std::vector<std::string> kCaptions{"Downloading, please wait....", "Processing....", "Check for update"};
};

TEST_F(DownloadStep, FailureWithAnOlderArchiveOpensThatOneSuccessOpensTheNewOne) {
  fe.fs.files[kLocalArchive] = "PK old";
  for (const char* body : {"", "PK new"}) {
    if (*body) fe.downloader.bodies[kArchiveUrl] = body;
    form.lblDownload_Click();
    EXPECT_EQ(fe.fs.files.at(kLocalArchive), *body ? "PK new" : "PK old");
    EXPECT_EQ(fe.desktop.opened, std::vector<std::string>{kLocalArchive});
    EXPECT_TRUE(fe.desktop.boxes.empty());
    EXPECT_EQ(view.captions, kCaptions);
    EXPECT_LT(fe.log.Find("Caption Processing...."), fe.log.Find("ShellOpen " + kLocalArchive));
    fe.desktop.opened.clear(), view.captions.clear(), fe.log.Clear();
  }
}

// Clicks after a failure repeat the whole sequence; only Yes opens the download page.
TEST_F(DownloadStep, FailureWithoutAnArchiveAsksAndYesOpensTheDownloadPage) {
  const std::string before = view.text;
  for (const int answer : {mb::kNo, mb::kYes}) {
    fe.desktop.answers = {answer};
    form.lblDownload_Click();
    EXPECT_EQ(view.text, before);
    EXPECT_EQ(Boxes(), kQuestion + "|" + std::to_string(mb::kYesNoExclamation) + "|Tavrel\n");
    EXPECT_EQ(fe.desktop.opened,
              answer == mb::kYes ? std::vector<std::string>{kManualUrl} : std::vector<std::string>{});
    EXPECT_EQ(view.captions, kCaptions);
    EXPECT_TRUE(form.DownloadEnabled());
    fe.desktop.boxes.clear(), view.captions.clear();
  }
}

// A transfer cancelled because the program is ending opens nothing, not even an older archive,
// and asks nothing.
TEST_F(DownloadStep, ACancelledTransferOpensAndAsksNothing) {
  fe.fs.files[kLocalArchive] = "PK old";
  fe.downloader.failures[kArchiveUrl] = DownloadResult::Failed(DownloadFailure::kCancelled, "ending");
  const std::string before = view.text;
  form.lblDownload_Click();
  EXPECT_TRUE(fe.desktop.opened.empty());
  EXPECT_TRUE(fe.desktop.boxes.empty());
  EXPECT_EQ(view.text, before);
  EXPECT_EQ(view.caption, "Check for update");
}

// Without a temporary folder of the user's own nothing is fetched or opened: the download page
// is offered.
TEST_F(DownloadStep, NoTemporaryFolderMeansNoDownload) {
  fe.fs.tempFolder = "";
  fe.fs.lastFailure = "not a folder of your own";
  fe.desktop.answers.push_back(mb::kNo);
  form.lblDownload_Click();
  EXPECT_FALSE(fe.log.Has("DownloadFile " + kArchiveUrl));
  EXPECT_EQ(fe.desktop.boxes.size(), 1u);
  EXPECT_TRUE(fe.desktop.opened.empty());
}

// A disabled link takes no click; the caps handed to the transfer are 1 MiB for the version
// file and 512 MiB for the archive.
TEST_F(UpdateWindow, DisabledLinkTakesNoClickCapsPerFile) {
  Open();
  form.lblDownload_Click();
  EXPECT_TRUE(fe.log.events.empty());
  fe.downloader.bodies[kVersionUrl] = "1.0.2";
  form.lblCheck_Click();
  form.lblDownload_Click();
  const std::map<std::string, std::uint64_t> expected{{kVersionUrl, std::uint64_t{1} << 20},
                                                      {kArchiveUrl, std::uint64_t{512} << 20}};
  EXPECT_EQ(fe.downloader.caps, expected);
}

}  // namespace
}  // namespace tavrel
