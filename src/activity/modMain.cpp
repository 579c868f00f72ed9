#include "activity/modMain.h"

namespace tavrel::modMain {

namespace {
void TwoDigits(std::string& out, int v) {
  if (v < 0) v = 0;
  out.push_back(static_cast<char>('0' + (v / 10) % 10));
  out.push_back(static_cast<char>('0' + v % 10));
}
}  // namespace

std::string DateText(const LocalTime& t) {
  std::string s;
  s.reserve(8);
  TwoDigits(s, t.day);
  s.push_back('-');
  TwoDigits(s, t.month);
  s.push_back('-');
  TwoDigits(s, t.year % 100);
  return s;
}

std::string TimeStamp(IClock& clock) {
  const LocalTime t = clock.Now();
  std::string s = DateText(t);
  s.reserve(19);
  s += " - ";
  TwoDigits(s, t.hour);
  s.push_back(':');
  TwoDigits(s, t.minute);
  s.push_back(':');
  TwoDigits(s, t.second);
  return s;
}

void AppendActivity(Env& env, ActivityText& view, std::string_view message) {
  std::string piece;
  piece.reserve(2 + 19 + message.size());
  piece += "\r\n";
  piece += TimeStamp(env.clock);
  piece += message;
  view.Append(piece);
}

}  // namespace tavrel::modMain
