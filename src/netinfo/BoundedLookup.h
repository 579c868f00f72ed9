// A host name lookup with a bound in time, for the platforms' lookups that have none of their own
// (a dead name server holds them for the resolver's whole retry schedule).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

class BoundedLookup {
 public:
  using Address = std::optional<std::vector<std::uint8_t>>;
  // The platform's blocking lookup: the bytes of the name's first address, or nothing.
  using Resolve = std::function<Address(const std::string& name)>;
  // True once the program is ending.
  using Stopping = std::function<bool()>;

  // Lookups given up on and still running at most; past it, lookups fail at once rather than
  // pile up threads.
  static constexpr int kMaxAbandoned = 4;
  // How often a waiting lookup asks whether the program is ending.
  static constexpr std::chrono::milliseconds kStopPoll{50};

  // Each lookup runs resolve on a helper thread and is given up after bound, or as soon as
  // stopping (when given) says so. A lookup given up finishes on its own in the background.
  BoundedLookup(std::chrono::milliseconds bound, Resolve resolve, Stopping stopping = {});

  // The name's first address; nothing for an empty name, after a failed or abandoned lookup, and
  // while the program is ending.
  Address Lookup(const std::string& name) const;

 private:
  bool Stopped() const { return stopping_ && stopping_(); }

  std::chrono::milliseconds bound_;
  Resolve resolve_;
  Stopping stopping_;
  std::shared_ptr<std::atomic<int>> abandoned_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace tavrel
