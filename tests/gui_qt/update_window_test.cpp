#include "gui/qt/UpdateWindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>

#include "TestDesktop.h"
#include "fakes/FakeEnv.h"
#include "gui/qt/Twips.h"
#include "platform/linux/CurlDownloader.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/StopRequest.h"
#include "platform_linux/download_server.h"
#include "settings/ProfileFile.h"
#include "settings/modSettings.h"

namespace tavrel::qt {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The window on the real file system, settings store and downloader, against a server on
// 127.0.0.1; only the services it does not use come from the fakes.
class UpdateWindowView : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_DOUBLE_EQ(ScreenDpi(), 96.0) << "layout checks assume 96 DPI";
    for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) ::unsetenv(v);
    char tmpl[] = "/tmp/tavrel-updatewin-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    scratch = tmpl;
    fs::create_directory(scratch / "app");
    fs::create_directory(scratch / "tmp");
    ::setenv("TMPDIR", (scratch / "tmp").c_str(), 1);

    AppInfo app;
    app.folder = (scratch / "app").string();
    app.exeName = "tavrel";
    app.server = "127.0.0.1:" + std::to_string(server.Port());
    env = std::make_unique<Env>(Env{app, desktop, f.clock, files, profile, f.registry, f.connection, f.phonebook, f.tcp,
                                    f.addresses, f.sockets, downloader, wm, f.style});

    desktop.answerBoxes = [this](const std::string& text, int code, const std::string& caption) {
      boxes.push_back({text, code, caption});
      return mb::kOk;
    };
    desktop.interceptOpen = [this](const std::string&, const std::string& target) {
      opened.push_back(target);
      return true;
    };
    mainWindow.resize(Px(6270), Px(3675));
    mainHandle = wm.Register(&mainWindow);
    wm.SetTopMost(mainHandle);
    updates = std::make_unique<UpdateWindowOpener>(*env, wm, mainHandle, operations);
  }

  void TearDown() override {
    look.stop();  // a step that never ran refers to the test's own variables
    LetGo();
    if (UpdateWindow* w = updates->Current()) w->close();
    Settle();
    ::unsetenv("TMPDIR");
    std::error_code ec;
    fs::remove_all(scratch, ec);
  }

  UpdateWindow* OpenWindow() {
    UpdateWindow* w = updates->Open();
    QApplication::processEvents();
    return w;
  }
  std::string Setting(const std::string& key) {
    return modSettings::GetSetting(*env, "Tavrel", "Settings", key, "(none)");
  }
  static void Settle() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Runs the event loop's timers until the transfer in progress lets them: once the server has
  // received `requests` requests, step() runs (the server meanwhile holds back a held answer).
  void OnceTheServerHas(std::size_t requests, const std::function<void()>& step) {
    QObject::connect(&look, &QTimer::timeout, [this, requests, step] {
      if (server.Requests().size() < requests || !look.isActive()) return;
      look.stop();
      step();
    });
    look.start(10);
  }
  void LetGo() {
    if (letGoSeen.wait_for(0s) != std::future_status::ready) letGo.set_value();
  }

  // What the server answers, by path; anything else is 404. The answer to heldPath waits until
  // the test lets it go.
  std::map<std::string, testhttp::Reply> replies;
  std::string heldPath;
  std::promise<void> letGo;
  std::shared_future<void> letGoSeen = letGo.get_future().share();
  QTimer look;
  testhttp::Server server{[this](const testhttp::Request& r) {
    if (r.target == heldPath) letGoSeen.wait_for(30s);
    const auto it = replies.find(r.target);
    return it == replies.end() ? testhttp::Status(404) : it->second;
  }};

  fakes::FakeEnv f;
  LinuxFileSystem files;
  ProfileFile profile{files};
  TestDesktop desktop;
  CurlDownloader downloader;
  QtWindowManager wm;
  std::unique_ptr<Env> env;
  QWidget mainWindow;
  WindowHandle mainHandle = 0;
  Operations operations;
  std::unique_ptr<UpdateWindowOpener> updates;
  fs::path scratch;
  std::vector<fakes::Box> boxes;
  std::vector<std::string> opened;
  const std::string versionPath = "/downloads/software_updates/tavrel.txt";
};

// The stored geometry is the outer one, frame included: the window opens where the settings
// say, and reopens where it was closed without growing by the frame.
TEST_F(UpdateWindowView, OpensAndClosesWhereTheSettingsSay) {
  for (const auto& [key, value] :
       {std::pair{"XfrmUpdate", "1500"}, {"YfrmUpdate", "1200"}, {"WfrmUpdate", "7200"}, {"HfrmUpdate", "4800"}})
    modSettings::SaveSetting(*env, "Tavrel", "Settings", key, value);
  UpdateWindow* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->frameGeometry(), QRect(100, 80, 480, 320));
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Check for update"));
  // The text box fills the inner area below the links (the frame is not part of it).
  EXPECT_EQ(w->txtUpdate()->geometry(), QRect(0, 32, w->width(), Px(Tw(w->height()) - 500)));
  w->resize(200, 20);
  QApplication::processEvents();
  EXPECT_EQ(w->size(), QSize(300, 160)) << "never smaller than the smallest placement kept";

  w->move(200, 100);
  w->resize(500, 300);
  QApplication::processEvents();
  const QRect outer = w->frameGeometry();
  w->close();
  Settle();
  EXPECT_EQ(updates->Current(), nullptr);
  const std::vector<std::string> stored = {Setting("XfrmUpdate"), Setting("YfrmUpdate"), Setting("WfrmUpdate"),
                                           Setting("HfrmUpdate")};
  EXPECT_EQ(stored, (std::vector<std::string>{std::to_string(Tw(outer.x())), std::to_string(Tw(outer.y())),
                                              std::to_string(Tw(outer.width())), std::to_string(Tw(outer.height()))}));

  w = OpenWindow();
  EXPECT_EQ(w->frameGeometry(), outer) << "reopened where it was closed";
}

TEST_F(UpdateWindowView, CheckAgainstTheServerReportsRepaintsAndRestoresTheCaption) {
  replies[versionPath] = testhttp::Body("Tavrel 1.0.2 is out\r\n");
  heldPath = versionPath;
  UpdateWindow* w = OpenWindow();

  // Timers still run during the transfer: while the server holds its answer, the window is
  // painted and shows its progress.
  QString captionDuring;
  bool progressDuring = false;
  OnceTheServerHas(1, [&] {
    captionDuring = w->windowTitle();
    progressDuring = w->progress()->isVisible();
    LetGo();
  });
  QTest::mouseClick(w->lblCheck(), Qt::LeftButton);

  EXPECT_EQ(captionDuring, QStringLiteral("Reading file..."));
  EXPECT_TRUE(progressDuring);
  EXPECT_FALSE(w->progress()->isVisible());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Check for update"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Update available");
  EXPECT_EQ(boxes[0].code, mb::kInformation);
  EXPECT_TRUE(w->lblDownload()->isEnabled());
  const std::string local = (scratch / "app" / "tavrel.txt").string();
  EXPECT_EQ(w->txtUpdate()->toPlainText().toStdString(),
            "Source: " + server.Url(versionPath) + "\nTemp: " + local +
                "\n\nYou are using version: 1.0.1b\n\nTavrel 1.0.2 is out\n");
}

// Also the hover wiring: a disabled link passes the mouse to the window's background.
TEST_F(UpdateWindowView, DownloadFetchesTheArchiveIntoTheTemporaryFolderAndOpensIt) {
  replies[versionPath] = testhttp::Body("1.0.2");
  replies["/downloads/tavrelnoinstall.zip"] = testhttp::Body("PK\x03\x04 archive");
  UpdateWindow* w = OpenWindow();
  const QColor face = w->palette().color(QPalette::Button);
  auto colours = [&] {
    return std::make_pair(w->shape1()->palette().color(QPalette::Window),
                          w->shape2()->palette().color(QPalette::Window));
  };
  QTest::mouseMove(w->lblCheck());
  EXPECT_EQ(colours(), std::make_pair(QColor(Qt::white), face));
  QTest::mouseMove(w->lblDownload());
  EXPECT_EQ(colours(), std::make_pair(face, face));
  QTest::mouseClick(w->lblCheck(), Qt::LeftButton);
  ASSERT_TRUE(w->lblDownload()->isEnabled());
  QTest::mouseMove(w->lblCheck());  // the mouse has to come to the link anew
  QTest::mouseMove(w->lblDownload());
  EXPECT_EQ(colours(), std::make_pair(face, QColor(Qt::white)));

  QTest::mouseClick(w->lblDownload(), Qt::LeftButton);
  const fs::path archive = scratch / "tmp" / "tavrel_upd.zip";
  EXPECT_EQ(opened, std::vector<std::string>{archive.string()});
  std::ifstream in(archive, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "PK\x03\x04 archive");
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Check for update"));
}

TEST_F(UpdateWindowView, OneWindowAtATimeAndAClosingDuringATransferWaitsForIt) {
  testhttp::Reply reply = testhttp::Body("1.0.1");
  reply.delay = 400ms;
  replies[versionPath] = reply;
  UpdateWindow* w = OpenWindow();
  EXPECT_EQ(updates->Open(), w);

  bool closedDuring = true;
  QTimer::singleShot(150, w, [&] { closedDuring = w->close(); });
  QTest::mouseClick(w->lblCheck(), Qt::LeftButton);
  EXPECT_FALSE(closedDuring);
  ASSERT_EQ(boxes.size(), 1u);  // the check ran to its end
  Settle();
  EXPECT_EQ(updates->Current(), nullptr);
  EXPECT_FALSE(fs::exists(scratch / "app" / "tavrel.txt"));
  EXPECT_NE(Setting("HfrmUpdate"), "(none)");
}

// A signal during a slow download: the transfer ends at once, and nothing is opened afterwards,
// not even the archive an earlier download left, nor is anything asked.
TEST_F(UpdateWindowView, AStopDuringADownloadCancelsItAndOpensNothing) {
  replies[versionPath] = testhttp::Body("1.0.2");
  testhttp::Reply slow = testhttp::Body(std::string(100000, 'z'));
  slow.chunkSize = 100;
  slow.chunkPause = 100ms;
  replies["/downloads/tavrelnoinstall.zip"] = slow;
  const fs::path archive = scratch / "tmp" / "tavrel_upd.zip";
  std::ofstream(archive) << "PK older";
  UpdateWindow* w = OpenWindow();
  QTest::mouseClick(w->lblCheck(), Qt::LeftButton);
  ASSERT_TRUE(w->lblDownload()->isEnabled());
  boxes.clear();
  std::chrono::steady_clock::time_point stopped;
  OnceTheServerHas(2, [&] {  // the archive's transfer has begun
    stopped = std::chrono::steady_clock::now();
    linux_platform::RequestStop();
  });
  QTest::mouseClick(w->lblDownload(), Qt::LeftButton);
  const auto took = std::chrono::steady_clock::now() - stopped;
  linux_platform::ClearStopRequest();
  EXPECT_LT(took, 2s);
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(boxes.empty());
  std::ifstream in(archive, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "PK older");
}

}  // namespace
}  // namespace tavrel::qt
