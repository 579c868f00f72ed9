#include "ui/modFormMove.h"

#include <gtest/gtest.h>

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

  view.Replace("");
  f.wm.moveError = "Lost display";
  f.wm.moveThrows = true;
  EXPECT_NO_THROW(modFormMove::DragForm(f.env, 0x77, view));
  EXPECT_EQ(view.Text(), "LOST DISPLAY");
}

}  // namespace
}  // namespace tavrel
