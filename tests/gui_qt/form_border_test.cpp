// The form border controller on real Qt widgets (offscreen platform).
#include <gtest/gtest.h>
#include <QAction>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "gui/qt/QtWindowManager.h"
#include "gui/qt/QtWindowStyle.h"
#include "ui/CFormBorder.h"

namespace tavrel::qt {
namespace {

struct QtBorder : ::testing::Test {
  QtBorder() {
    w.setWindowFlags(Qt::Window);
    w.resize(300, 200);
    w.show();
    handle = wm.Register(&w);
    fb.Client(FormKind::kOrdinary, handle);
  }
  QMenu* Menu() { return style.SystemMenu(handle); }
  QAction* Item(int position) { return Menu()->actions().at(position); }
  QStringList MenuTexts() {
    QStringList texts;
    for (const QAction* a : Menu()->actions()) texts << (a->isSeparator() ? "-" : a->text());
    return texts;
  }
  bool HasFlag(Qt::WindowType f) { return w.windowFlags().testFlag(f) && w.windowHandle()->flags().testFlag(f); }
  Qt::WindowType Type() { return w.windowType(); }

  QtWindowManager wm;
  QtWindowStyle style{wm};
  QWidget w;
  WindowHandle handle = 0;
  CFormBorder fb{style, wm};
};

TEST_F(QtBorder, TheMainWindowsCallsGiveAFramelessShownWindowWithATaskbarEntryAndKindsKeepTheBand) {
  w.hide();
  fb.ShowInTaskbar(true);
  fb.Titlebar(false);
  EXPECT_TRUE(w.isVisible()) << "ShowInTaskbar shows the window";
  EXPECT_TRUE(w.updatesEnabled()) << "painting is unlocked again";
  EXPECT_TRUE(HasFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(Type(), Qt::Window) << "an ordinary window keeps its taskbar entry";

  fb.Titlebar(true);
  EXPECT_TRUE(HasFlag(Qt::WindowTitleHint));
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
  fb.ShowInTaskbar(false);
  EXPECT_EQ(Type(), Qt::Tool) << "no taskbar entry";
  EXPECT_TRUE(w.isVisible());
  fb.ShowInTaskbar(true);
  EXPECT_EQ(Type(), Qt::Window);

  // A change of the window's kind keeps its band and its title bar.
  fb.TopMost(true);
  fb.ToolWindow(true);
  EXPECT_EQ(Type(), Qt::Tool);
  EXPECT_TRUE(fb.TopMost());
  EXPECT_TRUE(fb.Titlebar());
  fb.WhatsThisButton(true);
  EXPECT_TRUE(HasFlag(Qt::WindowContextHelpButtonHint));
}

TEST_F(QtBorder, GreyingAndRemovingReachTheMenuTheButtonsAndTheSizeLimits) {
  ASSERT_EQ(MenuTexts(), (QStringList{"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "-", "&Close\tAlt+F4"}));
  fb.MaxButton(false);
  EXPECT_FALSE(Item(4)->isEnabled());
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  fb.MaxButton(true);
  EXPECT_TRUE(Item(4)->isEnabled());
  EXPECT_TRUE(HasFlag(Qt::WindowMaximizeButtonHint));

  fb.Moveable(false);
  EXPECT_FALSE(Item(1)->isEnabled());
  fb.EnableMenuItem(kScClose);
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  fb.EnableMenuItem(kScClose, true);
  EXPECT_TRUE(HasFlag(Qt::WindowCloseButtonHint));
  fb.RemoveMenuItem(kScClose);
  EXPECT_EQ(MenuTexts(), (QStringList{"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize"}));
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));

  // Not sizeable: held at its size; sizeable again: its own limits come back.
  w.setMinimumSize(100, 50);
  fb.Sizeable(false);
  EXPECT_EQ(w.minimumSize(), QSize(300, 200));
  EXPECT_EQ(w.maximumSize(), QSize(300, 200));
  EXPECT_FALSE(Item(2)->isEnabled());
  fb.Sizeable(true);
  EXPECT_EQ(w.minimumSize(), QSize(100, 50));
  EXPECT_EQ(w.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

TEST_F(QtBorder, MenuItemsActOnTheWindowAndShowSysMenuPopsItUpAtThePoint) {
  Item(3)->trigger();  // Minimize
  EXPECT_TRUE(w.isMinimized());
  Item(0)->trigger();  // Restore
  EXPECT_FALSE(w.isMinimized());

  fb.ShowSysMenu(120, 90);
  ASSERT_TRUE(Menu()->isVisible());
  EXPECT_EQ(Menu()->geometry().topLeft(), QPoint(120, 90));
  Menu()->hide();

  Item(6)->trigger();  // Close
  EXPECT_FALSE(w.isVisible());
}

}  // namespace
}  // namespace tavrel::qt
