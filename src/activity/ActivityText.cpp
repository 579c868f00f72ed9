#include "activity/ActivityText.h"

namespace tavrel {

void ActivityText::Replace(std::string text) {
  text_ = std::move(text);
  if (sink_) sink_->Replaced(text_);
}

void ActivityText::Append(std::string_view piece) {
  text_.append(piece);
  if (sink_) sink_->Appended(piece);
}

}  // namespace tavrel
