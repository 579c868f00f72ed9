#include "ui/CFormBorder.h"

#include <gtest/gtest.h>

#include <functional>
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
  std::vector<std::uint32_t> MenuIds() {
    std::vector<std::uint32_t> ids;
    for (const auto& m : W().menu) ids.push_back(m.id);
    return ids;
  }

  fakes::EventLog log;
  fakes::FakeWindowManager wm{log};
  FakeWindowStyle win{log};
  CFormBorder fb{win, wm};
};

TEST_F(Border, ClientAttachesFormsOfEitherKindAndAnythingElseOnlyDetaches) {
  EXPECT_EQ(fb.Client(), (FormRef{FormKind::kOrdinary, kWindow}));
  win.AddWindow(0x52);
  fb.Client(FormKind::kMdiParent, 0x52);
  EXPECT_EQ(fb.hWnd(), 0x52u);
  fb.Client(FormKind::kNotAForm, kWindow);
  EXPECT_EQ(fb.hWnd(), 0u);
  EXPECT_EQ(fb.Client(), (FormRef{FormKind::kMdiParent, 0x52})) << "the former reference stays";
  EXPECT_FALSE(CFormBorder(win, wm).Client().has_value());

  // A detached controller reaches no window and reads false, except Moveable (no Move item).
  W().visible = false;
  fb.Moveable(false);
  fb.ShowInTaskbar(true);
  fb.Titlebar(false);
  fb.TopMost(true);
  fb.RemoveMenuItem(kScClose);
  fb.ShowSysMenu(10, 10);
  EXPECT_EQ(W().style, kWsOverlappedWindow);
  EXPECT_EQ(W().exStyle, 0);
  EXPECT_FALSE(W().visible);
  EXPECT_EQ(W().menu, FakeWindowStyle::Window{}.menu);
  EXPECT_FALSE(wm.IsTopMost(kWindow));
  EXPECT_TRUE(win.popups.empty());
  EXPECT_FALSE(fb.Titlebar());
  EXPECT_TRUE(fb.Moveable());
}

TEST_F(Border, TitlebarClearsAndSetsBothCaptionBitsAndReadsEither) {
  fb.Titlebar(false);
  EXPECT_EQ(W().style, kWsOverlappedWindow & ~kWsCaption) << "both bits, and no other";
  EXPECT_FALSE(fb.Titlebar());
  EXPECT_TRUE(log.Has("RedrawFrame"));
  fb.Titlebar(true);
  EXPECT_EQ(W().style, kWsOverlappedWindow);
  for (std::int32_t one : {kWsBorder, kWsDlgFrame}) {
    W().style = one;
    EXPECT_TRUE(fb.Titlebar()) << one;
  }
}

// Greying an item clears bit 15 of its id; enabling writes the full id and the state 0 back.
TEST_F(Border, PropertiesGreyAndRestoreTheirMenuItem) {
  const struct {
    const char* name;
    std::function<void(bool)> set;
    std::function<bool()> get;
    std::size_t position;
    std::uint32_t greyedId;
    std::int32_t styleBit;  // 0: the property has no style bit
  } cases[] = {
      {"MaxButton", [&](bool v) { fb.MaxButton(v); }, [&] { return fb.MaxButton(); }, 4, 0x7030, kWsMaximizeBox},
      {"MinButton", [&](bool v) { fb.MinButton(v); }, [&] { return fb.MinButton(); }, 3, 0x7020, kWsMinimizeBox},
      {"Sizeable", [&](bool v) { fb.Sizeable(v); }, [&] { return fb.Sizeable(); }, 2, 0x7000, kWsThickFrame},
      {"Moveable", [&](bool v) { fb.Moveable(v); }, [&] { return fb.Moveable(); }, 1, 0x7010, 0},
      {"EnableMenuItem(Close)", [&](bool v) { v ? fb.EnableMenuItem(kScClose, true) : fb.EnableMenuItem(kScClose); },
       nullptr, 6, 0x7060, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t id = W().menu.at(c.position).id;
    c.set(false);
    c.set(false);  // greying twice keeps it greyed
    EXPECT_EQ(W().menu.at(c.position).id, c.greyedId);
    EXPECT_NE(W().menu.at(c.position).state, 0u);
    EXPECT_EQ(W().style, kWsOverlappedWindow & ~c.styleBit);
    if (c.get) { EXPECT_FALSE(c.get()); }
    c.set(true);
    EXPECT_EQ(W().menu.at(c.position), (FakeWindowStyle::MenuItem{id, 0}));
    EXPECT_EQ(W().style, kWsOverlappedWindow);
    if (c.get) { EXPECT_TRUE(c.get()); }
  }

  W().menu[6].state = kMfsDefault;
  fb.EnableMenuItem(kScClose, true);
  EXPECT_EQ(W().menu[6].state, 0u) << "the whole state word is written";
  W().menu[1].state = kMfsChecked;
  EXPECT_FALSE(fb.Moveable()) << "true only for the state word 0";
  const auto menu = W().menu;
  fb.EnableMenuItem(0x1234);
  EXPECT_EQ(W().menu, menu) << "an id that is not in the menu does nothing";
}

TEST_F(Border, RemoveMenuItemTakesCloseWithItsSeparatorAndOnlyGreysMaximize) {
  fb.RemoveMenuItem(kScClose);
  EXPECT_EQ(MenuIds(), (std::vector<std::uint32_t>{kScRestore, kScMove, kScSize, kScMinimize, kScMaximize}));
  fb.RemoveMenuItem(kScClose);  // no Close any more: nothing else goes
  fb.RemoveMenuItem(kScMaximize);
  EXPECT_FALSE(fb.MaxButton());
  fb.RemoveMenuItem(kScMove);
  EXPECT_EQ(MenuIds(), (std::vector<std::uint32_t>{kScRestore, kScSize, kScMinimize, 0x7030}));
  EXPECT_TRUE(fb.Moveable()) << "without a Move item";
}

TEST_F(Border, ShowInTaskbarShowsAHiddenWindowInItsNormalStateWithPaintingHeld) {
  W().visible = false;
  W().minimized = true;
  log.Clear();
  fb.ShowInTaskbar(true);
  EXPECT_TRUE(W().visible);
  EXPECT_FALSE(W().minimized);
  EXPECT_TRUE(fb.ShowInTaskbar());
  // The taskbar notices the change only when the window appears again.
  const int write = log.Find("SetStyleWord -20 " + std::to_string(kWsExAppWindow));
  EXPECT_EQ(log.Find("LockWindowUpdate " + std::to_string(kWindow)), 0);
  EXPECT_LT(log.Find("ShowWindow 0"), write);
  EXPECT_LT(write, log.Find("ShowWindow 1"));
  EXPECT_EQ(log.events.back(), "LockWindowUpdate 0");

  fb.ShowInTaskbar(false);
  EXPECT_TRUE(W().visible);
  EXPECT_FALSE(fb.ShowInTaskbar());
}

TEST_F(Border, ExtendedFlagsControlBoxAndTopMostTouchOnlyTheirBit) {
  W().exStyle = kWsExAppWindow;
  fb.TopMost(true);
  fb.ToolWindow(true);
  fb.WhatsThisButton(true);
  EXPECT_EQ(W().exStyle, kWsExAppWindow | kWsExToolWindow | kWsExContextHelp);
  EXPECT_TRUE(fb.WhatsThisButton());
  EXPECT_TRUE(fb.TopMost()) << "rewriting the extended word keeps the band";
  fb.ToolWindow(false);
  fb.TopMost(false);
  EXPECT_EQ(W().exStyle, kWsExAppWindow | kWsExContextHelp);
  EXPECT_FALSE(fb.ToolWindow());
  EXPECT_FALSE(wm.IsTopMost(kWindow));

  fb.ControlBox(false);
  EXPECT_EQ(W().style, kWsOverlappedWindow & ~kWsSysMenu);
  EXPECT_FALSE(fb.ControlBox());
}

TEST_F(Border, ShowSysMenuPacksSigned16BitCoordinatesAndRejectsWiderOnes) {
  fb.ShowSysMenu(-5, 7);  // a negative x must not spill into y
  fb.ShowSysMenu(-32768, 32767);
  fb.ShowSysMenu(32767, -32768);
  EXPECT_EQ(win.popups, (std::vector<FakeWindowStyle::Popup>{
                            {kWindow, {-5, 7}}, {kWindow, {-32768, 32767}}, {kWindow, {32767, -32768}}}));
  EXPECT_THROW(fb.ShowSysMenu(32768, 0), std::overflow_error);
  EXPECT_THROW(fb.ShowSysMenu(0, -32769), std::overflow_error);
  EXPECT_EQ(win.popups.size(), 3u);
}

TEST_F(Border, LeftPressDragsOnlyWithAutoDragAndRightReleasePopsOnlyWithAutoSysMenu) {
  win.cursor = {640, 480};
  for (int button : {kLeftButton, kRightButton, kMiddleButton}) {
    fb.Client_MouseDown(button, 0, 10, 10);
    fb.Client_MouseUp(button, 0, 10, 10);
  }
  EXPECT_TRUE(win.moves.empty() && win.popups.empty()) << "both are off at first";
  EXPECT_TRUE(log.Has("CursorPos")) << "the pointer is read on every release";

  fb.AutoDrag(true);
  fb.AutoSysMenu(true);
  log.Clear();
  for (int button : {kLeftButton, kRightButton, kMiddleButton}) {
    fb.Client_MouseDown(button, 0, 10, 10);
    fb.Client_MouseUp(button, 0, 10, 10);
  }
  EXPECT_EQ(win.moves, (std::vector<WindowHandle>{kWindow}));
  EXPECT_LT(log.Find("ReleaseCapture"), log.Find("StartCaptionMove"));
  EXPECT_EQ(win.popups, (std::vector<FakeWindowStyle::Popup>{{kWindow, {640, 480}}}));

  win.cursor = {40000, 10};  // beyond 16 bits: no menu, and nothing escapes the handler
  EXPECT_NO_THROW(fb.Client_MouseUp(kRightButton, 0, 1, 1));
  EXPECT_EQ(win.popups.size(), 1u);
}

}  // namespace
}  // namespace tavrel
