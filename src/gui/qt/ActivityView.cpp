#include "gui/qt/ActivityView.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gui/qt/Widgets.h"

namespace tavrel::qt {

namespace {
constexpr int kMargin = 4;  // around the text, as a text box leaves it

// The number of text bytes that the first n characters of a line take.
std::size_t BytesOf(const QString& line, qsizetype n) {
  return static_cast<std::size_t>(line.left(n).toLocal8Bit().size());
}
}  // namespace

ActivityView::ActivityView(QWidget* parent) : QAbstractScrollArea(parent) {
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  viewport()->setCursor(Qt::IBeamCursor);
  setFocusPolicy(Qt::StrongFocus);
  verticalScrollBar()->setSingleStep(1);
}

void ActivityView::Replaced(const std::string& wholeText) {
  text_ = &wholeText;
  starts_.assign(1, 0);
  indexed_ = 0;
  widest_ = 0;
  IndexNewText();
  MoveCaret(TextView().size(), false);
}

void ActivityView::Appended(std::string_view) {
  // The behaviour's text already holds the piece: only the new part is looked at.
  IndexNewText();
  MoveCaret(TextView().size(), false);
}

void ActivityView::IndexNewText() {
  const std::string_view t = TextView();
  if (indexed_ > t.size()) {  // never shortened by the behaviour; start again if it ever is
    starts_.assign(1, 0);
    indexed_ = 0;
    widest_ = 0;
  }
  const std::size_t firstChanged = starts_.size() - 1;
  for (std::size_t at = indexed_; at < t.size();) {
    const void* nl = std::memchr(t.data() + at, '\n', t.size() - at);
    if (!nl) break;
    at = static_cast<std::size_t>(static_cast<const char*>(nl) - t.data()) + 1;
    starts_.push_back(at);
  }
  indexed_ = t.size();
  if (!t.empty())
    for (std::size_t i = firstChanged; i < starts_.size(); ++i) SetLineWidth(i);
  UpdateScrollBars();
  viewport()->update();
}

void ActivityView::SetLineWidth(std::size_t i) {
  const int w = static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(LineText(i))));
  widest_ = std::max(widest_, w);
}

std::size_t ActivityView::LineOf(std::size_t offset) const {
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return static_cast<std::size_t>(it - starts_.begin()) - 1;
}

std::size_t ActivityView::LineEnd(std::size_t i) const {
  const std::string_view t = TextView();
  std::size_t end = i + 1 < starts_.size() ? starts_[i + 1] - 1 : t.size();
  if (end > starts_[i] && t[end - 1] == '\r') --end;
  return end;
}

std::string_view ActivityView::Line(std::size_t i) const {
  if (i >= starts_.size()) return {};
  return TextView().substr(starts_[i], LineEnd(i) - starts_[i]);
}

QString ActivityView::LineText(std::size_t i) const { return FromLocalText(Line(i)); }

std::string ActivityView::Lines() const {
  std::string all;
  for (std::size_t i = 0; i < starts_.size(); ++i) {
    if (i) all += "\r\n";
    all += Line(i);
  }
  return all;
}

qreal ActivityView::XOf(std::size_t offset) const {
  const std::size_t i = LineOf(offset);
  const std::size_t end = std::min(offset, LineEnd(i));
  return QFontMetricsF(font()).horizontalAdvance(FromLocalText(TextView().substr(starts_[i], end - starts_[i])));
}

int ActivityView::VisibleRows() const {
  const int lh = std::max(1, fontMetrics().lineSpacing());
  return std::max(1, (viewport()->height() - 2 * kMargin) / lh);
}

std::size_t ActivityView::FirstVisibleLine() const { return static_cast<std::size_t>(verticalScrollBar()->value()); }

void ActivityView::UpdateScrollBars() {
  if (TextView().empty()) {
    // Nothing to measure: the font is not even looked up (the window's first paint comes before
    // the start-up report).
    verticalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setRange(0, 0);
    return;
  }
  const int rows = VisibleRows();
  const auto lines = static_cast<long long>(starts_.size());
  QScrollBar* v = verticalScrollBar();
  v->setPageStep(rows);
  v->setRange(0, static_cast<int>(std::max<long long>(0, std::min<long long>(lines - rows, INT32_MAX))));
  QScrollBar* h = horizontalScrollBar();
  const int room = viewport()->width() - 2 * kMargin;
  h->setPageStep(std::max(1, room));
  h->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
  h->setRange(0, std::max(0, widest_ + 2 - room));  // + the caret's width
}

void ActivityView::EnsureVisible(std::size_t offset) {
  const auto line = static_cast<long long>(LineOf(offset));
  QScrollBar* v = verticalScrollBar();
  const int rows = VisibleRows();
  if (line < v->value())
    v->setValue(static_cast<int>(line));
  else if (line >= v->value() + rows)
    v->setValue(static_cast<int>(line - rows + 1));
  QScrollBar* h = horizontalScrollBar();
  const int x = static_cast<int>(XOf(offset));
  const int room = viewport()->width() - 2 * kMargin;
  if (x < h->value())
    h->setValue(x);
  else if (x + 2 > h->value() + room)
    h->setValue(x + 2 - room);
}

void ActivityView::MoveCaret(std::size_t offset, bool keepAnchor) {
  offset = std::min(offset, TextView().size());
  // Never between the CR and the LF of a line end.
  const std::size_t line = LineOf(offset);
  offset = std::min(offset, LineEnd(line));
  caret_ = offset;
  if (!keepAnchor) anchor_ = offset;
  if (!TextView().empty()) EnsureVisible(caret_);
  viewport()->update();
}

void ActivityView::Select(std::size_t anchor, std::size_t position) {
  MoveCaret(anchor, false);
  MoveCaret(position, true);
}

QString ActivityView::SelectedText() const {
  const std::size_t a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
  return LinesFromLocalText(TextView().substr(a, b - a), false);
}

void ActivityView::Copy() const {
  if (anchor_ != caret_) QGuiApplication::clipboard()->setText(SelectedText());
}

std::size_t ActivityView::OffsetAt(const QPoint& pos) const {
  const int lh = std::max(1, fontMetrics().lineSpacing());
  const long long row = static_cast<long long>(std::floor(static_cast<double>(pos.y() - kMargin) / lh));
  const long long last = static_cast<long long>(starts_.size()) - 1;
  const auto i = static_cast<std::size_t>(std::clamp(verticalScrollBar()->value() + row, 0LL, last));
  return OffsetInLine(i, pos.x() - kMargin + horizontalScrollBar()->value());
}

std::size_t ActivityView::OffsetInLine(std::size_t i, qreal x) const {
  const QString t = LineText(i);
  const QFontMetricsF fm(font());
  // The first character boundary at or past x, or the one before it when that is nearer.
  qsizetype lo = 0, hi = t.size();
  while (lo < hi) {
    const qsizetype mid = (lo + hi) / 2;
    if (fm.horizontalAdvance(t.left(mid)) < x)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo > 0 && x - fm.horizontalAdvance(t.left(lo - 1)) < fm.horizontalAdvance(t.left(lo)) - x) --lo;
  return starts_[i] + BytesOf(t, lo);
}

void ActivityView::paintEvent(QPaintEvent*) {
  if (TextView().empty()) return;  // the background only
  QPainter p(viewport());
  const QFontMetricsF fm(font());
  const int lh = std::max(1, fontMetrics().lineSpacing());
  const qreal ascent = fm.ascent();
  const int hx = horizontalScrollBar()->value();
  const std::size_t s = std::min(anchor_, caret_), e = std::max(anchor_, caret_);
  const QPalette& pal = palette();
  const QColor text = pal.color(QPalette::Text);
  const QColor high = pal.color(QPalette::Highlight);
  const QColor highText = pal.color(QPalette::HighlightedText);
  const int height = viewport()->height();

  for (std::size_t i = FirstVisibleLine(), row = 0; i < starts_.size(); ++i, ++row) {
    const int top = kMargin + static_cast<int>(row) * lh;
    if (top >= height) break;
    const qreal x0 = kMargin - hx;
    const qreal base = top + ascent;
    const std::size_t ls = starts_[i], le = LineEnd(i);
    const QString line = LineText(i);
    const std::size_t a = std::clamp(s, ls, le), b = std::clamp(e, ls, le);
    if (a < b || (s <= le && e > le && i + 1 < starts_.size())) {
      // Before, inside and after the selection, each drawn once in its own colour.
      const QString before = FromLocalText(TextView().substr(ls, a - ls));
      const QString inside = FromLocalText(TextView().substr(a, b - a));
      const qreal xa = fm.horizontalAdvance(before), xb = xa + fm.horizontalAdvance(inside);
      // A selected line end shows as a space's width.
      const qreal tail = (s <= le && e > le) ? fm.horizontalAdvance(QLatin1Char(' ')) : 0;
      p.fillRect(QRectF(x0 + xa, top, xb - xa + tail, lh), high);
      p.setPen(text);
      p.drawText(QPointF(x0, base), before);
      p.setPen(highText);
      p.drawText(QPointF(x0 + xa, base), inside);
      p.setPen(text);
      p.drawText(QPointF(x0 + xb, base), FromLocalText(TextView().substr(b, le - b)));
    } else {
      p.setPen(text);
      p.drawText(QPointF(x0, base), line);
    }
    if (hasFocus() && caret_ >= ls && caret_ <= le) {
      const qreal x = x0 + fm.horizontalAdvance(FromLocalText(TextView().substr(ls, caret_ - ls)));
      p.fillRect(QRectF(x, top, 1, lh), text);
    }
  }
}

void ActivityView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollBars();
}

void ActivityView::changeEvent(QEvent* e) {
  QAbstractScrollArea::changeEvent(e);
  if (e->type() == QEvent::FontChange && !TextView().empty()) {
    widest_ = 0;
    for (std::size_t i = 0; i < starts_.size(); ++i) SetLineWidth(i);
    UpdateScrollBars();
  }
}

void ActivityView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(e);
  MoveCaret(OffsetAt(e->position().toPoint()), e->modifiers() & Qt::ShiftModifier);
  selecting_ = true;
}

void ActivityView::mouseMoveEvent(QMouseEvent* e) {
  if (selecting_ && (e->buttons() & Qt::LeftButton)) MoveCaret(OffsetAt(e->position().toPoint()), true);
}

void ActivityView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QAbstractScrollArea::mouseReleaseEvent(e);
  selecting_ = false;
  QClipboard* c = QGuiApplication::clipboard();
  if (anchor_ != caret_ && c->supportsSelection()) c->setText(SelectedText(), QClipboard::Selection);
}

void ActivityView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  // The word under the pointer: the run of characters between blanks.
  const std::size_t at = OffsetAt(e->position().toPoint());
  const std::size_t i = LineOf(at);
  const std::string_view t = TextView();
  std::size_t a = at, b = at;
  while (a > starts_[i] && t[a - 1] != ' ') --a;
  while (b < LineEnd(i) && t[b] != ' ') ++b;
  Select(a, b);
}

void ActivityView::keyPressEvent(QKeyEvent* e) {
  if (e->matches(QKeySequence::Copy)) return Copy();
  if (e->matches(QKeySequence::SelectAll)) return Select(0, TextView().size());
  const bool shift = e->modifiers() & Qt::ShiftModifier;
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  const std::string_view t = TextView();
  const std::size_t line = LineOf(caret_);
  // Up and down keep the caret's place across the line as near as the other line allows.
  auto toLine = [&](long long delta) {
    const long long last = static_cast<long long>(starts_.size()) - 1;
    const auto target = static_cast<std::size_t>(std::clamp(static_cast<long long>(line) + delta, 0LL, last));
    return OffsetInLine(target, XOf(caret_));
  };
  std::size_t to = caret_;
  switch (e->key()) {
    case Qt::Key_Left:
      if (caret_ == starts_[line] && line > 0)
        to = LineEnd(line - 1);
      else if (caret_ > 0) {
        to = caret_ - 1;
        while (to > starts_[line] && (static_cast<unsigned char>(t[to]) & 0xC0) == 0x80) --to;
      }
      break;
    case Qt::Key_Right:
      if (caret_ >= LineEnd(line))
        to = line + 1 < starts_.size() ? starts_[line + 1] : caret_;
      else {
        to = caret_ + 1;
        while (to < LineEnd(line) && (static_cast<unsigned char>(t[to]) & 0xC0) == 0x80) ++to;
      }
      break;
    case Qt::Key_Up: to = toLine(-1); break;
    case Qt::Key_Down: to = toLine(1); break;
    case Qt::Key_PageUp: to = toLine(-VisibleRows()); break;
    case Qt::Key_PageDown: to = toLine(VisibleRows()); break;
    case Qt::Key_Home: to = ctrl ? 0 : starts_[line]; break;
    case Qt::Key_End: to = ctrl ? t.size() : LineEnd(line); break;
    default: return QAbstractScrollArea::keyPressEvent(e);
  }
  MoveCaret(to, shift);
}

void ActivityView::contextMenuEvent(QContextMenuEvent* e) {
  QMenu menu(this);
  QAction* copy = menu.addAction(tr("&Copy"), this, [this] { Copy(); });
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(anchor_ != caret_);
  menu.addSeparator();
  QAction* all = menu.addAction(tr("Select All"), this, [this] { Select(0, TextView().size()); });
  all->setShortcut(QKeySequence::SelectAll);
  menu.exec(e->globalPos());
}

void ActivityView::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  viewport()->update();
}

void ActivityView::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  viewport()->update();
}

}  // namespace tavrel::qt
