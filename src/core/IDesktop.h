// Desktop services that many windows and modules share.
#pragma once

#include <string>

namespace tavrel {

// Button-and-icon codes of the message box.
namespace mb {
inline constexpr int kOkOnly = 0;             // OK, no icon: socket errors, error numbers
inline constexpr int kInformation = 64;       // OK, information icon: reports
inline constexpr int kExclamation = 48;       // OK, exclamation icon: warnings
inline constexpr int kYesNoQuestion = 36;     // Yes/No, question icon
inline constexpr int kYesNoExclamation = 52;  // Yes/No, exclamation icon
// Answers.
inline constexpr int kOk = 1;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace mb

class IDesktop {
 public:
  virtual ~IDesktop() = default;
  // Modal; returns the button pressed (mb::kYes, mb::kNo, mb::kOk). An empty caption means the
  // application title.
  virtual int MsgBox(const std::string& text, int code, const std::string& caption) = 0;
  // Opens a file or URL with the program the desktop associates with it; the result is not
  // examined by callers.
  virtual void ShellOpen(const std::string& target) = 0;
  // Starts a program (or shows a folder) in a normal, focused window. Returns false when the
  // launch failed; a failure never ends this program.
  virtual bool LaunchProgram(const std::string& command) = 0;
  // Lets window events that wait in the queue run before returning.
  virtual void DoEvents() = 0;
};

}  // namespace tavrel
