#include "speech/reading_hook.h"

#include <algorithm>

#include "base/utf.h"
#include "braille/cells.h"
#include "speech/reading.h"

namespace mirelon {

namespace {

constexpr char16_t kPageBreak = 12;
constexpr char16_t kBlankPattern = 0x2800;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// What stands first in a text that runs to a line's end: 0 for the end of
// the text.
char16_t FirstOf(std::u16string_view text) { return text.empty() ? 0 : text[0]; }

// Where the text from the caret shows that the caret stands at the end of
// a line (or of the text, or before a page break): the word for it.
std::optional<std::u16string_view> LineEndWord(char16_t first) {
  switch (first) {
    case 0:
      return u"行末";
    case kPageBreak:
      return u"改頁";
    case u'\r':
      return u"改行";
  }
  return std::nullopt;
}

bool IsEmptyLine(std::u16string_view line) {
  const char16_t first = FirstOf(line);
  return first == 0 || first == kPageBreak || first == u'\r';
}

}  // namespace

ReadingHook::ReadingHook(ReadingKind kind, EditView& view, SpeechSettings& settings,
                         std::function<void()> brailleSpaceSound)
    : kind_(kind), view_(view), settings_(settings), brailleSpaceSound_(std::move(brailleSpaceSound)) {}

std::u16string_view ReadingHook::CharacterAt(std::u16string_view line, size_t index) {
  if (index >= line.size()) return {};
  if (IsHighSurrogate(line[index]) && index + 1 < line.size() && IsLowSurrogate(line[index + 1]))
    return line.substr(index, 2);
  if (IsLowSurrogate(line[index]) && index > 0 && IsHighSurrogate(line[index - 1])) return line.substr(index - 1, 2);
  return line.substr(index, 1);
}

std::u16string_view ReadingHook::CharacterBefore(std::u16string_view line, size_t index) {
  if (index == 0 || index > line.size()) return {};
  return CharacterAt(line, index - 1);
}

ReadingHook::Line ReadingHook::GetLineText(int position, bool fromPosition) {
  Line line;
  const int number = view_.LineFromPosition(position);
  line.start = std::max(0, view_.LineStart(number));
  const int length = view_.TextLength();
  int end = number + 1 < view_.LineCount() ? view_.LineStart(number + 1) : length;
  if (end < line.start || end > length) end = length;
  position = std::clamp(position, line.start, std::max(line.start, end));
  line.offset = position - line.start;
  line.text = view_.TextRange(fromPosition ? position : line.start, end);
  return line;
}

void ReadingHook::BeforeKeyDown(ReadingKey key, bool ctrl, bool shift) {
  savedCaret_ = view_.CaretPosition();
  if (settings_.engine) settings_.engine->StopSpeech();
  switch (key) {
    case ReadingKey::kBack:
    case ReadingKey::kDelete:
      PrepareRemoved(key);
      break;
    case ReadingKey::kComma:
      if (ctrl) shift ? SpeakLineCommand(false) : SpeakLineStart();
      break;
    case ReadingKey::kPeriod:
      if (ctrl) SpeakLineCommand(true);
      break;
    default:
      break;
  }
}

void ReadingHook::BeforeChar(char16_t code) {
  if (code >= 0x20) savedCaret_ = view_.CaretPosition();
}

void ReadingHook::AfterKeyUp(ReadingKey key, bool ctrl) {
  switch (key) {
    case ReadingKey::kBack:
    case ReadingKey::kDelete:
      SpeakRemoved();
      break;
    case ReadingKey::kUp:
    case ReadingKey::kDown:
      SpeakLineAtCaret();
      break;
    case ReadingKey::kHome:
    case ReadingKey::kEnd:
      ctrl ? SpeakLineAtCaret() : SpeakCharAtCaret();
      break;
    case ReadingKey::kLeft:
    case ReadingKey::kRight:
      if (!ctrl) {
        SpeakCharAtCaret();
      } else if (settings_.engine) {
        const int caret = view_.CaretPosition();
        key == ReadingKey::kLeft ? SpeakRange(caret, savedCaret_) : SpeakRange(savedCaret_, caret);
      }
      break;
    default:
      break;
  }
}

void ReadingHook::AfterChar(char16_t code) {
  if (code < 0x20 || view_.CaretPosition() == savedCaret_) return;
  // A blank cell has nothing to say: a short tone tells that it was typed.
  if (code == kBlankPattern) {
    if (brailleSpaceSound_) brailleSpaceSound_();
    return;
  }
  SpeakCharBeforeCaret();
}

void ReadingHook::PrepareRemoved(ReadingKey key) {
  removedLine_.reset();
  int start = 0, end = 0;
  view_.Selection(start, end);
  // A removed selection is not spoken.
  if (start != end) return;
  int position = savedCaret_;
  if (key == ReadingKey::kBack) {
    if (position <= 0) return;
    --position;
  }
  savedLength_ = view_.TextLength();
  Line line = GetLineText(position, false);
  removedLine_ = std::move(line.text);
  removedOffset_ = line.offset;
}

void ReadingHook::SpeakRemoved() {
  if (!removedLine_) return;
  const std::u16string line = std::move(*removedLine_);
  removedLine_.reset();
  if (!settings_.engine || view_.TextLength() >= savedLength_) return;
  const size_t offset = static_cast<size_t>(removedOffset_);
  if (offset >= line.size()) return;
  if (IsUnicodeBraille(line[offset])) {
    if (settings_.On(SpeechScene::kInputChar_Brl)) SpeakBrailleCell(settings_, line, offset, Urgency::kAll);
    return;
  }
  SpeakTypedChar(settings_, CharacterAt(line, offset));
}

void ReadingHook::SpeakCharAtCaret() {
  if (!settings_.engine) return;
  const Line line = GetLineText(view_.CaretPosition(), false);
  const size_t offset = static_cast<size_t>(line.offset);
  if (offset >= line.text.size()) return;
  if (IsUnicodeBraille(line.text[offset])) {
    if (settings_.On(SpeechScene::kMoveChar_Brl)) SpeakBrailleCell(settings_, line.text, offset, Urgency::kMostRecent);
    return;
  }
  SpeakMovedChar(settings_, CharacterAt(line.text, offset));
}

void ReadingHook::SpeakCharBeforeCaret() {
  if (!settings_.engine) return;
  const Line line = GetLineText(view_.CaretPosition(), false);
  const std::u16string_view character = CharacterBefore(line.text, static_cast<size_t>(line.offset));
  if (character.empty()) return;
  if (IsUnicodeBraille(character[0])) {
    if (settings_.On(SpeechScene::kInputChar_Brl))
      SpeakBrailleCell(settings_, line.text, static_cast<size_t>(line.offset) - 1, Urgency::kAll);
    return;
  }
  SpeakTypedChar(settings_, character);
}

void ReadingHook::SpeakLineAtCaret() {
  if (!settings_.engine) return;
  const Line line = GetLineText(view_.CaretPosition(), true);
  if (line.offset != 0) {
    if (std::optional<std::u16string_view> word = LineEndWord(FirstOf(line.text))) {
      SpeakIfMoveLine(settings_, *word);
      return;
    }
  }
  if (HoldsBraille(line.text)) {
    if (settings_.On(SpeechScene::kMoveLine_Brl)) SpeakBrailleAsKana(settings_, line.text);
    return;
  }
  SpeakIfMoveLine(settings_, line.text);
}

void ReadingHook::SpeakLineCommand(bool fromCaret) {
  if (!settings_.engine) return;
  const Line line = GetLineText(view_.CaretPosition(), fromCaret);
  if (fromCaret && line.offset != 0) {
    if (std::optional<std::u16string_view> word = LineEndWord(FirstOf(line.text))) {
      SpeakText(settings_, *word);
      return;
    }
  }
  HoldsBraille(line.text) ? SpeakBrailleAsKana(settings_, line.text) : SpeakText(settings_, line.text);
}

void ReadingHook::SpeakLineStart() {
  if (!settings_.engine) return;
  const Line line = GetLineText(view_.CaretPosition(), false);
  if (line.offset == 0) {
    SpeakText(settings_, IsEmptyLine(line.text) ? u"空行" : u"行頭");
    return;
  }
  const std::u16string_view before = std::u16string_view(line.text).substr(0, static_cast<size_t>(line.offset));
  int spaces = 0, wideSpaces = 0, tabs = 0, blankCells = 0;
  bool other = false;
  for (char16_t c : before) {
    switch (c) {
      case u' ':
        ++spaces;
        break;
      case 0x3000:
        ++wideSpaces;
        break;
      case u'\t':
        ++tabs;
        break;
      case kBlankPattern:
        ++blankCells;
        break;
      default:
        other = true;
    }
  }
  if (other) {
    HoldsBraille(before) ? SpeakBrailleAsKana(settings_, before) : SpeakText(settings_, before);
    return;
  }
  // Only blanks before the caret: how many of each kind.
  std::u16string report = u"行頭 ";
  const auto add = [&report](int count, std::u16string_view name) {
    if (count > 0) report += std::u16string(name) + u" " + U16(std::to_string(count)) + u"個、";
  };
  add(spaces, u"スペース");
  add(wideSpaces, u"全角スペース");
  add(tabs, u"タブ");
  add(blankCells, u"マス空け");
  SpeakText(settings_, report);
}

void ReadingHook::SpeakRange(int start, int end) {
  if (!settings_.engine || end <= start) return;
  const std::u16string text = view_.TextRange(start, end);
  if (HoldsBraille(text)) {
    SpeakBrailleAsKana(settings_, text);
  } else if (kind_ == ReadingKind::kViewer) {
    SpeakText(settings_, text);
  } else {
    SpeakIfMoveLine(settings_, text);
  }
}

void ReadingHook::SpeakJumpLine(bool fromCaret) {
  if (!settings_.engine || !settings_.On(SpeechScene::kJumpPosition)) return;
  const Line line = GetLineText(view_.CaretPosition(), fromCaret);
  if (fromCaret && line.offset != 0) {
    if (std::optional<std::u16string_view> word = LineEndWord(FirstOf(line.text))) {
      SpeakText(settings_, *word);
      return;
    }
  }
  if (HoldsBraille(line.text) && settings_.On(SpeechScene::kJumpPosition_Brl))
    SpeakBrailleAsKana(settings_, line.text);
  else
    SpeakText(settings_, line.text);
}

}  // namespace mirelon
