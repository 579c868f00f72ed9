#include "ui/CFormBorder.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fakes/FakeServices.h"

namespace tavrel {
namespace {

using fakes::FakeWindowStyle;

constexpr WindowHandle kWindow = 0x51;

struct Border : ::testing::Test {
  Border() {
    win.isTopMost = [this](WindowHandle h) { return wm.IsTopMost(h); };
    win.AddWindow(kWindow);
    fb.Client(FormKind::kOrdinary, kWindow);
  }
  FakeWindowStyle::Window& W() { return win.windows.at(kWindow); }
  const FakeWindowStyle::MenuItem& Item(std::size_t position) { return W().menu.at(position); }

  fakes::EventLog log;
  fakes::FakeWindowManager wm{log};
  FakeWindowStyle win{log};
  CFormBorder fb{win, wm};
};

TEST_F(Border, ClientAttachesFormsOfEitherKindAndOnlyDetachesOnAnythingElse) {
  EXPECT_EQ(fb.hWnd(), kWindow);
  EXPECT_EQ(fb.Client(), (FormRef{FormKind::kOrdinary, kWindow}));

  win.AddWindow(0x52);
  fb.Client(FormKind::kMdiParent, 0x52);
  EXPECT_EQ(fb.hWnd(), 0x52u);
  EXPECT_EQ(fb.Client(), (FormRef{FormKind::kMdiParent, 0x52}));

  fb.Client(FormKind::kNotAForm, kWindow);
  EXPECT_EQ(fb.hWnd(), 0u);
  EXPECT_EQ(fb.Client(), (FormRef{FormKind::kMdiParent, 0x52})) << "the former reference stays";
  fb.Titlebar(false);
  EXPECT_EQ(W().style, kWsOverlappedWindow) << "a detached controller reaches no window";
  EXPECT_EQ(win.windows.at(0x52).style, kWsOverlappedWindow);

  CFormBorder fresh{win, wm};
  EXPECT_FALSE(fresh.Client().has_value());
}

TEST(BorderWithoutClient, ChangesNothingAndReadsFalseExceptMoveable) {
  fakes::EventLog log;
  fakes::FakeWindowManager wm{log};
  FakeWindowStyle win{log};
  win.AddWindow(kWindow);
  win.windows.at(kWindow).visible = false;
  const FakeWindowStyle::Window before = win.windows.at(kWindow);
  CFormBorder fb{win, wm};

  fb.ControlBox(false);
  fb.MaxButton(false);
  fb.MinButton(false);
  fb.Moveable(false);
  fb.Sizeable(false);
  fb.ShowInTaskbar(true);
  fb.Titlebar(false);
  fb.ToolWindow(true);
  fb.WhatsThisButton(true);
  fb.TopMost(true);
  fb.EnableMenuItem(kScClose);
  fb.RemoveMenuItem(kScClose);
  fb.ShowSysMenu(10, 10);

  const FakeWindowStyle::Window& after = win.windows.at(kWindow);
  EXPECT_EQ(after.style, before.style);
  EXPECT_EQ(after.exStyle, before.exStyle);
  EXPECT_EQ(after.visible, before.visible);
  EXPECT_EQ(after.menu, before.menu);
  EXPECT_FALSE(wm.IsTopMost(kWindow));
  EXPECT_TRUE(win.popups.empty());

  EXPECT_FALSE(fb.Titlebar());
  EXPECT_FALSE(fb.MaxButton());
  EXPECT_FALSE(fb.Sizeable());
  EXPECT_FALSE(fb.ShowInTaskbar());
  EXPECT_TRUE(fb.Moveable()) << "no Move item found reads as state 0";
}

TEST_F(Border, TitlebarClearsAndSetsBothCaptionBitsAndRedraws) {
  fb.Titlebar(false);
  EXPECT_EQ(W().style & kWsCaption, 0);
  EXPECT_EQ(W().style, kWsOverlappedWindow & ~kWsCaption) << "other bits untouched";
  EXPECT_FALSE(fb.Titlebar());
  EXPECT_GE(W().redraws, 1) << "a frame change is redrawn";

  fb.Titlebar(true);
  EXPECT_EQ(W().style & kWsCaption, kWsCaption);
  EXPECT_TRUE(fb.Titlebar());

  W().style = kWsBorder;  // only one of the two bits
  EXPECT_TRUE(fb.Titlebar());
  W().style = kWsDlgFrame;
  EXPECT_TRUE(fb.Titlebar());
}

TEST_F(Border, MaxAndMinButtonsGreyTheirItemUnderTheIdWithBit15Cleared) {
  fb.MaxButton(false);
  EXPECT_EQ(W().style & kWsMaximizeBox, 0);
  EXPECT_FALSE(fb.MaxButton());
  EXPECT_EQ(Item(4).id, 0x7030u);
  EXPECT_NE(Item(4).state, 0u);

  fb.MaxButton(true);
  EXPECT_NE(W().style & kWsMaximizeBox, 0);
  EXPECT_TRUE(fb.MaxButton());
  EXPECT_EQ(Item(4).id, kScMaximize);
  EXPECT_EQ(Item(4).state, 0u);

  fb.MinButton(false);
  EXPECT_EQ(W().style & kWsMinimizeBox, 0);
  EXPECT_EQ(Item(3).id, 0x7020u);
  fb.MinButton(true);
  EXPECT_EQ(Item(3).id, kScMinimize);
  EXPECT_EQ(Item(3).state, 0u);
}

TEST_F(Border, EnableMenuItemGreysByDefaultAndFindsTheGreyedItemAgain) {
  fb.EnableMenuItem(kScClose);
  EXPECT_EQ(Item(6).id, 0x7060u);
  EXPECT_NE(Item(6).state, 0u);
  fb.EnableMenuItem(kScClose);  // greying twice keeps it greyed
  EXPECT_EQ(Item(6).id, 0x7060u);

  fb.EnableMenuItem(kScClose, true);
  EXPECT_EQ(Item(6).id, kScClose);
  EXPECT_EQ(Item(6).state, 0u);

  W().menu[6].state = kMfsDefault;
  fb.EnableMenuItem(kScClose, true);
  EXPECT_EQ(Item(6).state, 0u) << "the whole state word is written";

  const auto menu = W().menu;
  fb.EnableMenuItem(0x1234);
  EXPECT_EQ(W().menu, menu) << "an id that is not in the menu does nothing";
}

TEST_F(Border, RemoveMenuItemTakesCloseWithTheSeparatorAboveIt) {
  fb.RemoveMenuItem(kScClose);
  EXPECT_EQ(win.MenuIds(kWindow),
            (std::vector<std::uint32_t>{kScRestore, kScMove, kScSize, kScMinimize, kScMaximize}));

  fb.RemoveMenuItem(kScClose);  // no Close any more: nothing else goes
  EXPECT_EQ(win.MenuIds(kWindow).size(), 5u);

  fb.RemoveMenuItem(kScMove);
  EXPECT_EQ(win.MenuIds(kWindow),
            (std::vector<std::uint32_t>{kScRestore, kScSize, kScMinimize, kScMaximize}));
}

TEST_F(Border, RemovingMaximizeTurnsTheButtonOffAndLeavesTheGreyedItem) {
  fb.RemoveMenuItem(kScMaximize);
  EXPECT_FALSE(fb.MaxButton());
  EXPECT_EQ(Item(4).id, 0x7030u);
  EXPECT_EQ(W().menu.size(), 7u);
}

TEST_F(Border, MoveableGreysOnlyTheMoveItem) {
  fb.Moveable(false);
  EXPECT_FALSE(fb.Moveable());
  EXPECT_EQ(Item(1).id, 0x7010u);
  EXPECT_EQ(W().style, kWsOverlappedWindow) << "no style bit";

  fb.Moveable(true);
  EXPECT_TRUE(fb.Moveable());
  EXPECT_EQ(Item(1).id, kScMove);

  W().menu[1].state = kMfsChecked;
  EXPECT_FALSE(fb.Moveable()) << "true only for the state word 0";

  fb.RemoveMenuItem(kScMove);
  EXPECT_TRUE(fb.Moveable()) << "without a Move item";
}

TEST_F(Border, SizeableGreysSizeAndClearsTheSizingBorder) {
  fb.Sizeable(false);
  EXPECT_FALSE(fb.Sizeable());
  EXPECT_EQ(W().style & kWsThickFrame, 0);
  EXPECT_EQ(Item(2).id, 0x7000u);
  fb.Sizeable(true);
  EXPECT_TRUE(fb.Sizeable());
  EXPECT_EQ(Item(2).id, kScSize);
}

TEST_F(Border, ShowInTaskbarShowsAHiddenWindowInItsNormalState) {
  W().visible = false;
  W().minimized = true;
  log.Clear();
  fb.ShowInTaskbar(true);
  EXPECT_TRUE(W().visible);
  EXPECT_FALSE(W().minimized);
  EXPECT_NE(W().exStyle & kWsExAppWindow, 0);
  EXPECT_TRUE(fb.ShowInTaskbar());
  EXPECT_EQ(win.locked, 0u) << "painting is unlocked again";

  // The taskbar notices the change only when the window appears again.
  const int hide = log.Find("ShowWindow 0");
  const int write = log.Find("SetStyleWord -20 " + std::to_string(kWsExAppWindow));
  const int show = log.Find("ShowWindow 1");
  EXPECT_EQ(log.Find("LockWindowUpdate " + std::to_string(kWindow)), 0);
  EXPECT_LT(hide, write);
  EXPECT_LT(write, show);
  EXPECT_GT(log.Find("LockWindowUpdate 0"), show);

  fb.ShowInTaskbar(false);
  EXPECT_TRUE(W().visible);
  EXPECT_FALSE(fb.ShowInTaskbar());
}

TEST_F(Border, ExtendedStyleFlagsAndControlBoxTouchOnlyTheirBit) {
  W().exStyle = kWsExAppWindow;
  fb.ToolWindow(true);
  fb.WhatsThisButton(true);
  EXPECT_EQ(W().exStyle, kWsExAppWindow | kWsExToolWindow | kWsExContextHelp);
  EXPECT_TRUE(fb.ToolWindow());
  EXPECT_TRUE(fb.WhatsThisButton());
  fb.ToolWindow(false);
  EXPECT_EQ(W().exStyle, kWsExAppWindow | kWsExContextHelp);
  EXPECT_FALSE(fb.ToolWindow());

  fb.ControlBox(false);
  EXPECT_FALSE(fb.ControlBox());
  EXPECT_EQ(W().style, kWsOverlappedWindow & ~kWsSysMenu);
  fb.ControlBox(true);
  EXPECT_TRUE(fb.ControlBox());
}

TEST_F(Border, TopMostGoesThroughTheWindowManagersBand) {
  fb.TopMost(true);
  EXPECT_TRUE(wm.IsTopMost(kWindow));
  EXPECT_TRUE(fb.TopMost());
  fb.ToolWindow(true);  // rewriting the extended word keeps the band
  EXPECT_TRUE(fb.TopMost());
  fb.TopMost(false);
  EXPECT_FALSE(wm.IsTopMost(kWindow));
  EXPECT_FALSE(fb.TopMost());
}

TEST_F(Border, ShowSysMenuPacksSigned16BitCoordinatesAndRejectsWiderOnes) {
  using Popup = FakeWindowStyle::Popup;
  fb.ShowSysMenu(100, 200);
  fb.ShowSysMenu(-5, 7);  // a negative x must not spill into y
  fb.ShowSysMenu(-32768, 32767);
  fb.ShowSysMenu(32767, -32768);
  EXPECT_EQ(win.popups, (std::vector<Popup>{{kWindow, {100, 200}},
                                            {kWindow, {-5, 7}},
                                            {kWindow, {-32768, 32767}},
                                            {kWindow, {32767, -32768}}}));

  win.popups.clear();
  EXPECT_THROW(fb.ShowSysMenu(32768, 0), std::overflow_error);
  EXPECT_THROW(fb.ShowSysMenu(0, -32769), std::overflow_error);
  EXPECT_THROW(fb.ShowSysMenu(70000, 70000), std::overflow_error);
  EXPECT_TRUE(win.popups.empty());
}

TEST_F(Border, LeftPressDragsOnlyWithAutoDrag) {
  fb.Client_MouseDown(kLeftButton, 0, 10, 10);
  EXPECT_TRUE(win.moves.empty()) << "AutoDrag is off at first";

  fb.AutoDrag(true);
  EXPECT_TRUE(fb.AutoDrag());
  fb.Client_MouseDown(kRightButton, 0, 10, 10);
  fb.Client_MouseDown(kMiddleButton, 0, 10, 10);
  EXPECT_TRUE(win.moves.empty()) << "other buttons do nothing";

  log.Clear();
  fb.Client_MouseDown(kLeftButton, 0, 10, 10);
  EXPECT_EQ(win.moves, (std::vector<WindowHandle>{kWindow}));
  EXPECT_LT(log.Find("ReleaseCapture"), log.Find("StartCaptionMove " + std::to_string(kWindow)));
}

TEST_F(Border, RightReleasePopsTheMenuAtThePointerOnlyWithAutoSysMenu) {
  win.cursor = {640, 480};
  log.Clear();
  fb.Client_MouseUp(kRightButton, 0, 1, 1);
  EXPECT_TRUE(win.popups.empty()) << "AutoSysMenu is off at first";
  EXPECT_TRUE(log.Has("CursorPos")) << "the pointer is read on every release";

  fb.AutoSysMenu(true);
  fb.Client_MouseUp(kLeftButton, 0, 1, 1);
  fb.Client_MouseUp(kMiddleButton, 0, 1, 1);
  EXPECT_TRUE(win.popups.empty());
  fb.Client_MouseUp(kRightButton, 0, 1, 1);
  EXPECT_EQ(win.popups, (std::vector<FakeWindowStyle::Popup>{{kWindow, {640, 480}}}));

  win.cursor = {40000, 10};  // beyond 16 bits: no menu, and nothing escapes the handler
  EXPECT_NO_THROW(fb.Client_MouseUp(kRightButton, 0, 1, 1));
  EXPECT_EQ(win.popups.size(), 1u);
}

}  // namespace
}  // namespace tavrel
