#include "ui/frmAbout.h"

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

constexpr WindowHandle kMain = 7;

class FakeAboutView : public IAboutView {
 public:
  explicit FakeAboutView(fakes::EventLog& log) : log_(log) {}
  void SetVersion(const std::string& t) override { Set("Version", version = t); }
  void SetBuild(const std::string& t) override { Set("Build", build = t); }
  void SetAuthor(const std::string& t) override { Set("Author", author = t); }
  void SetHomePage(const std::string& t) override { Set("Homepage", homePage = t); }
  void RepaintCloseButton() override { log_.Add("Repaint close"); }
  void SetNoticeUnderline(bool u) override { underline = u; }
  void Unload() override {
    log_.Add("Unload about");
    ++unloads;
  }

  std::string version, build, author, homePage;
  bool underline = false;
  int unloads = 0;

 private:
  void Set(const char* row, const std::string& t) { log_.Add(std::string(row) + " " + t); }
  fakes::EventLog& log_;
};

class AboutTest : public ::testing::Test {
 protected:
  fakes::FakeEnv f;
  FakeAboutView view{f.log};
  frmAbout form{f.env, view, kMain};
};

TEST_F(AboutTest, LoadTakesTheMainWindowOutOfTheBandThenFillsTheRows) {
  f.wm.SetTopMost(kMain);
  f.log.Clear();
  form.Form_Load();
  EXPECT_FALSE(f.wm.IsTopMost(kMain));
  const std::vector<std::string> expected = {
      "ClearTopMost 7", "Version 1.0", "Build 1", "Author " + f.env.app.company,
      "Homepage " + f.env.app.homePage, "Repaint close"};
  EXPECT_EQ(f.log.events, expected);
  EXPECT_FALSE(view.author.empty());
  EXPECT_FALSE(view.homePage.empty());
}

TEST_F(AboutTest, VersionIsMajorDotMinorAndBuildTheRevisionAsPlainDecimals) {
  const struct {
    int major, minor, revision;
    const char* version;
    const char* build;
  } cases[] = {{1, 0, 1, "1.0", "1"}, {1, 5, 1, "1.5", "1"}, {1, 10, 0, "1.10", "0"},
               {2, 0, 123, "2.0", "123"}};
  for (const auto& c : cases) {
    f.env.app.major = c.major;
    f.env.app.minor = c.minor;
    f.env.app.revision = c.revision;
    form.Form_Load();
    EXPECT_EQ(view.version, c.version);
    EXPECT_EQ(view.build, c.build);
  }
}

TEST_F(AboutTest, UnloadPutsTheMainWindowBackOnTopAndTheCloseButtonUnloads) {
  form.Form_Load();
  form.Form_Unload();
  EXPECT_TRUE(f.wm.IsTopMost(kMain));
  form.Command1_Click();
  EXPECT_EQ(view.unloads, 1);
}

TEST_F(AboutTest, NoticeIsUnderlinedOnlyWhileHoveredAndOpensTheHomePageWithoutClosing) {
  form.Label6_MouseMove(0, 0, 5, 5);
  EXPECT_TRUE(view.underline);
  form.Label6_MouseMove(0, 0, 6, 5);
  EXPECT_TRUE(view.underline);
  form.Form_MouseMove(0, 0, 100, 100);
  EXPECT_FALSE(view.underline);

  f.connection.flags = 0;
  f.connection.result = 0;  // not online: the about window does not test the connection
  form.Label6_Click();
  EXPECT_EQ(f.desktop.opened, std::vector<std::string>{f.env.app.homePage});
  EXPECT_EQ(f.connection.queries, 0);
  EXPECT_TRUE(f.desktop.boxes.empty());
  EXPECT_EQ(view.unloads, 0);
}

}  // namespace
}  // namespace tavrel
