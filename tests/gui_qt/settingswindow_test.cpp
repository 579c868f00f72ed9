// The settings window on the offscreen platform, opened from the main window's settings button
// with the phonebook, the settings file and the start entry behind fakes.
#include "gui/qt/SettingsWindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "TestDesktop.h"
#include "fakes/FakeEnv.h"
#include "gui/qt/MainWindow.h"

namespace tavrel::qt {
namespace {

const QColor kGrey(0xE0, 0xE0, 0xE0);

// The settings window on screen, if one is.
SettingsWindow* Shown() {
  for (QWidget* t : QApplication::topLevelWidgets())
    if (auto* w = qobject_cast<SettingsWindow*>(t); w && w->isVisible()) return w;
  return nullptr;
}

class SettingsWindowView : public ::testing::Test {
 protected:
  SettingsWindowView() { f.phonebook.entries = {{"Work", "alice", "secret1"}, {"Home", "bob", "pw"}}; }
  ~SettingsWindowView() override {
    if (opened) opened->close();
    Settle();
  }

  SettingsWindow* Open() {
    QTest::mouseClick(main.button("imgSettings"), Qt::LeftButton);
    if (SettingsWindow* w = Shown()) opened = w;
    return opened;
  }
  void Click(const char* name) { QTest::mouseClick(opened->control(name), Qt::LeftButton); }
  static void Hover(QWidget* w) {
    const QPointF p(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
  }
  // Lets the closed window go, as the event loop would.
  static void Settle() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  int Count(const std::string& event) {
    return static_cast<int>(std::count(f.log.events.begin(), f.log.events.end(), event));
  }
  static QColor Colour(QWidget* w) { return w->palette().color(QPalette::Window); }

  fakes::FakeEnv f;
  // The fakes, with the real desktop services whose boxes and launches the test answers.
  TestDesktop desktop;
  Env env{f.env.app,   desktop, f.clock,     f.fs,      f.profile,    f.registry, f.connection,
          f.phonebook, f.tcp,   f.addresses, f.sockets, f.downloader, f.wm,       f.style};
  QtWindowManager wm;
  MainWindow main{env, wm};
  QPointer<SettingsWindow> opened;
};

TEST_F(SettingsWindowView, OpensWithThePhonebookAndTheFirstAccountMaskedAndPickingShowsAnother) {
  main.show();
  SettingsWindow* w = Open();
  ASSERT_NE(w, nullptr);
  QListWidget* list = w->entryList();
  ASSERT_EQ(list->count(), 2);
  EXPECT_TRUE(list->item(0)->isSelected());
  EXPECT_EQ(w->userBox()->text(), QStringLiteral("alice"));
  EXPECT_EQ(w->passwordBox()->displayText(), QStringLiteral("*******"));
  EXPECT_FALSE(w->autoReconnectBox()->isChecked());

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(w->userBox()->text(), QStringLiteral("bob"));
  EXPECT_EQ(w->passwordBox()->text(), QStringLiteral("pw"));
  EXPECT_EQ(Open(), w) << "a second click raises the same window, not loaded again";
  EXPECT_EQ(w->userBox()->text(), QStringLiteral("bob"));
}

TEST_F(SettingsWindowView, SaveStoresTheAccountAndTheBoxesWriteTheirKeyAndTheStartEntry) {
  SettingsWindow* w = Open();
  ASSERT_NE(w, nullptr);
  w->passwordBox()->setText(QStringLiteral("new secret"));
  Click("lblContents");
  EXPECT_EQ(desktop.boxes.size(), 1u);
  EXPECT_EQ(f.Get("Settings", "ConID"), "Work");
  EXPECT_EQ(f.Get("Settings", "PWord"), "new secret");

  w->windowsBox()->click();
  w->autoReconnectBox()->click();
  EXPECT_EQ(f.Get("Settings", "AutoRecon"), "1");
  EXPECT_EQ(f.registry.values.size(), 1u) << "the start entry";
}

TEST_F(SettingsWindowView, StoredSwitchesShowTickedWithOneWriteEach) {
  f.Save("Settings", "LoadWindows", "1");
  f.Save("Settings", "AutoRecon", "1");
  f.log.Clear();
  SettingsWindow* w = Open();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->windowsBox()->isChecked());
  EXPECT_TRUE(w->autoReconnectBox()->isChecked());
  EXPECT_EQ(Count("SetRegistryValue " + std::string(kRunKey)), 1)
      << "ticking from code runs the click handling once, not once more through the toolkit";
}

TEST_F(SettingsWindowView, ClosingRunsItsStepsOnceAndTheWindowGoes) {
  main.show();
  SettingsWindow* w = Open();
  ASSERT_NE(w, nullptr);
  Click("lblContents");
  w->close();  // the window manager's close button
  Settle();
  EXPECT_TRUE(main.timer().Enabled()) << "it runs the closing steps, which restart the monitor";

  w = Open();
  ASSERT_NE(w, nullptr);
  const std::string mainTop = "SetTopMost " + std::to_string(main.Handle());
  const int before = Count(mainTop);
  Click("Label3");
  w->close();
  Settle();
  EXPECT_EQ(Count(mainTop) - before, 1) << "two ways of closing meet: the steps run once";
  EXPECT_EQ(opened, nullptr) << "the closed window is gone";
}

TEST_F(SettingsWindowView, ViewLogsAndTheLogPictureOpenTheLogFolderAndClose) {
  ASSERT_NE(Open(), nullptr);
  Click("lblViewLogs");
  Settle();
  EXPECT_EQ(desktop.opened, (std::vector<std::string>{"/app/logs"}));
  EXPECT_EQ(opened, nullptr);
  ASSERT_NE(Open(), nullptr);
  Click("Image1");
  Settle();
  EXPECT_EQ(desktop.opened.size(), 2u);
  EXPECT_EQ(opened, nullptr);
}

// The hover wiring; the bars' rule itself is the behaviour's.
TEST_F(SettingsWindowView, TheBarsFollowTheMouse) {
  SettingsWindow* w = Open();
  ASSERT_NE(w, nullptr);
  Hover(w->control("Image1"));
  EXPECT_EQ(Colour(w->shape3()), QColor(Qt::white));
  Hover(w->frame());
  EXPECT_EQ(Colour(w->shape3()), kGrey);
}

TEST(SettingsWindowLifetime, AMainWindowThatGoesFirstTakesTheSettingsWindowQuietly) {
  fakes::FakeEnv f;
  f.Save("Settings", "ConID", "Work");
  QtWindowManager wm;
  auto main = std::make_unique<MainWindow>(f.env, wm);
  main->ShowSettings();
  QPointer<SettingsWindow> w = Shown();
  ASSERT_FALSE(w.isNull());
  main.reset();
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.isNull());
}

}  // namespace
}  // namespace tavrel::qt
