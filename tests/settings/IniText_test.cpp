#include "settings/IniText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace tavrel {
namespace {

using std::string;

string Read(const string& text, const string& section, const string& key,
            const string& def = "<default>", std::size_t size = 155) {
  return ini::ReadValue(text, section, key, def, size);
}

string Write(const string& text, const string& section, const string& key, const string& value) {
  const auto out = ini::WriteValue(text, section, key, value);
  EXPECT_TRUE(out.has_value()) << section << "/" << key << "=" << value;
  return out.value_or(text);
}

// --- reading -------------------------------------------------------------------------------

TEST(IniRead, MatchesNamesWithoutCaseAndTrimsBlanksAroundKeyEqualsAndValue) {
  const string text = "[settings]\r\n  conid \t=  My ISP \t\r\nUName=bob\r\n";
  EXPECT_EQ(Read(text, "Settings", "ConID"), "My ISP");
  EXPECT_EQ(Read(text, " SETTINGS ", " CONID "), "My ISP");
  EXPECT_EQ(Read(text, "Settings", "uname"), "bob");
  EXPECT_EQ(Read(text, "Temp", "ConID"), "<default>");
}

TEST(IniRead, GivesTheDefaultOnlyWhenFileSectionOrKeyIsMissing) {
  EXPECT_EQ(Read("", "Settings", "Retry", "5"), "5") << "no file";
  EXPECT_EQ(Read("[Temp]\n1=GD\n", "Settings", "Retry", "5"), "5") << "no section";
  EXPECT_EQ(Read("[Settings]\nConID=x\n", "Settings", "Retry", "5"), "5") << "no key";
  EXPECT_EQ(Read("[Settings]\nRetry\n", "Settings", "Retry", "5"), "5") << "key line without '='";
  EXPECT_EQ(Read("[Settings]\nRetry=\n", "Settings", "Retry", "5"), "") << "empty value";
  EXPECT_EQ(Read("[Settings]\nRetry =   \r\n", "Settings", "Retry", "5"), "");
  EXPECT_EQ(Read("Retry=3\n[Settings]\n", "Settings", "Retry", "5"), "5")
      << "lines before the first header belong to no section";
  EXPECT_EQ(Read("[Settings]\nRetry=3\n", "", "Retry", "5"), "5");
  EXPECT_EQ(Read("[Settings]\n=3\n", "Settings", "", "5"), "5");
}

TEST(IniRead, RemovesOnePairOfMatchingEnclosingQuotes) {
  const string text =
      "[S]\na=\"two words\"\nb='single'\nc=\"mixed'\nd=\"\ne=\"\"\nf=\"\"inner\"\"\n"
      "g=  \"  padded  \"  \nh=x\"y\"\n";
  EXPECT_EQ(Read(text, "S", "a"), "two words");
  EXPECT_EQ(Read(text, "S", "b"), "single");
  EXPECT_EQ(Read(text, "S", "c"), "\"mixed'");
  EXPECT_EQ(Read(text, "S", "d"), "\"") << "a lone quote is no pair";
  EXPECT_EQ(Read(text, "S", "e"), "");
  EXPECT_EQ(Read(text, "S", "f"), "\"inner\"");
  EXPECT_EQ(Read(text, "S", "g"), "  padded  ");
  EXPECT_EQ(Read(text, "S", "h"), "x\"y\"");
}

TEST(IniRead, CutsToTheBufferLessOne) {
  const string longValue(200, 'v');
  const string text = "[Settings]\r\nPWord=" + longValue + "\r\n";
  EXPECT_EQ(Read(text, "Settings", "PWord"), string(154, 'v'));
  EXPECT_EQ(Read(text, "Settings", "PWord", "", 1), "");
  EXPECT_EQ(Read(text, "Settings", "PWord", "", 0), "");
  EXPECT_EQ(Read("", "Settings", "PWord", "abcdef", 4), "abc") << "the default is cut too";
  // Quotes come off before the cut: 154 characters of the inner text.
  EXPECT_EQ(Read("[S]\nk=\"" + longValue + "\"\n", "S", "k"), string(154, 'v'));
}

TEST(IniRead, CutNeverSplitsAUtf8Character) {
  const string e = "\xC3\xA9";  // é
  const string text = "[S]\nk=" + string(153, 'a') + e + "z\n";
  EXPECT_EQ(Read(text, "S", "k"), string(153, 'a')) << "the cut falls inside é";
  EXPECT_EQ(Read(text, "S", "k", "", 156), string(153, 'a') + e);
  // A stray continuation byte is no character: it is cut like any byte.
  const string stray = "[S]\nk=" + string(153, 'a') + "\x80\x80\x80\n";
  EXPECT_EQ(Read(stray, "S", "k").size(), 154u);
}

TEST(IniRead, FirstOfDuplicateSectionsAndKeysWins) {
  const string text = "[S]\nk=first\nk=second\n[s]\nk=third\nonly=later\n";
  EXPECT_EQ(Read(text, "S", "k"), "first");
  EXPECT_EQ(Read(text, "S", "only"), "<default>")
      << "a key in a later section of the same name is not read";
  EXPECT_EQ(Read("[S]\nk\nk=2\n", "S", "k"), "<default>")
      << "the first line of the key has no value";
}

TEST(IniRead, ToleratesOtherEditorsLayouts) {
  // LF only, CR LF, mixed, trailing blanks and a missing final line end.
  EXPECT_EQ(Read("[S]\nk=lf\n", "S", "k"), "lf");
  EXPECT_EQ(Read("[S]\r\nk=crlf\r\n", "S", "k"), "crlf");
  EXPECT_EQ(Read("[A]\r\nx=1\n[S]\nk=mixed\r\n", "S", "k"), "mixed");
  EXPECT_EQ(Read("[S]\nk=last", "S", "k"), "last");
  // A byte-order mark before the first section.
  EXPECT_EQ(Read("\xEF\xBB\xBF[Settings]\r\nConID=bom\r\n", "Settings", "ConID"), "bom");
  // Comments are kept apart from keys, also those that look like the key.
  EXPECT_EQ(Read("[S]\n;k=commented\nk=real\n", "S", "k"), "real");
  EXPECT_EQ(Read("[S]\n; just a remark\n", "S", "k"), "<default>");
  // Headers with something after the bracket, indented headers, a line with '[' but no ']'.
  EXPECT_EQ(Read("  [S] ; main\nk=1\n", "S", "k"), "1");
  EXPECT_EQ(Read("[S]\n[T\nk=2\n", "S", "k"), "2") << "'[T' is no header";
  // Lines without '=' in between, a value holding '='.
  EXPECT_EQ(Read("[S]\ngarbage line\nk=a=b\n", "S", "k"), "a=b");
  // A NUL byte ends the value, as in a C string.
  EXPECT_EQ(Read(string("[S]\nk=ab\0cd\n", 12), "S", "k"), "ab");
}

TEST(IniRead, TenMegabyteLineCostsLittle) {
  const string huge(10u << 20, 'x');
  const string text = "[Other]\r\nnoise=" + huge + "\r\n" + huge + "\r\n[Settings]\r\nConID=" +
                      huge + "\r\n";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Read(text, "Settings", "ConID"), string(154, 'x'));
  EXPECT_EQ(Read(text, "Settings", "Missing", "d"), "d");
  const string written = Write(text, "Settings", "UName", "bob");
  EXPECT_EQ(Read(written, "Settings", "UName"), "bob");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 5.0) << "three passes over 30 MB must stay linear";
}

// --- writing -------------------------------------------------------------------------------

TEST(IniWrite, NewFileAndNewSectionsUseCrLfAndNoBlankLines) {
  string text = Write("", "Settings", "valA", "0");
  EXPECT_EQ(text, "[Settings]\r\nvalA=0\r\n");
  text = Write(text, "Temp", "1", "GD");
  EXPECT_EQ(text, "[Settings]\r\nvalA=0\r\n[Temp]\r\n1=GD\r\n");
  text = Write(text, "Settings", "Retry", "5");
  EXPECT_EQ(text, "[Settings]\r\nvalA=0\r\nRetry=5\r\n[Temp]\r\n1=GD\r\n");
}

TEST(IniWrite, EmptyValueIsStoredAsKeyEqualsAndReadsBackEmpty) {
  string text = Write("", "Temp", "1", "");
  EXPECT_EQ(text, "[Temp]\r\n1=\r\n");
  EXPECT_EQ(Read(text, "Temp", "1", "default"), "");
  text = Write("[Temp]\r\n1=GD\r\n", "Temp", "1", "");
  EXPECT_EQ(text, "[Temp]\r\n1=\r\n");
  EXPECT_EQ(Read(text, "Temp", "1", "default"), "");
}

TEST(IniWrite, ReplacesOnlyTheValueAndKeepsEveryOtherByte) {
  const string before =
      "; written by hand\n"
      "[SETTINGS]\n"
      "   conid =  Old ISP   \n"
      "Unknown=kept\n"
      "\n"
      "; trailing comment\n"
      "[Other]\n"
      "ConID=other section\n";
  const string after = Write(before, "Settings", "ConID", "New ISP");
  EXPECT_EQ(after,
            "; written by hand\n"
            "[SETTINGS]\n"
            "   conid =  New ISP   \n"
            "Unknown=kept\n"
            "\n"
            "; trailing comment\n"
            "[Other]\n"
            "ConID=other section\n");
}

TEST(IniWrite, AddsAMissingKeyAtTheEndOfItsSectionInTheFilesLineEndStyle) {
  EXPECT_EQ(Write("[A]\nx=1\n\n[B]\ny=2\n", "a", "z", "3"), "[A]\nx=1\nz=3\n\n[B]\ny=2\n");
  EXPECT_EQ(Write("[A]\r\n\r\n[B]\r\n", "A", "z", "3"), "[A]\r\nz=3\r\n\r\n[B]\r\n");
  EXPECT_EQ(Write("[A]\nx=1", "A", "z", "3"), "[A]\nx=1\nz=3\n") << "unended last line";
  EXPECT_EQ(Write("[A]", "A", "z", "3"), "[A]\r\nz=3\r\n");
  EXPECT_EQ(Write("[A]\nx=1", "B", "z", "3"), "[A]\nx=1\n[B]\nz=3\n");
  EXPECT_EQ(Write("[A]\nkey without value\n", "A", "key without value", "v"),
            "[A]\nkey without value=v\n");
}

TEST(IniWrite, WritesTheSameDuplicateItReads) {
  const string dup = "[S]\r\nk=first\r\nk=second\r\n[S]\r\nk=third\r\n";
  const string out = Write(dup, "s", "K", "new");
  EXPECT_EQ(out, "[S]\r\nk=new\r\nk=second\r\n[S]\r\nk=third\r\n");
  EXPECT_EQ(Read(out, "S", "k"), "new");

  const string later = "[S]\na=1\n[S]\nk=only in the second\n";
  const string added = Write(later, "S", "k", "v");
  EXPECT_EQ(added, "[S]\na=1\nk=v\n[S]\nk=only in the second\n");
  EXPECT_EQ(Read(added, "S", "k"), "v");
}

TEST(IniWrite, KeepsTheByteOrderMark) {
  const string bom = "\xEF\xBB\xBF";
  EXPECT_EQ(Write(bom + "[S]\r\nk=1\r\n", "S", "k", "2"), bom + "[S]\r\nk=2\r\n");
  EXPECT_EQ(Write(bom, "S", "k", "2"), bom + "[S]\r\nk=2\r\n");
}

TEST(IniWrite, StoresTheValueAsGivenAndReadsItBackLikeAnyOther) {
  // Blanks at the ends and one pair of enclosing quotes are no part of a value read back.
  const struct {
    const char* value;
    const char* read;
  } cases[] = {{" padded ", "padded"}, {"\"quoted\"", "quoted"}, {"'single'", "single"},
               {"\"half", "\"half"}, {"x\"y\"", "x\"y\""}, {"a = b", "a = b"}, {"100%", "100%"}};
  for (const auto& c : cases) {
    const string text = Write("", "S", "k", c.value);
    EXPECT_EQ(text, string("[S]\r\nk=") + c.value + "\r\n");
    EXPECT_EQ(Read(text, "S", "k"), c.read) << c.value;
  }
}

TEST(IniWrite, RefusesWhatTheLayoutCannotHold) {
  const string text = "[S]\nk=1\n";
  EXPECT_FALSE(ini::WriteValue(text, "S", "k", "two\nlines"));
  EXPECT_FALSE(ini::WriteValue(text, "S", "k", "cr\rinside"));
  EXPECT_FALSE(ini::WriteValue(text, "S", "k", string("nul\0", 4)));
  EXPECT_FALSE(ini::WriteValue(text, "S", "a=b", "v"));
  EXPECT_FALSE(ini::WriteValue(text, "S", "[k]", "v"));
  EXPECT_FALSE(ini::WriteValue(text, "S", "  ", "v"));
  EXPECT_FALSE(ini::WriteValue(text, "", "k", "v"));
  EXPECT_FALSE(ini::WriteValue(text, "S\nT", "k", "v"));
  // Blanks around the names are no part of them.
  EXPECT_EQ(Write(text, " S ", " k ", "2"), "[S]\nk=2\n");
  EXPECT_EQ(Write("", " S ", " k ", "2"), "[S]\r\nk=2\r\n");
}

}  // namespace
}  // namespace tavrel
