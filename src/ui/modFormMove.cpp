#include "ui/modFormMove.h"

#include <exception>
#include <string>

namespace tavrel::modFormMove {

namespace {
std::string UpperCase(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}
}  // namespace

void DragForm(Env& env, WindowHandle window, ActivityText& txtConnection) {
  std::string error;
  try {
    error = env.wm.StartMove(window);
  } catch (const std::exception& e) {
    error = e.what();
    if (error.empty()) error = "move failed";
  } catch (...) { error = "move failed"; }
  // The description goes to the end of the activity view as it is, upper-cased: no time stamp,
  // no line break. An empty description (the usual case) adds nothing, so a drag that went well
  // leaves no trace in the view or the log.
  if (!error.empty()) txtConnection.Append(UpperCase(error));
}

}  // namespace tavrel::modFormMove
