#include "monitor/Operation.h"

#include <utility>

namespace tavrel::operation {

namespace {
int g_depth = 0;               // operations running, one inside the other
std::function<void()> g_held;  // the tick that waits for their end
}  // namespace

void Run(const std::function<void()>& work) {
  ++g_depth;
  try {
    work();
  } catch (...) {
    --g_depth;
    throw;
  }
  if (--g_depth > 0 || !g_held) return;
  std::function<void()> tick = std::exchange(g_held, nullptr);
  tick();
}

bool Running() { return g_depth > 0; }

void Hold(std::function<void()> tick) { g_held = std::move(tick); }

void Forget() { g_held = nullptr; }

}  // namespace tavrel::operation
