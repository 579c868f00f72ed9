#include "ui/CFormBorder.h"

#include <gtest/gtest.h>

#include <functional>

#include "fakes/FakeServices.h"

namespace tavrel {
namespace {

using fakes::FakeWindowStyle;

constexpr WindowHandle kWindow = 0x51;

struct Border : ::testing::Test {
  Border() {
    win.AddWindow(kWindow);
    fb.Client(FormKind::kOrdinary, kWindow);
  }
  FakeWindowStyle::Window& W() { return win.windows.at(kWindow); }

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

  // A detached controller reaches no window.
  W().visible = false;
  fb.ShowInTaskbar(true);
  fb.Titlebar(false);
  fb.MaxButton(false);
  EXPECT_EQ(W().style, kWsOverlappedWindow);
  EXPECT_EQ(W().exStyle, 0);
  EXPECT_FALSE(W().visible);
  EXPECT_EQ(W().menu, FakeWindowStyle::Window{}.menu);
  EXPECT_FALSE(fb.Titlebar());
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
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t id = W().menu.at(c.position).id;
    c.set(false);
    c.set(false);  // greying twice keeps it greyed
    EXPECT_EQ(W().menu.at(c.position).id, c.greyedId);
    EXPECT_NE(W().menu.at(c.position).state, 0u);
    EXPECT_EQ(W().style, kWsOverlappedWindow & ~c.styleBit);
    EXPECT_FALSE(c.get());
    c.set(true);
    EXPECT_EQ(W().menu.at(c.position), (FakeWindowStyle::MenuItem{id, 0}));
    EXPECT_EQ(W().style, kWsOverlappedWindow);
    EXPECT_TRUE(c.get());
  }
}

// The main window's taskbar button: the taskbar notices the change only when the window appears
// again, so the window is hidden around the write, with painting held, and comes back normal.
TEST_F(Border, ShowInTaskbarShowsAHiddenWindowInItsNormalStateWithPaintingHeld) {
  W().visible = false;
  W().minimized = true;
  log.Clear();
  fb.ShowInTaskbar(true);
  EXPECT_TRUE(W().visible);
  EXPECT_FALSE(W().minimized);
  EXPECT_TRUE(fb.ShowInTaskbar());
  const int write = log.Find("SetStyleWord -20 " + std::to_string(kWsExAppWindow));
  EXPECT_EQ(log.Find("LockWindowUpdate " + std::to_string(kWindow)), 0);
  EXPECT_LT(log.Find("ShowWindow 0"), write);
  EXPECT_LT(write, log.Find("ShowWindow 1"));
  EXPECT_EQ(log.events.back(), "LockWindowUpdate 0");

  fb.ShowInTaskbar(false);
  EXPECT_TRUE(W().visible);
  EXPECT_FALSE(fb.ShowInTaskbar());
}

}  // namespace
}  // namespace tavrel
