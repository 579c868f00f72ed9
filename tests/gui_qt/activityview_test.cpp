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
  EXPECT_EQ(view.Anchor(), view.Position()) << "nothing selected";
  EXPECT_TRUE(LastLineOnView());
  EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
}

TEST_F(ActivityViewTest, LinesFollowTheEntryRule) {
  text.Replace("");
  EXPECT_EQ(view.LineCount(), 1u);
  modMain::AppendActivity(f.env, text, "");
  ASSERT_EQ(view.LineCount(), 2u) << "an empty report: the view begins with an empty line";
  EXPECT_EQ(view.Line(0), "");
  EXPECT_EQ(view.Line(1), "04-12-26 - 13:58:05") << "an empty message: the stamp alone";
  modMain::AppendActivity(f.env, text, " block\r\n");
  modMain::AppendActivity(f.env, text, " next");
  EXPECT_EQ(view.Lines(), text.Text());
  EXPECT_EQ(view.Line(3), "") << "a block ending with CR LF leaves an empty line before the next entry";
  EXPECT_EQ(view.Line(4), "04-12-26 - 13:58:05 next");
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

TEST_F(ActivityViewTest, KeysMoveTheCaretAndShiftSelects) {
  view.show();
  view.setFocus();
  QTest::keyClick(&view, Qt::Key_Home, Qt::ShiftModifier);
  EXPECT_EQ(view.SelectedText(), QStringLiteral("04-12-26 - 13:58:05 Monitor started"));
  QTest::keyClick(&view, Qt::Key_Up);
  EXPECT_EQ(view.Position(), 0u);
  QTest::keyClick(&view, Qt::Key_End);
  EXPECT_EQ(view.Position(), 12u) << "the end of \"Tavrel 1.0.1\"";
  QTest::keyClick(&view, Qt::Key_Right);
  EXPECT_EQ(view.Position(), 14u) << "past the CR LF, at the start of the next line";
  QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(view.SelectedText(), QStringLiteral("\n"));
  QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(view.Position(), text.Text().size());
}

TEST_F(ActivityViewTest, ANewEntryBringsTheLastLineBackIntoSight) {
  view.show();
  for (int i = 0; i < 50; ++i) modMain::AppendActivity(f.env, text, " Connection offline");
  view.verticalScrollBar()->setValue(0);
  view.Select(5, 5);  // the user clicked somewhere up there
  ASSERT_FALSE(LastLineOnView());
  modMain::AppendActivity(f.env, text, " Connection lost");
  EXPECT_TRUE(LastLineOnView());
  EXPECT_EQ(view.Position(), text.Text().size());
}

TEST_F(ActivityViewTest, ALongLineScrollsSideways) {
  view.show();
  modMain::AppendActivity(f.env, text, " Cannot write the log file " + std::string(300, 'x'));
  EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(view.horizontalScrollBar()->value(), 0) << "the caret at the end of the long line is in sight";
  text.Replace("short");
  EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace tavrel::qt
