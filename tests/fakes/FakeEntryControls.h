// The phonebook list and the two account boxes in memory.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "monitor/modRAS.h"

namespace tavrel::fakes {

class FakeEntryList : public modRAS::IEntryList {
 public:
  void AddItem(const std::string& text) override { items.push_back(text); }
  int ListCount() const override { return static_cast<int>(items.size()); }
  int ListIndex() const override { return index; }
  void SetListIndex(int i) override { index = i; }
  std::string Text() const override {
    return index >= 0 && index < ListCount() ? items[static_cast<std::size_t>(index)] : "";
  }
  std::vector<std::string> items;
  int index = -1;
};

class FakeTextBox : public modRAS::ITextBox {
 public:
  explicit FakeTextBox(std::string t = "") : text(std::move(t)) {}
  std::string Text() const override { return text; }
  void SetText(const std::string& t) override { text = t; }
  std::string text;
};

}  // namespace tavrel::fakes
