// The activity view: shows the behaviour's own activity text, drawing the lines on screen
// straight from it. It keeps no copy of the text, only where each line starts (one number per
// line), so that a run of weeks costs the text and little more.
//
// Read-only: the user can scroll, select with the mouse or the keyboard (Shift + arrows, Ctrl+A)
// and copy (Ctrl+C, the context menu, the X selection). After every change of the text the
// insertion point goes to the very end and the last line comes into sight. Lines do not wrap; a
// line wider than the view scrolls sideways.
#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "activity/ActivityText.h"

namespace tavrel::qt {

class ActivityView : public QAbstractScrollArea, public ActivityText::ISink {
  Q_OBJECT
 public:
  explicit ActivityView(QWidget* parent = nullptr);

  // ActivityText::ISink: the text handed over here is the behaviour's, and must outlive the view
  // or be replaced (an empty one) before it goes.
  void Replaced(const std::string& wholeText) override;
  void Appended(std::string_view piece) override;

  std::size_t LineCount() const { return starts_.size(); }
  // A line without its line end.
  std::string_view Line(std::size_t i) const;
  // The lines joined by CR LF: what the view holds, as a whole.
  std::string Lines() const;
  // The insertion point and the other end of the selection, as offsets into the text.
  std::size_t Position() const { return caret_; }
  std::size_t Anchor() const { return anchor_; }
  void Select(std::size_t anchor, std::size_t position);
  QString SelectedText() const;
  void Copy() const;
  // The first line on view.
  std::size_t FirstVisibleLine() const;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  std::string_view TextView() const { return text_ ? std::string_view(*text_) : std::string_view(); }
  // Adds the line starts of the text not looked at yet.
  void IndexNewText();
  std::size_t LineOf(std::size_t offset) const;
  std::size_t LineStart(std::size_t i) const { return starts_[i]; }
  std::size_t LineEnd(std::size_t i) const;  // offset just past the line's last character
  QString LineText(std::size_t i) const;
  qreal XOf(std::size_t offset) const;  // within its line, before scrolling
  std::size_t OffsetAt(const QPoint& viewportPos) const;
  std::size_t OffsetInLine(std::size_t line, qreal x) const;
  void MoveCaret(std::size_t offset, bool keepAnchor);
  void EnsureVisible(std::size_t offset);
  void UpdateScrollBars();
  int VisibleRows() const;
  void SetLineWidth(std::size_t i);

  const std::string* text_ = nullptr;
  std::vector<std::size_t> starts_{0};  // where each line starts
  std::size_t indexed_ = 0;             // how much of the text the starts cover
  std::size_t anchor_ = 0;
  std::size_t caret_ = 0;
  int widest_ = 0;  // the widest line in pixels
  bool selecting_ = false;
};

}  // namespace tavrel::qt
