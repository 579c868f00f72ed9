// The form border controller on real Qt widgets (offscreen platform).
#include <QAction>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

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
  QStringList MenuTexts() {
    QStringList texts;
    for (const QAction* a : Menu()->actions()) texts << (a->isSeparator() ? "-" : a->text());
    return texts;
  }
  bool HasFlag(Qt::WindowType f) {
    return w.windowFlags().testFlag(f) && w.windowHandle()->flags().testFlag(f);
  }
  Qt::WindowType Type() {
    return static_cast<Qt::WindowType>(static_cast<int>(w.windowFlags() & Qt::WindowType_Mask));
  }

  QtWindowManager wm;
  QtWindowStyle style{wm};
  QWidget w;
  WindowHandle handle = 0;
  CFormBorder fb{style, wm};
};

TEST_F(QtBorder, TheMainWindowsCallsGiveAFramelessShownWindowWithATaskbarEntry) {
  w.hide();
  fb.ShowInTaskbar(true);
  fb.Titlebar(false);
  EXPECT_TRUE(w.isVisible()) << "ShowInTaskbar shows the window";
  EXPECT_TRUE(w.updatesEnabled()) << "painting is unlocked again";
  EXPECT_TRUE(HasFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(Type(), Qt::Window) << "an ordinary window keeps its taskbar entry";
  EXPECT_FALSE(fb.Titlebar());
  EXPECT_TRUE(fb.ShowInTaskbar());

  fb.Titlebar(true);
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(HasFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(fb.Titlebar());

  fb.ShowInTaskbar(false);
  EXPECT_EQ(Type(), Qt::Tool) << "no taskbar entry";
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(fb.ShowInTaskbar());
}

TEST_F(QtBorder, GreyingMaximizeDisablesItsMenuItemAndItsButton) {
  ASSERT_EQ(MenuTexts(), (QStringList{"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "-",
                                      "&Close\tAlt+F4"}));
  EXPECT_TRUE(HasFlag(Qt::WindowMaximizeButtonHint));
  fb.MaxButton(false);
  QAction* maximize = Menu()->actions().at(4);
  EXPECT_FALSE(maximize->isEnabled());
  EXPECT_EQ(style.MenuItemId(handle, 4), 0x7030u);
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(fb.MaxButton());

  fb.MaxButton(true);
  EXPECT_TRUE(maximize->isEnabled());
  EXPECT_EQ(style.MenuItemId(handle, 4), kScMaximize);
  EXPECT_TRUE(HasFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(QtBorder, RemovingCloseTakesItsSeparatorAndTheCloseButton) {
  EXPECT_TRUE(HasFlag(Qt::WindowCloseButtonHint));
  fb.RemoveMenuItem(kScClose);
  EXPECT_EQ(MenuTexts(), (QStringList{"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize"}));
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));

  fb.Moveable(false);
  EXPECT_FALSE(Menu()->actions().at(1)->isEnabled());
  EXPECT_FALSE(fb.Moveable());
}

TEST_F(QtBorder, ShowSysMenuPopsTheMenuUpAtThePoint) {
  fb.ShowSysMenu(120, 90);
  QMenu* menu = Menu();
  ASSERT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->geometry().topLeft(), QPoint(120, 90));
  menu->hide();
  EXPECT_THROW(fb.ShowSysMenu(-40000, 0), std::overflow_error);
  EXPECT_FALSE(menu->isVisible());
}

TEST_F(QtBorder, MenuItemsActOnTheWindow) {
  Menu()->actions().at(3)->trigger();  // Minimize
  EXPECT_TRUE(w.isMinimized());
  Menu()->actions().at(0)->trigger();  // Restore
  EXPECT_FALSE(w.isMinimized());

  fb.EnableMenuItem(kScClose);
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  fb.EnableMenuItem(kScClose, true);
  Menu()->actions().at(6)->trigger();  // Close
  EXPECT_FALSE(w.isVisible());
}

TEST_F(QtBorder, SizeableHoldsTheWindowAtItsSizeAndGivesBackItsLimits) {
  w.setMinimumSize(100, 50);
  fb.Sizeable(false);
  EXPECT_EQ(w.minimumSize(), QSize(300, 200));
  EXPECT_EQ(w.maximumSize(), QSize(300, 200));
  EXPECT_FALSE(fb.Sizeable());
  EXPECT_FALSE(Menu()->actions().at(2)->isEnabled());

  fb.Sizeable(true);
  EXPECT_EQ(w.minimumSize(), QSize(100, 50));
  EXPECT_EQ(w.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  EXPECT_TRUE(fb.Sizeable());
}

TEST_F(QtBorder, ExtendedBitsFollowTheWindowFlags) {
  fb.TopMost(true);
  EXPECT_TRUE(fb.TopMost()) << "read from the window manager's band";
  fb.ToolWindow(true);
  EXPECT_EQ(Type(), Qt::Tool);
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(fb.TopMost()) << "a new kind of window keeps its band";
  EXPECT_TRUE(fb.Titlebar()) << "and its title bar";
  EXPECT_TRUE(HasFlag(Qt::WindowMinimizeButtonHint));
  fb.ToolWindow(false);
  EXPECT_EQ(Type(), Qt::Window);

  fb.WhatsThisButton(true);
  EXPECT_TRUE(HasFlag(Qt::WindowContextHelpButtonHint));
  EXPECT_TRUE(fb.WhatsThisButton());
  fb.TopMost(false);
  EXPECT_FALSE(fb.TopMost());
}

TEST(QtBorderUnknownWindow, EveryCallOnAHandleThatNamesNoWindowIsQuiet) {
  QtWindowManager wm;
  QtWindowStyle style{wm};
  CFormBorder fb{style, wm};
  fb.Client(FormKind::kOrdinary, 0x1234);
  fb.Titlebar(false);
  fb.ShowInTaskbar(true);
  fb.RemoveMenuItem(kScClose);
  fb.ShowSysMenu(1, 1);
  EXPECT_FALSE(fb.Titlebar());
  EXPECT_TRUE(fb.Moveable());
  EXPECT_EQ(style.SystemMenu(0x1234), nullptr);
}

}  // namespace
}  // namespace tavrel::qt
