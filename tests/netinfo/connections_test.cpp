#include "netinfo/modConnections.h"

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::Ip;
using fakes::TcpRow;
using Row = ConnectionList::Row;

std::vector<Row> Rows(const ConnectionList& list) {
  std::vector<Row> out;
  for (std::size_t i = 0; i < list.Count(); ++i) out.push_back(list.Item(i));
  return out;
}

std::vector<std::string> ColumnOf(const ConnectionList& list, std::size_t c) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < list.Count(); ++i) out.push_back(list.Item(i)[c]);
  return out;
}

TEST(AddressToText, WritesTheOctetsFirstToLast) {
  EXPECT_EQ(modConnections::AddressToText(Ip(192, 168, 0, 1)), "192.168.0.1");
  EXPECT_EQ(modConnections::AddressToText(Ip(0, 0, 0, 0)), "0.0.0.0");
  EXPECT_EQ(modConnections::AddressToText(Ip(255, 255, 255, 255)), "255.255.255.255");
  EXPECT_EQ(modConnections::AddressToText(Ip(10, 0, 100, 9)), "10.0.100.9");
}

TEST(StateText, NamesTheTwelveStatesAndNothingElse) {
  const char* expected[] = {"",           "Closed",    "Listening",  "Sent",     "Received",
                            "Established", "Fin wait 1", "Fin wait 1", "Close wait", "Closing",
                            "Last ack",    "Time wait", "TCB deleted", ""};
  for (std::uint32_t s = 0; s <= 13; ++s) EXPECT_EQ(modConnections::StateText(s), expected[s]) << s;
  EXPECT_EQ(modConnections::StateText(0xFFFFFFFFu), "");
}

TEST(SetupConnectionList, AddsHeadersRowsAndWidths) {
  fakes::FakeEnv f;
  f.tcp.rows = {TcpRow(5, Ip(10, 0, 0, 2), 49152, Ip(93, 184, 216, 34), 80)};
  ConnectionList list;
  modConnections::SetupConnectionList(f.env, list);

  ASSERT_EQ(list.Columns().size(), 6u);
  const char* headers[] = {"Local IP", "Local Port", "Remote IP", "Remote Port", "State",
                           "State Description"};
  const int widths[] = {1200, 800, 1200, 1500, 400, 1200};
  for (std::size_t c = 0; c < 6; ++c) {
    EXPECT_EQ(list.Columns()[c].header, headers[c]);
    EXPECT_EQ(list.Columns()[c].widthTwips, widths[c]);
  }
  EXPECT_EQ(Rows(list), (std::vector<Row>{
                            {"10.0.0.2", "49152", "93.184.216.34", "80", "5", "Established"}}));
}

TEST(FillConnectionList, SkipsOnlyRowsWithoutAnyAddress) {
  fakes::FakeEnv f;
  f.tcp.rows = {
      TcpRow(2, Ip(0, 0, 0, 0), 22, Ip(0, 0, 0, 0), 0),          // listening on all: skipped
      TcpRow(5, Ip(0, 0, 0, 0), 23, Ip(10, 1, 1, 1), 4000),      // no local address: listed
      TcpRow(2, Ip(127, 0, 0, 1), 631, Ip(0, 0, 0, 0), 0),       // no peer: listed
  };
  ConnectionList list;
  modConnections::FillConnectionList(f.env, list);
  EXPECT_EQ(Rows(list), (std::vector<Row>{
                            {"0.0.0.0", "23", "10.1.1.1", "4000", "5", "Established"},
                            {"127.0.0.1", "631", "0.0.0.0", "0", "2", "Listening"}}));
}

TEST(FillConnectionList, ShowsPortsUnsignedAndOddStatesByNumber) {
  fakes::FakeEnv f;
  f.tcp.rows = {TcpRow(0, Ip(10, 0, 0, 1), 49152, Ip(10, 0, 0, 9), 65535),
                TcpRow(7, Ip(10, 0, 0, 1), 32768, Ip(10, 0, 0, 9), 1),
                TcpRow(13, Ip(10, 0, 0, 1), 1, Ip(10, 0, 0, 9), 0)};
  ConnectionList list;
  modConnections::FillConnectionList(f.env, list);
  EXPECT_EQ(Rows(list), (std::vector<Row>{
                            {"10.0.0.1", "49152", "10.0.0.9", "65535", "0", ""},
                            {"10.0.0.1", "32768", "10.0.0.9", "1", "7", "Fin wait 1"},
                            {"10.0.0.1", "1", "10.0.0.9", "0", "13", ""}}));
}

TEST(FillConnectionList, AddsToWhatIsThereAndNothingOnAFailedRead) {
  fakes::FakeEnv f;
  f.tcp.rows = {TcpRow(5, Ip(10, 0, 0, 1), 1000, Ip(10, 0, 0, 2), 80)};
  ConnectionList list;
  modConnections::FillConnectionList(f.env, list);
  modConnections::FillConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 2u) << "filling never removes; equal rows may appear twice";

  f.tcp.result = 122;  // the table grew between the two calls
  modConnections::FillConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 2u);
  modConnections::RefreshConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 0u) << "a failed read leaves the list empty until the next refresh";
}

TEST(RefreshConnectionList, ReplacesRowsKeepsHeadersAndRedrawsOnce) {
  fakes::FakeEnv f;
  ConnectionList list;
  modConnections::SetupConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.Columns().size(), 6u);

  int redraws = 0;
  list.onChanged = [&] { ++redraws; };
  f.tcp.rows.clear();
  for (std::uint16_t p = 1; p <= 50; ++p)
    f.tcp.rows.push_back(TcpRow(5, Ip(127, 0, 0, 1), p, Ip(127, 0, 0, 1), 8080));
  modConnections::RefreshConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 50u);
  EXPECT_EQ(redraws, 1);

  f.tcp.rows.resize(3);
  modConnections::RefreshConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(redraws, 2);
  EXPECT_EQ(list.Columns().size(), 6u);

  f.tcp.rows.clear();
  modConnections::RefreshConnectionList(f.env, list);
  EXPECT_EQ(list.Count(), 0u) << "an empty table empties the list";
  EXPECT_EQ(list.Columns().size(), 6u) << "the headers stay";
}

class Sorting : public ::testing::Test {
 protected:
  void SetUp() override {
    f.tcp.rows = {TcpRow(5, Ip(10, 0, 0, 1), 9, Ip(192, 168, 1, 2), 443),
                  TcpRow(11, Ip(10, 0, 0, 1), 10, Ip(172, 16, 0, 1), 80),
                  TcpRow(2, Ip(9, 9, 9, 9), 100, Ip(0, 0, 0, 0), 0)};
    modConnections::SetupConnectionList(f.env, list);
  }
  fakes::FakeEnv f;
  ConnectionList list;
};

TEST_F(Sorting, KeepsTheTableOrderUntilAHeaderIsClicked) {
  EXPECT_FALSE(list.Sorted());
  EXPECT_EQ(ColumnOf(list, 1), (std::vector<std::string>{"9", "10", "100"}));
}

TEST_F(Sorting, ComparesTextAndFlipsOnEveryClick) {
  list.ColumnClick(1);  // "Local Port"
  EXPECT_TRUE(list.Sorted());
  EXPECT_EQ(list.SortKey(), 1u);
  EXPECT_TRUE(list.Descending()) << "the first click turns ascending into descending";
  EXPECT_EQ(ColumnOf(list, 1), (std::vector<std::string>{"9", "100", "10"}));

  list.ColumnClick(1);
  EXPECT_FALSE(list.Descending());
  EXPECT_EQ(ColumnOf(list, 1), (std::vector<std::string>{"10", "100", "9"})) << "text, not number";

  list.ColumnClick(4);  // "State": "11" before "2" before "5"
  EXPECT_TRUE(list.Descending()) << "another column flips the direction as well";
  EXPECT_EQ(ColumnOf(list, 4), (std::vector<std::string>{"5", "2", "11"}));
}

TEST_F(Sorting, AnotherColumnAlsoReversesTheDirection) {
  list.ColumnClick(0);  // "Local IP", descending
  EXPECT_EQ(ColumnOf(list, 0), (std::vector<std::string>{"9.9.9.9", "10.0.0.1", "10.0.0.1"}));
  list.ColumnClick(2);  // "Remote IP", ascending
  EXPECT_EQ(list.SortKey(), 2u);
  EXPECT_EQ(ColumnOf(list, 2), (std::vector<std::string>{"0.0.0.0", "172.16.0.1", "192.168.1.2"}));
}

TEST_F(Sorting, StaysOnForLaterRefreshes) {
  list.ColumnClick(3);
  list.ColumnClick(3);  // "Remote Port" ascending
  f.tcp.rows.push_back(TcpRow(5, Ip(10, 0, 0, 3), 5000, Ip(10, 0, 0, 4), 1000));
  modConnections::RefreshConnectionList(f.env, list);
  EXPECT_TRUE(list.Sorted());
  EXPECT_EQ(ColumnOf(list, 3), (std::vector<std::string>{"0", "1000", "443", "80"}));
  modConnections::FillConnectionList(f.env, list);
  EXPECT_EQ(ColumnOf(list, 3),
            (std::vector<std::string>{"0", "0", "1000", "1000", "443", "443", "80", "80"}))
      << "rows added later take their sorted place";
}

TEST(ConnectionList, EqualKeysKeepTheirOrderAndOutOfRangeItemsAreEmpty) {
  ConnectionList list;
  list.Add({"a", "1", "", "", "", ""});
  list.Add({"b", "1", "", "", "", ""});
  list.Add({"c", "0", "", "", "", ""});
  list.ColumnClick(1);
  list.ColumnClick(1);
  EXPECT_EQ(ColumnOf(list, 0), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(list.Item(3), Row{});
  list.ColumnClick(9);  // no such column: the order of addition
  EXPECT_EQ(ColumnOf(list, 0), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ConnectionList, TellsTheViewOfEachChangeUnlessBracketed) {
  ConnectionList list;
  int changes = 0;
  list.onChanged = [&] { ++changes; };
  list.AddColumn("x");
  list.Add({});
  list.ColumnClick(0);
  EXPECT_EQ(changes, 3);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Clear();
  list.Add({});
  list.EndUpdate();
  EXPECT_EQ(changes, 3) << "nested brackets redraw once, at the outermost end";
  list.EndUpdate();
  EXPECT_EQ(changes, 4);
  list.BeginUpdate();
  list.EndUpdate();
  EXPECT_EQ(changes, 4) << "nothing changed, nothing to redraw";
  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(changes, 4);
}

}  // namespace
}  // namespace tavrel
