#include "ui/modFormMove.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

TEST(DragForm, StartsTheWindowManagersMoveAndAppendsOnlyAFailureUpperCased) {
  fakes::FakeEnv f;
  ActivityText view;
  view.Replace("before");
  modFormMove::DragForm(f.env, 0x77, view);
  EXPECT_TRUE(f.log.Has("StartMove " + std::to_string(0x77)));
  EXPECT_EQ(view.Text(), "before");
  f.wm.moveError = "no window manager move (window 0x77)";
  modFormMove::DragForm(f.env, 0x77, view);
  EXPECT_EQ(view.Text(), "beforeNO WINDOW MANAGER MOVE (WINDOW 0X77)");
}

// A window manager that fails by throwing, as a faulty platform layer might.
class ThrowingWindowManager : public IWindowManager {
 public:
  void SetTopMost(WindowHandle) override {}
  void ClearTopMost(WindowHandle) override {}
  std::string StartMove(WindowHandle) override { throw std::runtime_error("Lost display"); }
};

TEST(DragForm, CatchesWhatTheMoveThrows) {
  fakes::FakeEnv f;
  ThrowingWindowManager wm;
  Env env{f.env.app,   f.desktop, f.clock,     f.fs,      f.profile,    f.registry, f.connection,
          f.phonebook, f.tcp,     f.addresses, f.sockets, f.downloader, wm,         f.style};
  ActivityText view;
  EXPECT_NO_THROW(modFormMove::DragForm(env, 1, view));
  EXPECT_EQ(view.Text(), "LOST DISPLAY");
}

}  // namespace
}  // namespace tavrel
