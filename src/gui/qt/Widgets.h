// Small pieces the program's windows share: their fonts and a label that acts as a link.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string_view>

namespace tavrel::qt {

// The behaviour's text (in the locale's encoding) as Qt's.
QString FromLocalText(std::string_view s);
// The same with the line ends Qt's texts use: LF for CR LF, and for a lone CR too where
// loneCrEndsLine (a text box shows a lone CR as a line break; the activity view keeps it).
QString LinesFromLocalText(std::string_view s, bool loneCrEndsLine);
// A colour as the behaviour gives it, 0x00BBGGRR.
QColor FromBgr(std::uint32_t c);

// The first installed of the families, else a sans-serif, at the size given.
QFont PickFont(const QStringList& families, double points, bool bold = false);
// Verdana where it is installed, else the close sans-serif DejaVu Sans.
QFont VerdanaFont(double points, bool bold = false);
// Arial where it is installed, else a sans-serif with the same letter widths.
QFont ArialFont(double points, bool bold = false);

// A label that reports mouse moves and left-button clicks (press and release on it).
class ClickLabel : public QLabel {
 public:
  ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) { setMouseTracking(true); }
  // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt; x, y in pixels.
  std::function<void(int button, int shift, int x, int y)> onMove;
  std::function<void()> onClick;

 protected:
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  bool down_ = false;
};

}  // namespace tavrel::qt
