// A lookup that may hang is waited for within its bound, and the ones left running are capped.
#include "netinfo/BoundedLookup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace tavrel {
namespace {

using namespace std::chrono;
using Address = BoundedLookup::Address;

// A lookup that hangs until released, then answers 1.2.3.4; it counts how often it was asked.
struct Hanging {
  std::shared_ptr<std::atomic<bool>> released = std::make_shared<std::atomic<bool>>(false);
  std::shared_ptr<std::atomic<int>> asked = std::make_shared<std::atomic<int>>(0);

  BoundedLookup::Resolve Resolve() const {
    return [released = released, asked = asked](const std::string&) {
      ++*asked;
      while (!released->load()) std::this_thread::sleep_for(milliseconds(5));
      return Address(std::vector<std::uint8_t>{1, 2, 3, 4});
    };
  }
};

TEST(BoundedLookup, GivesUpAfterItsBoundAndCapsTheLookupsLeftRunning) {
  Hanging hanging;
  const BoundedLookup lookup(milliseconds(200), hanging.Resolve());
  EXPECT_FALSE(lookup.Lookup("").has_value());
  EXPECT_EQ(hanging.asked->load(), 0) << "an empty name is no name to look up";

  const auto start = steady_clock::now();
  EXPECT_FALSE(lookup.Lookup("stuck").has_value());
  EXPECT_GE(steady_clock::now() - start, milliseconds(190));

  // Stuck lookups pile up to a bound; past it, lookups fail without asking.
  for (int i = 1; i < BoundedLookup::kMaxAbandoned; ++i) lookup.Lookup("stuck");
  EXPECT_EQ(hanging.asked->load(), BoundedLookup::kMaxAbandoned);
  EXPECT_FALSE(lookup.Lookup("stuck").has_value());
  EXPECT_EQ(hanging.asked->load(), BoundedLookup::kMaxAbandoned);

  // Once they finish, lookups work again (each abandoned one ends in its own time).
  hanging.released->store(true);
  Address ok;
  for (int i = 0; i < 600 && !(ok = lookup.Lookup("stuck")); ++i) std::this_thread::sleep_for(milliseconds(50));
  EXPECT_EQ(ok, Address(std::vector<std::uint8_t>{1, 2, 3, 4}));
}

// The program is ending: a lookup that hangs is given up at once, and no new one starts.
TEST(BoundedLookup, AStopEndsTheWaitAndStartsNoLookup) {
  Hanging hanging;
  auto stopping = std::make_shared<std::atomic<bool>>(false);
  const auto resolve = hanging.Resolve();
  const auto stopOnAsking = [stopping, resolve](const std::string& name) {
    stopping->store(true);
    return resolve(name);
  };
  const BoundedLookup lookup(seconds(60), stopOnAsking, [stopping] { return stopping->load(); });
  const auto start = steady_clock::now();
  EXPECT_FALSE(lookup.Lookup("stuck").has_value());
  EXPECT_LT(steady_clock::now() - start, seconds(30)) << "the lookup's own bound is 60 s";
  EXPECT_FALSE(lookup.Lookup("any").has_value());
  EXPECT_EQ(hanging.asked->load(), 1);
  hanging.released->store(true);
}

}  // namespace
}  // namespace tavrel
