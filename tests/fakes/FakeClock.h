#pragma once

#include "core/IClock.h"

namespace tavrel::fakes {

// A clock that stands still unless told to move; autoAdvance seconds pass on every reading.
class FakeClock : public IClock {
 public:
  LocalTime now{2026, 12, 4, 13, 58, 5};
  int autoAdvance = 0;
  LocalTime Now() override {
    const LocalTime t = now;
    if (autoAdvance) Advance(autoAdvance);
    return t;
  }
  // Moves the clock forward by whole seconds, carrying into minutes, hours and days (months of
  // 31 days are enough for the tests' midnight and new-year steps).
  void Advance(int seconds) {
    now.second += seconds;
    now.minute += now.second / 60;
    now.second %= 60;
    now.hour += now.minute / 60;
    now.minute %= 60;
    now.day += now.hour / 24;
    now.hour %= 24;
    now.month += (now.day - 1) / 31;
    now.day = (now.day - 1) % 31 + 1;
    now.year += (now.month - 1) / 12;
    now.month = (now.month - 1) % 12 + 1;
  }
};

}  // namespace tavrel::fakes
