// The main window on the offscreen platform, and the settings window opened from its settings
// button, with the phonebook, the settings file and the start entry behind fakes.
#include "gui/qt/MainWindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include "TestDesktop.h"
#include "fakes/FakeEnv.h"
#include "gui/qt/SettingsWindow.h"
#include "gui/qt/Twips.h"

namespace tavrel::qt {
namespace {

// The settings window on screen, if one is.
SettingsWindow* Shown() {
  for (QWidget* t : QApplication::topLevelWidgets())
    if (auto* w = qobject_cast<SettingsWindow*>(t); w && w->isVisible()) return w;
  return nullptr;
}

class MainWindowView : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_DOUBLE_EQ(ScreenDpi(), 96.0) << "layout checks assume 96 DPI"; }

  fakes::FakeEnv f;
  TestDesktop desktop;
  Env env{f.env.app,   desktop, f.clock,     f.fs,      f.profile,    f.registry, f.connection,
          f.phonebook, f.tcp,   f.addresses, f.sockets, f.downloader, f.wm,       f.style};
  QtWindowManager wm;
  MainWindow main{env, wm};
};

// The toggle button's click reaches the behaviour, which shows the list with its rows and the
// activity view with the behaviour's text; a header click sorts by that column.
TEST_F(MainWindowView, TheToggleButtonAndTheHeaderReachTheBehaviourAndItsOutputTheScreen) {
  main.show();
  EXPECT_TRUE(main.activityView()->isVisible()) << "the activity view from the first paint on";
  EXPECT_FALSE(main.listView()->isVisible());
  main.form().Form_Load();
  EXPECT_EQ(main.activityView()->Lines(), main.form().txtConnection.Text());
  auto& list = main.form().ListView1;
  list.Add({"10.0.0.1", "9", "1.1.1.1", "1", "5", "Established"});
  list.Add({"10.0.0.1", "10", "1.1.1.1", "1", "5", "Established"});
  QTest::mouseClick(main.button("imgToggle"), Qt::LeftButton);
  EXPECT_FALSE(main.activityView()->isVisible());
  ASSERT_TRUE(main.listView()->isVisible());
  EXPECT_EQ(main.listView()->model()->rowCount(), 2);
  QApplication::processEvents();
  const int x = main.listView()->header()->sectionViewportPosition(1) + 5;
  QTest::mouseClick(main.listView()->header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  // The first click sorts descending by text: "9" before "10".
  EXPECT_EQ(main.listView()->model()->index(0, 1).data().toString(), QStringLiteral("9"));
  QTest::mouseClick(main.listView()->header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  EXPECT_EQ(main.listView()->model()->index(0, 1).data().toString(), QStringLiteral("10"));
}

TEST_F(MainWindowView, RestoringAfterAMinimiseAppliesTheResizeRule) {
  main.show();
  main.resize(500, 300);
  QApplication::processEvents();
  main.activityView()->resize(10, 10);
  main.listView()->resize(10, 10);
  main.showMinimized();
  QApplication::processEvents();
  main.showNormal();
  QApplication::processEvents();
  EXPECT_EQ(main.activityView()->width(), 500);
  EXPECT_EQ(main.activityView()->height(), Px(Tw(300) - 880));
  EXPECT_EQ(main.listView()->size(), main.activityView()->size());
}

class SettingsWindowView : public MainWindowView {
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
  // Lets the closed window go, as the event loop would.
  static void Settle() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  int Count(const std::string& event) {
    return static_cast<int>(std::count(f.log.events.begin(), f.log.events.end(), event));
  }

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

// Stored switches show ticked from code, which runs their click handling once, not once more
// through the toolkit; the user's clicks and Save reach the behaviour.
TEST_F(SettingsWindowView, StoredSwitchesShowTickedWithOneWriteEachAndClicksAndSaveAreStored) {
  f.Save("Settings", "LoadWindows", "1");
  f.Save("Settings", "AutoRecon", "1");
  f.log.Clear();
  SettingsWindow* w = Open();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->windowsBox()->isChecked());
  EXPECT_TRUE(w->autoReconnectBox()->isChecked());
  EXPECT_EQ(Count("SetRegistryValue " + std::string(kRunKey)), 1);
  w->windowsBox()->click();
  w->autoReconnectBox()->click();
  EXPECT_EQ(f.Get("Settings", "AutoRecon"), "0");
  EXPECT_TRUE(f.registry.values.empty()) << "the start entry goes";
  w->passwordBox()->setText(QStringLiteral("new secret"));
  Click("lblContents");
  EXPECT_EQ(f.Get("Settings", "PWord"), "new secret");
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
  for (const char* control : {"lblViewLogs", "Image1"}) {
    SCOPED_TRACE(control);
    desktop.opened.clear();
    ASSERT_NE(Open(), nullptr);
    Click(control);
    Settle();
    EXPECT_EQ(desktop.opened, (std::vector<std::string>{"launch /app/logs"}));
    EXPECT_EQ(opened, nullptr);
  }
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
