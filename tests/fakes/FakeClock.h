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
    while (now.second >= 60) {
      now.second -= 60;
      ++now.minute;
    }
    while (now.minute >= 60) {
      now.minute -= 60;
      ++now.hour;
    }
    while (now.hour >= 24) {
      now.hour -= 24;
      ++now.day;
    }
    while (now.day > 31) {
      now.day -= 31;
      ++now.month;
    }
    while (now.month > 12) {
      now.month -= 12;
      ++now.year;
    }
  }
};

}  // namespace tavrel::fakes
