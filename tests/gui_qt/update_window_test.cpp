#include "gui/qt/UpdateWindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <iterator>

#include "TestDesktop.h"
#include "UpdateServer.h"
#include "gui/qt/Twips.h"
#include "platform/linux/StopRequest.h"

namespace tavrel::qt {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The window against a server on 127.0.0.1, on the real file system, settings store and
// downloader; where it opens and what it stores is seen on the real desktop.
class UpdateWindowView : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_DOUBLE_EQ(ScreenDpi(), 96.0) << "layout checks assume 96 DPI";
    mainWindow.resize(Px(6270), Px(3675));
    wm.SetTopMost(mainHandle);
  }
  void TearDown() override {
    look.stop();  // a step that never ran refers to the test's own variables
    web.LetGo();
    if (UpdateWindow* w = updates.Current()) w->close();
    Settle();
  }

  UpdateWindow* OpenWindow() {
    UpdateWindow* w = updates.Open();
    QApplication::processEvents();
    return w;
  }
  static void Settle() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // Runs the event loop's timers until the transfer in progress lets them: once the server has
  // received `requests` requests, step() runs (the server meanwhile holds back a held answer).
  void OnceTheServerHas(std::size_t requests, const std::function<void()>& step) {
    QObject::connect(&look, &QTimer::timeout, [this, requests, step] {
      if (web.server.Requests().size() < requests || !look.isActive()) return;
      look.stop();
      step();
    });
    look.start(10);
  }

  QTimer look;
  UpdateServer web;
  fakes::FakeEnv f;
  TestDesktop desktop;
  QtWindowManager wm;
  std::unique_ptr<Env> env = web.MakeEnv(f, desktop, wm, f.style);
  QWidget mainWindow;
  WindowHandle mainHandle = wm.Register(&mainWindow);
  Operations operations;
  UpdateWindowOpener updates{*env, wm, mainHandle, operations};
  const std::string versionPath = UpdateServer::kVersionPath;
};

TEST_F(UpdateWindowView, CheckAgainstTheServerReportsRepaintsAndRestoresTheCaption) {
  web.replies[versionPath] = testhttp::Body("Tavrel 1.0.2 is out\r\n");
  web.heldPath = versionPath;
  UpdateWindow* w = OpenWindow();
  // The text box fills the inner area below the links, whatever the window's size.
  w->resize(500, 300);
  QApplication::processEvents();
  EXPECT_EQ(w->txtUpdate()->geometry(), QRect(0, 32, 500, Px(Tw(300) - 500)));

  // Timers still run during the transfer: while the server holds its answer, the window is
  // painted and shows its progress.
  QString captionDuring;
  bool progressDuring = false;
  OnceTheServerHas(1, [&] {
    captionDuring = w->windowTitle();
    progressDuring = w->progress()->isVisible();
    web.LetGo();
  });
  QTest::mouseClick(w->lblCheck(), Qt::LeftButton);

  EXPECT_EQ(captionDuring, QStringLiteral("Reading file..."));
  EXPECT_TRUE(progressDuring);
  EXPECT_FALSE(w->progress()->isVisible());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Check for update"));
  ASSERT_EQ(desktop.boxes.size(), 1u);
  EXPECT_EQ(desktop.boxes[0].text, "Update available");
  EXPECT_TRUE(w->lblDownload()->isEnabled());
  const std::string local = (web.scratch / "app" / "tavrel.txt").string();
  EXPECT_EQ(w->txtUpdate()->toPlainText().toStdString(),
            "Source: " + web.server.Url(versionPath) + "\nTemp: " + local +
                "\n\nYou are using version: 1.0.1b\n\nTavrel 1.0.2 is out\n");
}

// Also the hover wiring: a disabled link passes the mouse to the window's background.
TEST_F(UpdateWindowView, DownloadFetchesTheArchiveIntoTheTemporaryFolderAndOpensIt) {
  web.replies[versionPath] = testhttp::Body("1.0.2");
  web.replies["/downloads/tavrelnoinstall.zip"] = testhttp::Body("PK\x03\x04 archive");
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
  const fs::path archive = web.scratch / "tmp" / "tavrel_upd.zip";
  EXPECT_EQ(desktop.opened, std::vector<std::string>{archive.string()});
  EXPECT_EQ(Contents(archive), "PK\x03\x04 archive");
}

TEST_F(UpdateWindowView, OneWindowAtATimeAndAClosingDuringATransferWaitsForIt) {
  web.replies[versionPath] = testhttp::Body("1.0.1");
  web.heldPath = versionPath;
  UpdateWindow* w = OpenWindow();
  EXPECT_EQ(updates.Open(), w);

  bool closedDuring = true;
  OnceTheServerHas(1, [&] {
    closedDuring = w->close();
    web.LetGo();
  });
  QTest::mouseClick(w->lblCheck(), Qt::LeftButton);
  EXPECT_FALSE(closedDuring);
  ASSERT_EQ(desktop.boxes.size(), 1u);  // the check ran to its end
  Settle();
  EXPECT_EQ(updates.Current(), nullptr);
  EXPECT_FALSE(fs::exists(web.scratch / "app" / "tavrel.txt"));
}

// A signal during a slow download (100 s in all): the transfer ends at once, and nothing is
// opened afterwards, not even the archive an earlier download left, nor is anything asked.
TEST_F(UpdateWindowView, AStopDuringADownloadCancelsItAndOpensNothing) {
  web.replies[versionPath] = testhttp::Body("1.0.2");
  testhttp::Reply slow = testhttp::Body(std::string(100000, 'z'));
  slow.chunkSize = 100;
  slow.chunkPause = 100ms;
  web.replies["/downloads/tavrelnoinstall.zip"] = slow;
  const fs::path archive = web.scratch / "tmp" / "tavrel_upd.zip";
  std::ofstream(archive) << "PK older";
  UpdateWindow* w = OpenWindow();
  QTest::mouseClick(w->lblCheck(), Qt::LeftButton);
  ASSERT_TRUE(w->lblDownload()->isEnabled());
  desktop.boxes.clear();
  std::chrono::steady_clock::time_point stopped;
  OnceTheServerHas(2, [&] {  // the archive's transfer has begun
    stopped = std::chrono::steady_clock::now();
    linux_platform::RequestStop();
  });
  QTest::mouseClick(w->lblDownload(), Qt::LeftButton);
  const auto took = std::chrono::steady_clock::now() - stopped;
  linux_platform::ClearStopRequest();
  EXPECT_LT(took, 20s);
  EXPECT_TRUE(desktop.opened.empty());
  EXPECT_TRUE(desktop.boxes.empty());
  EXPECT_EQ(Contents(archive), "PK older");
}

}  // namespace
}  // namespace tavrel::qt
