// A shared record of the calls that fakes receive, in order, to check the order of steps.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace tavrel::fakes {

struct EventLog {
  std::vector<std::string> events;
  void Add(std::string e) { events.push_back(std::move(e)); }
  // Index of the first event equal to e at or after from, or -1.
  int Find(const std::string& e, int from = 0) const {
    for (int i = from; i < static_cast<int>(events.size()); ++i)
      if (events[static_cast<std::size_t>(i)] == e) return i;
    return -1;
  }
  bool Has(const std::string& e) const { return Find(e) >= 0; }
  int Count(const std::string& e) const { return static_cast<int>(std::count(events.begin(), events.end(), e)); }
  void Clear() { events.clear(); }
};

// A fake that writes its calls to a shared log.
struct Logging {
  explicit Logging(EventLog& log) : log_(log) {}
  EventLog& log_;
};

}  // namespace tavrel::fakes
