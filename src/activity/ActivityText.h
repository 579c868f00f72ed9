// The text of the activity view txtConnection. The behaviour owns the text; a view shows it and
// is told of each change as it happens: a whole replacement, or a piece added at the end, so
// that adding an entry costs in proportion to the entry, never to the whole text.
#pragma once

#include <string>
#include <string_view>

namespace tavrel {

class ActivityText {
 public:
  class ISink {
   public:
    virtual ~ISink() = default;
    virtual void Replaced(const std::string& wholeText) = 0;
    virtual void Appended(std::string_view piece) = 0;
  };

  const std::string& Text() const { return text_; }
  void Replace(std::string text);
  void Append(std::string_view piece);
  void SetSink(ISink* sink) { sink_ = sink; }

 private:
  std::string text_;
  ISink* sink_ = nullptr;
};

}  // namespace tavrel
