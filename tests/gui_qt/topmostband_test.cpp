#include "gui/qt/TopmostBand.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <map>

namespace tavrel::qt {
namespace {

// The program idles in its event loop for a while (QTest::qWait never lets the loop block).
void Idle(int ms = 20) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// The band on "screen" is a map here; every change made to it is counted.
struct Band : ::testing::Test {
  std::map<QWidget*, bool> onScreen;
  int changes = 0;
  TopmostBand band{[this](QWidget* w, bool on) { onScreen[w] = on, ++changes; },
                   [this](QWidget* w) { return onScreen[w]; }};
  QWidget main;
  Band() { onScreen[&main] = true; }
};

TEST_F(Band, OutAndBackInWhileEventsRunTouchesNothing) {
  for (int cycle = 0; cycle < 3; ++cycle) {
    band.Want(&main, false);
    QApplication::processEvents(QEventLoop::AllEvents, 100);  // the cycle lets events run
    QApplication::processEvents(QEventLoop::AllEvents, 100);
    band.Want(&main, true);
    Idle();  // the program waits for the next event
  }
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(band.Pending());
}

TEST_F(Band, AnotherWindowShownFindsTheMainWindowOutOfTheBand) {
  band.Want(&main, false);
  QWidget box;
  bool outWhenShown = true;
  struct Spy : QObject {
    std::function<void()> onShow;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Show) onShow();
      return false;
    }
  } spy;
  spy.onShow = [&] { outWhenShown = !onScreen[&main]; };
  box.installEventFilter(&spy);
  box.show();
  EXPECT_TRUE(outWhenShown) << "the band is changed before the other window appears";
  EXPECT_EQ(changes, 1);
  // A lasting request reaches the screen once the program waits.
  band.Want(&main, true);
  box.hide();
  EXPECT_FALSE(onScreen[&main]) << "not yet";
  Idle();
  EXPECT_TRUE(onScreen[&main]);
  EXPECT_EQ(changes, 2);
}

TEST_F(Band, AWindowThatWentAwayIsForgotten) {
  auto* other = new QWidget;
  onScreen[other] = false;
  band.Want(other, true);
  delete other;
  Idle();
  EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace tavrel::qt
