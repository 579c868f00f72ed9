#include "ui/CFormBorder.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(W().style, kWsOverlappedWindow);
  EXPECT_EQ(W().exStyle, 0);
  EXPECT_FALSE(W().visible);
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
