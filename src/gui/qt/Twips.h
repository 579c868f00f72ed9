// Twips (1/1440 inch) to pixels at the screen's logical DPI: 15 twips a pixel at 96 DPI.
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace tavrel::qt {

inline double ScreenDpi() {
  const QScreen* s = QGuiApplication::primaryScreen();
  const double dpi = s ? s->logicalDotsPerInchX() : 96.0;
  return dpi > 0 ? dpi : 96.0;
}
inline int Px(double twips) { return static_cast<int>(std::lround(twips * ScreenDpi() / 1440.0)); }
inline long Tw(int pixels) { return std::lround(pixels * 1440.0 / ScreenDpi()); }

// The pixel size of the screen a window is on (the primary screen before it is shown).
inline QSize ScreenPixels(const QWidget* w) {
  const QScreen* s = w && w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  return s ? s->geometry().size() : QSize();
}
inline long ScreenWidthTw(const QWidget* w) { return Tw(ScreenPixels(w).width()); }
inline long ScreenHeightTw(const QWidget* w) { return Tw(ScreenPixels(w).height()); }

}  // namespace tavrel::qt
