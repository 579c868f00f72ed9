// The form border controller on real Qt widgets (offscreen platform), with the calls the main
// window makes when it loads.
#include <gtest/gtest.h>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "gui/qt/QtWindowManager.h"
#include "gui/qt/QtWindowStyle.h"
#include "ui/CFormBorder.h"

namespace tavrel::qt {
namespace {

TEST(QtBorder, TheMainWindowsCallsGiveAFramelessShownWindowWithATaskbarEntry) {
  QtWindowManager wm;
  QtWindowStyle style{wm};
  CFormBorder fb{style, wm};
  QWidget w;
  w.setWindowFlags(Qt::Window);
  w.resize(300, 200);
  fb.Client(FormKind::kOrdinary, wm.Register(&w));
  fb.ShowInTaskbar(true);
  fb.Titlebar(false);
  EXPECT_TRUE(w.isVisible()) << "ShowInTaskbar shows the window";
  EXPECT_TRUE(w.updatesEnabled()) << "painting is unlocked again";
  EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(w.windowHandle()->flags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(w.windowType(), Qt::Window) << "an ordinary window keeps its taskbar entry";
  EXPECT_FALSE(fb.Titlebar());
}

}  // namespace
}  // namespace tavrel::qt
