// The Qt views' tests: GoogleTest inside a QApplication on the offscreen platform.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "gui/qt/QtDesktop.h"

namespace {

// Before every test: a message box that the test does not answer itself fails the test at once
// instead of waiting for a person, and nothing is really opened with xdg-open.
class NoPersonHere : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    tavrel::qt::QtDesktop::answerBoxes = [](const std::string& text, int code, const std::string&) {
      ADD_FAILURE() << "unanswered message box (code " << code << "): " << text;
      return (code & 0x0F) == 4 ? 7 : 1;
    };
    tavrel::qt::QtDesktop::interceptOpen = [](const std::string&, const std::string&) { return true; };
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new NoPersonHere);
  return RUN_ALL_TESTS();
}
