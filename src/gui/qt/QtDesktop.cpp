#include "gui/qt/QtDesktop.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include "gui/qt/Widgets.h"
#include "platform/linux/StopRequest.h"

namespace tavrel::qt {

int QtDesktop::MsgBox(const std::string& text, int code, const std::string& caption) {
  return ShowBox(text, code, caption.empty() ? title_ : caption);
}

int QtDesktop::ShowBox(const std::string& text, int code, const std::string& title) {
  QMessageBox box;
  box.setWindowTitle(QString::fromLocal8Bit(title.c_str()));
  // The texts use CR LF between lines; Qt wants LF.
  box.setText(LinesFromLocalText(text, false));
  const bool yesNo = (code & 0x0F) == 4;
  switch (code & 0xF0) {
    case 16: box.setIcon(QMessageBox::Critical); break;
    case 32: box.setIcon(QMessageBox::Question); break;
    case 48: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
  }
  if (yesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  const int answer = box.exec();
  if (yesNo) return answer == QMessageBox::Yes ? mb::kYes : mb::kNo;
  return mb::kOk;
}

bool QtDesktop::Open(const std::string&, const std::string& target) {
  // Detached, so that the program never waits for the browser or file manager; the target is
  // one argument, never parsed by a shell.
  return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromLocal8Bit(target.c_str())});
}

// The program is ending (a signal came): nothing is opened any more.
void QtDesktop::ShellOpen(const std::string& target) {
  if (!linux_platform::StopRequested()) Open("open", target);
}

bool QtDesktop::LaunchProgram(const std::string& command) {
  return !linux_platform::StopRequested() && Open("launch", command);
}

void QtDesktop::DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 100); }

QtTimer::QtTimer(int intervalMs, std::function<void()> onTick) {
  timer_.setInterval(intervalMs);
  QObject::connect(&timer_, &QTimer::timeout, [tick = std::move(onTick)] { tick(); });
}

void QtTimer::SetEnabled(bool enabled) {
  if (enabled) {
    timer_.start();  // restarts the countdown
  } else {
    timer_.stop();
  }
}

}  // namespace tavrel::qt
