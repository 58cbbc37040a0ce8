// What the speech tests share: the texts a recording engine was given, and
// an edit control kept in memory whose lines end at CR.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "speech/reading_hook.h"
#include "support/recording_speech_engine.h"

namespace mirelon {

// The texts spoken, in order.
inline std::vector<std::u16string> Spoken(const RecordingSpeechEngine& engine) {
  std::vector<std::u16string> texts;
  for (const std::u16string& call : engine.Calls()) {
    if (call.rfind(u"Speak(", 0) == 0 && call.size() >= 9) texts.push_back(call.substr(6, call.size() - 9));
  }
  return texts;
}

class MemoryEditView final : public EditView {
 public:
  std::u16string text;
  int caret = 0;
  int anchor = 0;  // the other end of the selection

  int CaretPosition() override { return caret; }
  void Selection(int& start, int& end) override {
    start = std::min(caret, anchor);
    end = std::max(caret, anchor);
  }
  int TextLength() override { return static_cast<int>(text.size()); }
  int LineCount() override { return static_cast<int>(std::count(text.begin(), text.end(), u'\r')) + 1; }
  int LineFromPosition(int position) override {
    return static_cast<int>(std::count(text.begin(), text.begin() + std::clamp(position, 0, TextLength()), u'\r'));
  }
  int LineStart(int line) override {
    int start = 0;
    for (int n = 0; n < line; ++n) {
      const size_t cr = text.find(u'\r', static_cast<size_t>(start));
      if (cr == std::u16string::npos) return -1;
      start = static_cast<int>(cr) + 1;
    }
    return start;
  }
  std::u16string TextRange(int start, int end) override {
    return text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
  }
  void SetCaretQuietly(int position) override { caret = anchor = position; }
};

}  // namespace mirelon
