#include "app/modMain.h"

#include <gtest/gtest.h>

#include <clocale>

#include "activity/modMain.h"
#include "core/Convert.h"
#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::P;

TEST(StripTrailingBackslash, DropsBlanksThenOneSeparator) {
  EXPECT_EQ(modMain::StripTrailingBackslash(P("/var/app/ ")), P("/var/app"));
  EXPECT_EQ(modMain::StripTrailingBackslash(P("  /var/app//")), P("/var/app/"));
  EXPECT_EQ(modMain::StripTrailingBackslash(P("/")), "");
  EXPECT_EQ(modMain::StripTrailingBackslash("   "), "");
}

TEST(FolderAndFileExists, ReportOnlyWhatTheyAreAskedFor) {
  fakes::FakeEnv f;
  f.fs.MakeFolders(P("/app/logs"));
  f.fs.files[P("/app/help.chm")] = "x";
  f.fs.files[P("/app/.hidden")] = "x";

  std::string p = P(" /app/logs/ ");
  EXPECT_TRUE(modMain::FolderExists(f.env, p));
  EXPECT_EQ(p, P("/app/logs")) << "the caller sees the cleaned path";
  std::string file = P("/app/help.chm");
  EXPECT_FALSE(modMain::FolderExists(f.env, file));

  EXPECT_TRUE(modMain::FileExists(f.env, P("/app/help.chm")));
  EXPECT_FALSE(modMain::FileExists(f.env, P("/app/logs"))) << "a folder is no file";
  EXPECT_FALSE(modMain::FileExists(f.env, P("/app/.hidden"))) << "a hidden file does not count";
  EXPECT_FALSE(modMain::FileExists(f.env, ""));
  EXPECT_FALSE(modMain::FileExists(f.env, "   "));
}

TEST(CenterForm, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(convert::RoundHalfEven(2.5), 2);
  EXPECT_EQ(convert::RoundHalfEven(3.5), 4);
  EXPECT_EQ(convert::RoundHalfEven(-2.5), -2);
  EXPECT_EQ(convert::RoundHalfEven(2.4999), 2);
  const auto r = modMain::CenterForm(1001, 1000, {5, 5, 100, 101});
  EXPECT_EQ(r.left, 450);  // 450.5 -> 450
  EXPECT_EQ(r.top, 450);   // 449.5 -> 450
  EXPECT_EQ(r.width, 100);
  EXPECT_EQ(r.height, 101);
}

TEST(Convert, ReadsSettingNumbersAsTheMonitorNeedsThem) {
  EXPECT_EQ(convert::ToDouble("01"), 1.0);
  EXPECT_EQ(convert::ToDouble(" 1 "), 1.0);
  EXPECT_EQ(convert::ToDouble("1.0"), 1.0);
  EXPECT_EQ(convert::ToDouble("-2.5e1"), -25.0);
  EXPECT_EQ(convert::ToDouble("+5362.5"), 5362.5);
  {
    // Under a locale with a decimal comma the stored text still reads with its dot.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
      EXPECT_EQ(convert::ToDouble("5362.5"), 5362.5);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
  }
  for (const char* bad : {"", " ", "abc", "1x", "0x10", "inf", "nan", "1e", ".", "+"})
    EXPECT_FALSE(convert::ToDouble(bad).has_value()) << bad;
  EXPECT_EQ(convert::ToInt16("2.5"), 2);
  EXPECT_EQ(convert::ToInt16("3.5"), 4);
  EXPECT_EQ(convert::ToInt16("32767"), 32767);
  EXPECT_EQ(convert::ToInt16("-32768"), -32768);
  EXPECT_FALSE(convert::ToInt16("32768").has_value());
  EXPECT_FALSE(convert::ToInt16("32767.5").has_value()) << "rounds to 32768";
  EXPECT_FALSE(convert::ToInt16("1e9").has_value());
}

class RecordingSink : public ActivityText::ISink {
 public:
  void Replaced(const std::string& t) override { replaced.push_back(t); }
  void Appended(std::string_view p) override { appended.emplace_back(p); }
  std::vector<std::string> replaced, appended;
};

TEST(AppendActivity, AddsLineEndStampAndMessageAndHandsTheViewOnlyThePiece) {
  fakes::FakeEnv f;
  ActivityText view;
  RecordingSink sink;
  view.SetSink(&sink);
  view.Replace("");
  modMain::AppendActivity(f.env, view, " Connection lost");
  EXPECT_EQ(view.Text(), "\r\n04-12-26 - 13:58:05 Connection lost")
      << "an empty report leaves the view starting with an empty line";
  modMain::AppendActivity(f.env, view, "");
  EXPECT_EQ(view.Text(), "\r\n04-12-26 - 13:58:05 Connection lost\r\n04-12-26 - 13:58:05");
  ASSERT_EQ(sink.appended.size(), 2u);
  EXPECT_EQ(sink.appended[1], "\r\n04-12-26 - 13:58:05");
  EXPECT_EQ(sink.replaced.size(), 1u);
}

}  // namespace
}  // namespace tavrel
