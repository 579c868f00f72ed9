#include "monitor/Operation.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace tavrel {
namespace {

// Ticks that fall due inside operations wait for the end of the outermost one and run once there;
// an operation that fails does not block later ticks.
TEST(Operation, TicksWaitForTheEndOfTheOutermostOperationAndRunOnce) {
  Operations ops;
  std::string log;
  ops.Run([&] {
    EXPECT_TRUE(ops.Running());
    ops.Hold([&] { log += "first "; });
    ops.Run([&] { ops.Hold([&] { log += "tick "; }); });
    EXPECT_EQ(log, "") << "the inner operation's end is not the end";
    log += "work ";
  });
  EXPECT_EQ(log, "work tick ") << "the last tick kept runs once";
  ops.Run([] {});
  EXPECT_EQ(log, "work tick ");

  EXPECT_THROW(ops.Run([] { throw std::runtime_error("failed"); }), std::runtime_error);
  EXPECT_FALSE(ops.Running());
}

}  // namespace
}  // namespace tavrel
