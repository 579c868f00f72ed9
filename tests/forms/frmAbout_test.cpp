#include "forms/frmAbout.h"

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

constexpr WindowHandle kMain = 7;

// Records each row as "<row> <text>" in the shared log.
struct FakeAboutView : IAboutView, fakes::Logging {
  using Logging::Logging;
  void SetVersion(const std::string& t) override { log_.Add("Version " + t); }
  void SetBuild(const std::string& t) override { log_.Add("Build " + t); }
  void SetAuthor(const std::string& t) override { log_.Add("Author " + t); }
  void SetHomePage(const std::string& t) override { log_.Add("Homepage " + t); }
  void RepaintCloseButton() override { log_.Add("Repaint close"); }
  void SetNoticeUnderline(bool) override {}
  void Unload() override { log_.Add("Unload about"); }
};

TEST(About, LoadTakesTheMainWindowOutOfTheBandThenFillsTheRows) {
  fakes::FakeEnv f;
  FakeAboutView view{f.log};
  frmAbout form{f.env, view, kMain};
  f.wm.SetTopMost(kMain);
  f.log.Clear();
  form.Form_Load();
  EXPECT_EQ(f.log.events,
            (std::vector<std::string>{"ClearTopMost 7", "Version 1.0", "Build 1", "Author " + f.env.app.company,
                                      "Homepage " + f.env.app.homePage, "Repaint close"}));
  form.Form_Unload();
  EXPECT_TRUE(f.wm.IsTopMost(kMain));
}

}  // namespace
}  // namespace tavrel
