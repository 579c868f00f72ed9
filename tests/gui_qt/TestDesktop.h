// The real desktop services with the test in the user's place: boxes are recorded and answered by
// the test, and what would be handed to xdg-open is recorded instead of opened.
#pragma once

#include <string>
#include <vector>

#include "fakes/FakeDesktop.h"
#include "gui/qt/QtDesktop.h"

namespace tavrel::qt {

class TestDesktop : public QtDesktop {
 public:
  TestDesktop() : QtDesktop("Tavrel") {}

  // With realBoxes the real box shows (a test on the desktop answers it with the keyboard).
  bool realBoxes = false;
  int answer = mb::kOk;
  std::vector<fakes::Box> boxes;
  // What would be opened or launched ("open <target>", "launch <command>"); nothing is started.
  std::vector<std::string> opened;

 protected:
  int ShowBox(const std::string& text, int code, const std::string& caption) override {
    if (realBoxes) return QtDesktop::ShowBox(text, code, caption);
    boxes.push_back({text, code, caption});
    return answer;
  }
  bool Open(const std::string& verb, const std::string& target) override {
    opened.push_back(verb + " " + target);
    return true;
  }
};

}  // namespace tavrel::qt
