#include "netinfo/modConnections.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::Ip;
using fakes::TcpRow;
using Row = ConnectionList::Row;
using Strings = std::vector<std::string>;

std::vector<Row> Rows(const ConnectionList& list) {
  std::vector<Row> out;
  for (std::size_t i = 0; i < list.Count(); ++i) out.push_back(list.Item(i));
  return out;
}

Strings ColumnOf(const ConnectionList& list, std::size_t c) {
  Strings out;
  for (const Row& r : Rows(list)) out.push_back(r[c]);
  return out;
}

TEST(ConnectionTexts, TheTwelveStatesAndNothingOutsideThem) {
  const char* expected[] = {
      "",           "Closed",     "Listening", "Sent",     "Received",  "Established", "Fin wait 1",
      "Fin wait 1", "Close wait", "Closing",   "Last ack", "Time wait", "TCB deleted", ""};
  for (std::uint32_t s = 0; s <= 13; ++s) EXPECT_EQ(modConnections::StateText(s), expected[s]) << s;
  EXPECT_EQ(modConnections::StateText(0xFFFFFFFFu), "");
}

TEST(SetupConnectionList, AddsColumnsAndRowsSkippingOnlyRowsWithoutAnyAddress) {
  fakes::FakeEnv f;
  f.tcp.rows = {TcpRow(2, Ip(0, 0, 0, 0), 22, Ip(0, 0, 0, 0), 0),           // skipped
                TcpRow(5, Ip(0, 0, 0, 0), 23, Ip(10, 1, 1, 1), 4000),       // no local address
                TcpRow(2, Ip(127, 0, 0, 1), 631, Ip(0, 0, 0, 0), 0),        // no peer
                TcpRow(0, Ip(10, 0, 0, 1), 49152, Ip(10, 0, 0, 9), 65535),  // ports unsigned
                TcpRow(7, Ip(10, 0, 0, 1), 32768, Ip(10, 0, 0, 9), 1),
                TcpRow(13, Ip(10, 0, 0, 1), 1, Ip(10, 0, 0, 9), 0)};
  ConnectionList list;
  modConnections::SetupConnectionList(f.env, list);
  ASSERT_EQ(list.Columns().size(), 6u);
  Strings headers;
  std::vector<int> widths;
  for (const auto& c : list.Columns()) headers.push_back(c.header), widths.push_back(c.widthTwips);
  EXPECT_EQ(headers, (Strings{"Local IP", "Local Port", "Remote IP", "Remote Port", "State", "State Description"}));
  EXPECT_EQ(widths, (std::vector<int>{1200, 800, 1200, 1500, 400, 1200}));
  EXPECT_EQ(Rows(list), (std::vector<Row>{{"0.0.0.0", "23", "10.1.1.1", "4000", "5", "Established"},
                                          {"127.0.0.1", "631", "0.0.0.0", "0", "2", "Listening"},
                                          {"10.0.0.1", "49152", "10.0.0.9", "65535", "0", ""},
                                          {"10.0.0.1", "32768", "10.0.0.9", "1", "7", "Fin wait 1"},
                                          {"10.0.0.1", "1", "10.0.0.9", "0", "13", ""}}));
}

// A view that counts what it is told to redraw.
struct Redraws : ConnectionList::ISink {
  void Changed() override { ++count; }
  int count = 0;
};

TEST(RefreshConnectionList, ReplacesRowsKeepsHeadersRedrawsOnceAndEmptiesOnAFailedRead) {
  fakes::FakeEnv f;
  ConnectionList list;
  modConnections::SetupConnectionList(f.env, list);
  Redraws redraws;
  list.SetSink(&redraws);
  for (std::uint16_t p = 1; p <= 50; ++p) f.tcp.rows.push_back(TcpRow(5, Ip(127, 0, 0, 1), p, Ip(127, 0, 0, 1), 8080));
  modConnections::RefreshConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 50u);
  EXPECT_EQ(redraws.count, 1);
  f.tcp.rows.resize(3);
  modConnections::RefreshConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(redraws.count, 2);
  f.tcp.result = 122;  // the table grew between the two calls
  modConnections::FillConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 3u);
  modConnections::RefreshConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 0u) << "a failed read leaves the list empty until the next refresh";
  EXPECT_EQ(list.Columns().size(), 6u) << "the headers stay";
}

TEST(Sorting, ComparesTextFlipsOnEveryClickAndStaysOnForLaterRefreshes) {
  fakes::FakeEnv f;
  f.tcp.rows = {TcpRow(5, Ip(10, 0, 0, 1), 9, Ip(192, 168, 1, 2), 443),
                TcpRow(11, Ip(10, 0, 0, 1), 10, Ip(172, 16, 0, 1), 80),
                TcpRow(2, Ip(9, 9, 9, 9), 100, Ip(0, 0, 0, 0), 0)};
  ConnectionList list;
  modConnections::SetupConnectionList(f.env, list);
  EXPECT_EQ(ColumnOf(list, 1), (Strings{"9", "10", "100"})) << "the table's order until a click";
  list.ColumnClick(1);  // "Local Port": the first click turns ascending into descending
  EXPECT_EQ(ColumnOf(list, 1), (Strings{"9", "100", "10"}));
  list.ColumnClick(1);
  EXPECT_EQ(ColumnOf(list, 1), (Strings{"10", "100", "9"})) << "text, not number";
  list.ColumnClick(4);  // another column flips the direction as well
  EXPECT_EQ(ColumnOf(list, 4), (Strings{"5", "2", "11"}));
  list.ColumnClick(3);  // "Remote Port" ascending
  f.tcp.rows.push_back(TcpRow(5, Ip(10, 0, 0, 3), 5000, Ip(10, 0, 0, 4), 1000));
  modConnections::RefreshConnectionList(f.env, list);
  EXPECT_EQ(ColumnOf(list, 3), (Strings{"0", "1000", "443", "80"})) << "rows added later take their sorted place";
}

// Equal keys keep the order of addition both ways, in a table long enough that a sort that is
// not stable mixes them up.
TEST(ConnectionList, EqualKeysKeepTheirOrderAndChangesRedrawOnceWhenBracketed) {
  ConnectionList list;
  Redraws changes;
  list.SetSink(&changes);
  list.BeginUpdate();
  for (int i = 0; i < 60; ++i) list.Add({std::to_string(100 + i), i % 3 ? "x" : "y", "", "", "", ""});
  list.EndUpdate();
  EXPECT_EQ(changes.count, 1);
  for (const bool descending : {true, false}) {
    list.ColumnClick(1);
    ASSERT_EQ(list.Descending(), descending);
    Strings x, y;
    for (const Row& r : Rows(list)) (r[1] == "x" ? x : y).push_back(r[0]);
    EXPECT_EQ(x.size(), 40u);
    EXPECT_TRUE(std::is_sorted(x.begin(), x.end()) && std::is_sorted(y.begin(), y.end())) << descending;
    EXPECT_EQ(ColumnOf(list, 1).front(), descending ? "y" : "x");
  }
  list.ColumnClick(9);  // no such column: the order of addition
  const Strings keys = ColumnOf(list, 0);
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(changes.count, 4);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Clear();
  list.Add({});
  list.EndUpdate();
  EXPECT_EQ(changes.count, 4) << "nested brackets redraw once, at the outermost end";
  list.EndUpdate();
  EXPECT_EQ(changes.count, 5);
}

}  // namespace
}  // namespace tavrel
