#include "monitor/Operation.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace tavrel {
namespace {

// Ticks that fall due inside operations wait for the end of the outermost one and run once there;
// a window that goes forgets its kept tick; an operation that fails does not block later ticks.
TEST(Operation, TicksWaitForTheEndOfTheOutermostOperationAndRunOnce) {
  std::string log;
  EXPECT_FALSE(operation::Running());
  operation::Run([&] {
    EXPECT_TRUE(operation::Running());
    operation::Hold([&] { log += "first "; });
    operation::Run([&] { operation::Hold([&] { log += "tick "; }); });
    EXPECT_EQ(log, "") << "the inner operation's end is not the end";
    log += "work ";
  });
  EXPECT_EQ(log, "work tick ") << "the last tick kept runs once";
  operation::Run([] {});
  EXPECT_EQ(log, "work tick ");

  operation::Run([&] {
    operation::Hold([&] { log += "late "; });
    operation::Forget();
  });
  EXPECT_EQ(log, "work tick ") << "forgotten";

  EXPECT_THROW(operation::Run([] {
                 operation::Hold([] {});
                 throw std::runtime_error("failed");
               }),
               std::runtime_error);
  EXPECT_FALSE(operation::Running());
  operation::Forget();
}

}  // namespace
}  // namespace tavrel
