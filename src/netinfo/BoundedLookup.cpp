#include "netinfo/BoundedLookup.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace tavrel {

namespace {

// One lookup, shared by the caller and its helper thread: either may be the last to let go.
struct Pending {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  bool givenUp = false;
  BoundedLookup::Address result;
  std::shared_ptr<std::atomic<int>> abandoned;
};

}  // namespace

BoundedLookup::BoundedLookup(std::chrono::milliseconds bound, Resolve resolve, Stopping stopping)
    : bound_(bound), resolve_(std::move(resolve)), stopping_(std::move(stopping)) {}

BoundedLookup::Address BoundedLookup::Lookup(const std::string& name) const {
  if (name.empty() || abandoned_->load() >= kMaxAbandoned || Stopped()) return std::nullopt;
  auto pending = std::make_shared<Pending>();
  pending->abandoned = abandoned_;
  try {
    std::thread([pending, resolve = resolve_, name] {
      Address result = resolve(name);
      std::lock_guard lock(pending->m);
      pending->result = std::move(result);
      pending->done = true;
      if (pending->givenUp) --*pending->abandoned;
      pending->cv.notify_one();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread to be had
  }
  // Waited for in short slices when the program may be asked to end, so that it ends at once.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + bound_;
  std::unique_lock lock(pending->m);
  for (;;) {
    const auto until = stopping_ ? std::min(deadline, Clock::now() + kStopPoll) : deadline;
    if (pending->cv.wait_until(lock, until, [&] { return pending->done; })) return std::move(pending->result);
    if (Clock::now() >= deadline || Stopped()) break;
  }
  pending->givenUp = true;
  ++*abandoned_;
  return std::nullopt;
}

}  // namespace tavrel
