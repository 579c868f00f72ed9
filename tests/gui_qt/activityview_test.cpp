#include "gui/qt/ActivityView.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

#include "activity/modMain.h"
#include "fakes/FakeEnv.h"

namespace tavrel::qt {
namespace {

class ActivityViewTest : public ::testing::Test {
 protected:
  ActivityViewTest() {
    view.resize(417, 185);
    text.SetSink(&view);
    text.Replace("Tavrel 1.0.1\r\n04-12-26 - 13:58:05 Monitor started");
  }
  ~ActivityViewTest() override { text.SetSink(nullptr); }

  // The middle of a line's first character, in the viewport.
  QPoint At(std::size_t line, int x = 6) const {
    const int lh = view.fontMetrics().lineSpacing();
    return {x, 4 + static_cast<int>(line - view.FirstVisibleLine()) * lh + lh / 2};
  }
  bool LastLineOnView() const {
    const int rows = (view.viewport()->height() - 8) / view.fontMetrics().lineSpacing();
    return view.FirstVisibleLine() + static_cast<std::size_t>(rows) >= view.LineCount();
  }

  fakes::FakeEnv f;
  ActivityText text;
  ActivityView view;
};

TEST_F(ActivityViewTest, AfterAHundredThousandEntriesItShowsTheTextWithTheCaretAtTheEnd) {
  view.show();
  for (int i = 0; i < 100000; ++i) {
    f.clock.Advance(3);
    modMain::AppendActivity(f.env, text, i % 2 ? " Connection lost" : " Attempting Reconnection to: dsl-provider");
  }
  ASSERT_EQ(view.LineCount(), 100002u);
  EXPECT_TRUE(view.Lines() == text.Text()) << "the view's lines differ from the behaviour's text";
  EXPECT_EQ(view.Position(), text.Text().size());
  EXPECT_TRUE(LastLineOnView());
}

// An empty report begins with an empty line, an empty message is the stamp alone, and a block
// ending with CR LF leaves an empty line before the next entry.
TEST_F(ActivityViewTest, LinesFollowTheEntryRule) {
  text.Replace("");
  EXPECT_EQ(view.LineCount(), 1u);
  modMain::AppendActivity(f.env, text, "");
  modMain::AppendActivity(f.env, text, " block\r\n");
  modMain::AppendActivity(f.env, text, " next");
  EXPECT_EQ(view.Lines(), text.Text());
  ASSERT_EQ(view.LineCount(), 5u);
  EXPECT_EQ(view.Line(1), "04-12-26 - 13:58:05");
  EXPECT_EQ(view.Line(3), "");
}

TEST_F(ActivityViewTest, ASelectionIsCopiedWithLineFeedsAndEndsWithTheNextEntry) {
  view.show();
  QWidget* vp = view.viewport();
  QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, At(0, 1));
  QTest::mouseMove(vp, At(1, 30));
  QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, At(1, 30));
  const QString selected = view.SelectedText();
  EXPECT_TRUE(selected.startsWith(QStringLiteral("Tavrel 1.0.1\n04"))) << selected.toStdString();
  EXPECT_EQ(view.Anchor(), 0u);

  QApplication::clipboard()->clear();
  QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), selected);

  QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(view.SelectedText(), QStringLiteral("Tavrel 1.0.1\n04-12-26 - 13:58:05 Monitor started"));

  modMain::AppendActivity(f.env, text, " Connection lost");
  EXPECT_EQ(view.Position(), text.Text().size()) << "the insertion point goes to the end";
  EXPECT_TRUE(view.SelectedText().isEmpty());
}

// Wherever the user scrolled or clicked, a new entry brings the end of the text into sight, also
// sideways when its line is wider than the view.
TEST_F(ActivityViewTest, ANewEntryBringsTheEndBackIntoSight) {
  view.show();
  for (int i = 0; i < 50; ++i) modMain::AppendActivity(f.env, text, " Connection offline");
  view.verticalScrollBar()->setValue(0);
  view.Select(5, 5);
  ASSERT_FALSE(LastLineOnView());
  modMain::AppendActivity(f.env, text, " Cannot write the log file " + std::string(300, 'x'));
  EXPECT_TRUE(LastLineOnView());
  EXPECT_EQ(view.Position(), text.Text().size());
  EXPECT_GT(view.horizontalScrollBar()->value(), 0);
  text.Replace("short");
  EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace tavrel::qt
