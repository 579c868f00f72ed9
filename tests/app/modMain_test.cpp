#include "app/modMain.h"

#include <gtest/gtest.h>

#include "activity/modMain.h"
#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::P;

TEST(FolderAndFileExists, PathsLoseTheirBlanksThenOneSeparator) {
  EXPECT_EQ(modMain::StripTrailingBackslash(P("  /var/app//")), P("/var/app/"));
  EXPECT_EQ(modMain::StripTrailingBackslash(P("/")), "");
  fakes::FakeEnv f;
  f.fs.MakeFolders(P("/app/logs"));
  f.fs.files[P("/app/help.chm")] = "x";
  std::string p = P(" /app/logs/ ");
  EXPECT_TRUE(modMain::FolderExists(f.env, p));
  EXPECT_EQ(p, P("/app/logs")) << "the caller sees the cleaned path";
  std::string file = P("/app/help.chm");
  EXPECT_FALSE(modMain::FolderExists(f.env, file));
  EXPECT_TRUE(modMain::FileExists(f.env, P("/app/help.chm")));
  EXPECT_FALSE(modMain::FileExists(f.env, "   "));
}

class RecordingSink : public ActivityText::ISink {
 public:
  void Replaced(const std::string& t) override { replaced.push_back(t); }
  void Appended(std::string_view p) override { appended.emplace_back(p); }
  std::vector<std::string> replaced, appended;
};

// Each entry is a line end, the stamp and the message; the view is handed that piece alone.
TEST(AppendActivity, HandsTheViewOnlyTheNewEntry) {
  fakes::FakeEnv f;
  ActivityText view;
  RecordingSink sink;
  view.SetSink(&sink);
  view.Replace("");
  modMain::AppendActivity(f.env, view, " Connection lost");
  modMain::AppendActivity(f.env, view, "");
  EXPECT_EQ(sink.appended,
            (std::vector<std::string>{"\r\n04-12-26 - 13:58:05 Connection lost", "\r\n04-12-26 - 13:58:05"}));
  EXPECT_EQ(sink.replaced.size(), 1u);
  EXPECT_EQ(view.Text(), sink.appended[0] + sink.appended[1]);
}

}  // namespace
}  // namespace tavrel
