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
  void SetUp() override { ASSERT_DOUBLE_EQ(ScreenDpi(), 96.0) << "layout checks assume 96 DPI"; }
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
  const std::string local = web.scratch / "app/tavrel.txt";
  EXPECT_EQ(w->txtUpdate()->toPlainText().toStdString(),
            "Source: " + web.server.Url(versionPath) + "\nTemp: " + local +
                "\n\nYou are using version: 1.0.1b\n\nTavrel 1.0.2 is out\n");
}

TEST_F(UpdateWindowView, DownloadFetchesTheArchiveIntoTheTemporaryFolderAndOpensIt) {
  web.replies[versionPath] = testhttp::Body("1.0.2");
  web.replies["/downloads/tavrelnoinstall.zip"] = testhttp::Body("PK\x03\x04 archive");
  UpdateWindow* w = OpenWindow();
  QTest::mouseClick(w->lblCheck(), Qt::LeftButton);
  ASSERT_TRUE(w->lblDownload()->isEnabled());
  QTest::mouseClick(w->lblDownload(), Qt::LeftButton);
  const fs::path archive = web.scratch / "tmp/tavrel_upd.zip";
  EXPECT_EQ(desktop.opened, std::vector<std::string>{"open " + archive.string()});
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
  EXPECT_FALSE(fs::exists(web.scratch / "app/tavrel.txt"));
}

}  // namespace
}  // namespace tavrel::qt
