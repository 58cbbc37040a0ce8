#include "talk/talk_context.h"

namespace mirelon {

TalkContext::TalkContext(std::shared_ptr<StreamStore> s) : store(*s), sharedStore_(std::move(s)) {}

TalkContext::~TalkContext() = default;

void TalkContext::SetDescription(std::u16string text) {
  std::lock_guard<std::mutex> lock(descriptionMutex_);
  description_ = std::move(text);
}

std::optional<std::u16string> TalkContext::Description() const {
  std::lock_guard<std::mutex> lock(descriptionMutex_);
  return description_;
}

}  // namespace mirelon
