#include "gui/qt/Widgets.h"

#include "gui/qt/ImageButton.h"

namespace tavrel::qt {

QString FromLocalText(std::string_view s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

QString LinesFromLocalText(std::string_view s, bool loneCrEndsLine) {
  QString q = FromLocalText(s);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (loneCrEndsLine) q.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return q;
}

QColor FromBgr(std::uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

QFont PickFont(const QStringList& families, double points, bool bold) {
  QFont f;
  f.setFamilies(families);
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

QFont VerdanaFont(double points, bool bold) {
  return PickFont({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"), QStringLiteral("Bitstream Vera Sans")},
                  points, bold);
}

QFont ArialFont(double points, bool bold) {
  return PickFont({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                   QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")},
                  points, bold);
}

void ClickLabel::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  if (onMove) onMove(ButtonCode(e->button()), ShiftCode(e->modifiers()), p.x(), p.y());
  e->accept();
}

void ClickLabel::mousePressEvent(QMouseEvent* e) {
  down_ = e->button() == Qt::LeftButton;
  e->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = down_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  down_ = false;
  e->accept();
  if (click && onClick) onClick();
}

}  // namespace tavrel::qt
