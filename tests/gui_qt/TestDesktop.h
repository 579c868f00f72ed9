// The real desktop services with the test in the user's place: boxes are answered by the test and
// what would be handed to xdg-open is recorded instead.
#pragma once

#include <gtest/gtest.h>
#include <functional>
#include <string>

#include "gui/qt/QtDesktop.h"

namespace tavrel::qt {

class TestDesktop : public QtDesktop {
 public:
  TestDesktop() : QtDesktop("Tavrel") {}

  // Text, code and caption in, the button out. Unset, the real box shows (a test on the desktop
  // answers it with the keyboard); by default a box the test does not expect fails it.
  std::function<int(const std::string&, int, const std::string&)> answerBoxes = [](const std::string& text, int code,
                                                                                   const std::string&) {
    ADD_FAILURE() << "unanswered message box (code " << code << "): " << text;
    return (code & 0x0F) == 4 ? mb::kNo : mb::kOk;
  };
  // Sees what would be opened ("open") or launched ("launch"); nothing is really started.
  std::function<bool(const std::string& verb, const std::string& target)> interceptOpen =
      [](const std::string&, const std::string&) { return true; };

 protected:
  int ShowBox(const std::string& text, int code, const std::string& caption) override {
    return answerBoxes ? answerBoxes(text, code, caption) : QtDesktop::ShowBox(text, code, caption);
  }
  bool Open(const std::string& verb, const std::string& target) override { return interceptOpen(verb, target); }
};

}  // namespace tavrel::qt
