#include "monitor/Operation.h"

#include <utility>

namespace tavrel {

void Operations::Run(const std::function<void()>& work) {
  ++depth_;
  try {
    work();
  } catch (...) {
    --depth_;
    throw;
  }
  if (--depth_ > 0 || !held_) return;
  std::function<void()> tick = std::exchange(held_, nullptr);
  tick();
}

}  // namespace tavrel
