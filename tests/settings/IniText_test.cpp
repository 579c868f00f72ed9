#include "settings/IniText.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "settings/IniReadCases.h"

namespace tavrel {
namespace {

using std::string;

string Read(const string& text, const string& section, const string& key, const string& def = "<default>",
            std::size_t size = 155) {
  return ini::ReadValue(text, section, key, def, size);
}

string Write(const string& text, const string& section, const string& key, const string& value) {
  const auto out = ini::WriteValue(text, section, key, value);
  EXPECT_TRUE(out.has_value()) << section << "/" << key << "=" << value;
  return out.value_or(text);
}

TEST(IniRead, NamesBlanksDefaultsAndOtherEditorsLayouts) {
  for (const auto& c : ini_cases::ReadCases())
    EXPECT_EQ(Read(c.text, c.section, c.key), c.value) << c.text << " " << c.section << "/" << c.key;
}

TEST(IniRead, CutsToTheBufferLessOneNeverInsideAUtf8Character) {
  const string longValue(200, 'v');
  EXPECT_EQ(Read("[S]\r\nk=" + longValue + "\r\n", "S", "k", "", 1), "");
  EXPECT_EQ(Read("", "Settings", "PWord", "abcdef", 4), "abc") << "the default is cut too";
  const string e = "\xC3\xA9";
  const string utf8 = "[S]\nk=" + string(153, 'a') + e + "z\n";
  EXPECT_EQ(Read(utf8, "S", "k"), string(153, 'a')) << "the cut falls inside é";
  EXPECT_EQ(Read(utf8, "S", "k", "", 156), string(153, 'a') + e);
  const string stray = "[S]\nk=" + string(153, 'a') + "\x80\x80\x80\n";  // cut like any byte
  EXPECT_EQ(Read(stray, "S", "k").size(), 154u);
}

TEST(IniWrite, CreatesReplacesInPlaceAndKeepsEveryOtherByte) {
  const string bom = "\xEF\xBB\xBF";
  const struct {
    string before, section, key, value, after;
  } cases[] = {
      {"", "Settings", "valA", "0", "[Settings]\r\nvalA=0\r\n"},
      {"[Settings]\r\nvalA=0\r\n", "Temp", "1", "", "[Settings]\r\nvalA=0\r\n[Temp]\r\n1=\r\n"},
      {"[S]\r\nv=0\r\n[T]\r\n1=GD\r\n", "S", "Retry", "5", "[S]\r\nv=0\r\nRetry=5\r\n[T]\r\n1=GD\r\n"},
      {"; by hand\n[SETTINGS]\n   conid =  Old ISP   \nUnknown=kept\n\n; end\n[Other]\nConID=o\n", "Settings", "ConID",
       "New ISP", "; by hand\n[SETTINGS]\n   conid =  New ISP   \nUnknown=kept\n\n; end\n[Other]\nConID=o\n"},
      // A missing key goes to the end of its section, in the file's line-end style.
      {"[A]\nx=1\n\n[B]\ny=2\n", "a", "z", "3", "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
      {"[A]\r\n\r\n[B]\r\n", "A", "z", "3", "[A]\r\nz=3\r\n\r\n[B]\r\n"},
      {"[A]\nx=1", "A", "z", "3", "[A]\nx=1\nz=3\n"},
      {"[A]", "A", "z", "3", "[A]\r\nz=3\r\n"},
      {"[A]\nx=1", "B", "z", "3", "[A]\nx=1\n[B]\nz=3\n"},
      {"[A]\nkey without value\n", "A", "key without value", "v", "[A]\nkey without value=v\n"},
      // The duplicate that is read is the one written.
      {"[S]\r\nk=1\r\nk=2\r\n[S]\r\nk=3\r\n", "s", "K", "new", "[S]\r\nk=new\r\nk=2\r\n[S]\r\nk=3\r\n"},
      {"[S]\na=1\n[S]\nk=second\n", "S", "k", "v", "[S]\na=1\nk=v\n[S]\nk=second\n"},
      {bom + "[S]\r\nk=1\r\n", "S", "k", "2", bom + "[S]\r\nk=2\r\n"},
      {"[S]\nk=1\n", " S ", " k ", "2", "[S]\nk=2\n"},  // blanks around names are no part of them
  };
  for (const auto& c : cases) {
    const string out = Write(c.before, c.section, c.key, c.value);
    EXPECT_EQ(out, c.after) << c.before;
    EXPECT_EQ(Read(out, c.section, c.key), c.value) << c.before;
  }
}

TEST(IniWrite, StoresTheValueAsGivenAndRefusesWhatTheLayoutCannotHold) {
  // Blanks at the ends and one pair of enclosing quotes are no part of a value read back.
  const struct {
    const char *value, *read;
  } cases[] = {{" padded ", "padded"}, {"\"quoted\"", "quoted"}, {"'single'", "single"}, {"\"half", "\"half"},
               {"x\"y\"", "x\"y\""},   {"a = b", "a = b"},       {"100%", "100%"}};
  for (const auto& c : cases) {
    const string text = Write("", "S", "k", c.value);
    EXPECT_EQ(text, string("[S]\r\nk=") + c.value + "\r\n");
    EXPECT_EQ(Read(text, "S", "k"), c.read) << c.value;
  }
  for (const auto& [section, key, value] : {std::tuple<string, string, string>{"S", "k", "two\nlines"},
                                            {"S", "k", string("nul\0", 4)},
                                            {"S", "a=b", "v"},
                                            {"S", "[k]", "v"},
                                            {"", "k", "v"},
                                            {"S\nT", "k", "v"}})
    EXPECT_FALSE(ini::WriteValue("[S]\nk=1\n", section, key, value)) << section << "/" << key;
}

}  // namespace
}  // namespace tavrel
