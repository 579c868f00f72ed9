// The yardstick of the whole-program benchmark: a bare Qt window of the main window's size and
// flags (frameless, on top), with nothing in it.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  w.setWindowTitle(QStringLiteral("Tavrel"));
  w.resize(418, 245);
  w.show();
  return QApplication::exec();
}
