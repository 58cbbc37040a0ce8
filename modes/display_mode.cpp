#include "modes/display_mode.h"

#include <algorithm>
#include <cstring>

#include "braille/cells.h"

namespace mirelon {

namespace {

constexpr std::u16string_view kEditingStarted = u"編集開始";
constexpr std::u16string_view kNumberEntryStarted = u"番号入力";
constexpr std::u16string_view kKeywordEditingStarted = u"キーワード編集";
constexpr std::u16string_view kCancelled = u"キャンセル";
constexpr std::u16string_view kBookmarkSet = u"ブックマークを設定しました。";
constexpr std::u16string_view kBookmarkRemoved = u"ブックマークを解除しました。";

// Chords in terminal layout.
constexpr uint8_t kChordDot7 = 0x10;
constexpr uint8_t kChordDot8 = 0x01;
constexpr uint8_t kChordDots12 = 0xC0;
constexpr uint8_t kChordDots124 = 0xC8;
constexpr uint8_t kChordDots1245 = 0xCC;

// Codes of the editing, cursor and routing keys the modes take before the
// fields see them.
constexpr uint8_t kEditKeyCancel = 1;
constexpr uint8_t kCursorUp = 1;
constexpr uint8_t kCursorDown = 2;
constexpr uint8_t kRoutingFirst = 1;
constexpr uint8_t kRoutingSecond = 2;

bool WithWordModifier(const KeyEvent& key) { return (key.modifiers & KeyEvent::kModifierWord) != 0; }

bool IsChord(const KeyEvent& key, uint8_t chord) {
  return key.kind == KeyEvent::kChord && key.code == chord;
}

// A line's cells up to their terminating 0; empty for a line without
// braille.
std::span<const uint8_t> CellsOf(const BrailleLine* line) {
  const std::span<const uint8_t> all(line->braille);
  const void* zero = all.empty() ? nullptr : std::memchr(all.data(), 0, all.size());
  if (!zero) return all;
  return all.first(static_cast<size_t>(static_cast<const uint8_t*>(zero) - all.data()));
}

}  // namespace

DisplayMode::DisplayMode(const BrailleLineList& lines, DisplayBuffer& display, DisplayOutput& output,
                         DisplayModeHost& host, bool postingAllowed)
    : lines_(&lines),
      output_(&output),
      host_(&host),
      view_(display, output),
      edit_(display, output),
      number_(display, output),
      keywordField_(display, output),
      postingAllowed_(postingAllowed),
      current_(lines.Sentinel().older.load(std::memory_order_acquire)) {
  bookmarks_.reserve(kMaxBookmarks);
  edit_.InitTextField(EditField::kMessageCapacity);
  number_.InitNumberField();
  keywordField_.InitTextField(EditField::kKeywordCapacity, EditField::kKeywordPrefix);
}

const BrailleLine* DisplayMode::Older(const BrailleLine* line) const {
  return line->older.load(std::memory_order_acquire);
}

const BrailleLine* DisplayMode::Newer(const BrailleLine* line) const {
  return line->newer.load(std::memory_order_acquire);
}

// --- keys ---

void DisplayMode::HandleKey(const KeyEvent& key) {
  switch (State()) {
    case DisplayState::kViewing: ViewingKey(key); break;
    case DisplayState::kEditing: EditingKey(key); break;
    case DisplayState::kNumberEntry: NumberKey(key); break;
    case DisplayState::kKeywordEditing: KeywordKey(key); break;
  }
  PublishEditLine();
}

void DisplayMode::ViewingKey(const KeyEvent& key) {
  const bool word = WithWordModifier(key);
  switch (key.kind) {
    case KeyEvent::kPan:
      if (key.modifiers == KeyEvent::kBackward)
        PanBackward();
      else if (key.modifiers == KeyEvent::kForward)
        PanForward();
      return;
    case KeyEvent::kChord:
      if (key.code == kChordDot7)
        LatestMessage();
      else if (key.code == kChordDot8)
        StartEditing();
      else if (key.code == kChordDots12 && word)
        ToggleBookmark();
      else if (key.code == kChordDots124 && word)
        StartKeywordEditing();
      else if (key.code == kChordDots1245 && word)
        StartNumberEntry();
      return;
    case KeyEvent::kCursor:
      if (key.code == kCursorUp)
        word ? PreviousMessage() : PreviousLine();
      else if (key.code == kCursorDown)
        word ? NextMessage() : NextLine();
      return;
    case KeyEvent::kRouting:
      if (key.code == kRoutingFirst && key.modifiers != 0) StartNumberEntry();
      return;
    default:
      return;
  }
}

void DisplayMode::EditingKey(const KeyEvent& key) {
  const bool word = WithWordModifier(key);
  if (IsChord(key, kChordDot7)) {
    Post();
  } else if (key.kind == KeyEvent::kEdit && key.code == kEditKeyCancel) {
    CancelEditing();
  } else if (key.kind == KeyEvent::kCursor && key.code == kCursorUp) {
    LeaveAndMove([&] { return word ? PreviousMessage() : PreviousLine(); });
  } else if (key.kind == KeyEvent::kCursor && key.code == kCursorDown) {
    LeaveAndMove([&] { return word ? NextMessage() : NextLine(); });
  } else if (edit_.HandleFieldKey(key)) {
    Notify();
  }
}

void DisplayMode::NumberKey(const KeyEvent& key) {
  const bool routingWithModifier = key.kind == KeyEvent::kRouting && key.modifiers != 0;
  if (IsChord(key, kChordDot7) || (routingWithModifier && key.code == kRoutingFirst)) {
    Jump();
  } else if ((key.kind == KeyEvent::kEdit && key.code == kEditKeyCancel) ||
             (routingWithModifier && key.code == kRoutingSecond)) {
    CancelNumberEntry();
  } else if (number_.HandleNumberKey(key)) {
    Notify();
  }
}

void DisplayMode::KeywordKey(const KeyEvent& key) {
  if (IsChord(key, kChordDot7)) {
    FinishKeyword(Search::kFromTop);
  } else if (key.kind == KeyEvent::kEdit && key.code == kEditKeyCancel) {
    CancelKeywordEditing();
  } else if (keywordField_.HandleFieldKey(key)) {
    Notify();
  }
}

bool DisplayMode::HandleCommandKey(bool pressed, uint8_t letter) {
  const DisplayState state = State();
  const bool top = (modifiers_ & kModifierTop) != 0;
  const bool backward = (modifiers_ & kModifierBackward) != 0;
  const Search direction = top ? Search::kFromTop : backward ? Search::kBackward : Search::kForward;
  bool handled = true;
  switch (letter) {
    case 'r':
      if (state == DisplayState::kKeywordEditing) {
        if (pressed) FinishKeyword(direction);
      } else if (state == DisplayState::kViewing) {
        if (pressed) RunSearch(direction);
      }
      break;
    case 'v':
    case 'w':
      if (state == DisplayState::kKeywordEditing) {
        handled = false;
        break;
      }
      LeaveAndMove([&] {
        if (!pressed) return false;
        if (letter == 'v') return top ? PreviousMessage() : NextMessage();
        return top ? PreviousBookmark() : NextBookmark();
      });
      break;
    default:
      handled = false;
  }
  PublishEditLine();
  return handled;
}

void DisplayMode::SetModifiers(uint8_t bits) { modifiers_ |= bits; }
void DisplayMode::ClearModifiers(uint8_t bits) { modifiers_ &= static_cast<uint8_t>(~bits); }

void DisplayMode::OnConnected() {
  modifiers_ = 0;
  RedrawCurrentLine();
  PublishEditLine();
}

// --- showing lines ---

void DisplayMode::ResetViewTo(const BrailleLine* line) {
  if (line == Sentinel() || line->braille.empty())
    view_.ResetWindow();
  else
    view_.ResetWindow(line->braille);
}

void DisplayMode::RedrawCurrentLine() {
  ResetViewTo(CurrentLine());
  view_.RefreshWindow();
}

void DisplayMode::ShowLine(const BrailleLine* line) {
  SetCurrent(line);
  RedrawCurrentLine();
  Notify();
  host_->Announce(line->text);
}

bool DisplayMode::MoveTo(const BrailleLine* target) {
  if (!target || target == Sentinel()) {
    output_->SignalError();
    return false;
  }
  ShowLine(target);
  return true;
}

bool DisplayMode::PreviousLine() { return MoveTo(Older(CurrentLine())); }
bool DisplayMode::NextLine() { return MoveTo(Newer(CurrentLine())); }

bool DisplayMode::PreviousMessage() {
  const BrailleLine* p = Older(CurrentLine());
  while (p != Sentinel() && !p->messageStart) p = Older(p);
  return MoveTo(p);
}

bool DisplayMode::NextMessage() {
  const BrailleLine* p = Newer(CurrentLine());
  while (p != Sentinel() && !p->messageStart) p = Newer(p);
  return MoveTo(p);
}

bool DisplayMode::LatestMessage() {
  const BrailleLine* p = Older(Sentinel());
  while (p != Sentinel() && !p->messageStart) p = Older(p);
  return MoveTo(p);
}

bool DisplayMode::MessageNumber(uint32_t n) {
  const BrailleLine* p = Newer(Sentinel());
  while (p != Sentinel() && !(p->messageStart && p->messageNumber == n)) p = Newer(p);
  return MoveTo(p);
}

// The bookmark searches start at the neighbouring line, so a bookmark on
// the current line itself is never the target.
bool DisplayMode::PreviousBookmark() {
  const BrailleLine* p = Older(CurrentLine());
  if (p == Sentinel()) return MoveTo(nullptr);
  std::optional<uint32_t> target;
  for (uint32_t b : bookmarks_)
    if (b <= p->serial && (!target || b > *target)) target = b;
  if (!target) return MoveTo(nullptr);
  while (p != Sentinel() && p->serial != *target) p = Older(p);
  return MoveTo(p);
}

bool DisplayMode::NextBookmark() {
  const BrailleLine* p = Newer(CurrentLine());
  if (p == Sentinel()) return MoveTo(nullptr);
  std::optional<uint32_t> target;
  for (uint32_t b : bookmarks_)
    if (b >= p->serial && (!target || b < *target)) target = b;
  if (!target) return MoveTo(nullptr);
  while (p != Sentinel() && p->serial != *target) p = Newer(p);
  return MoveTo(p);
}

void DisplayMode::PanBackward() {
  if (view_.HasText() && (view_.Shown() == -1 || view_.WindowStart().value_or(0) != 0)) {
    view_.PanBack();
    return;
  }
  // At the start of the line: the previous line's last page.
  const BrailleLine* older = Older(CurrentLine());
  if (older == Sentinel()) return;
  SetCurrent(older);
  ResetViewTo(older);
  if (view_.HasText()) {
    view_.SetWindowStart(view_.TextLength());
    view_.PanBack();
  } else {
    view_.RefreshWindow();
  }
  Notify();
  host_->Announce(older->text);
}

void DisplayMode::PanForward() {
  if (view_.HasText() && view_.PanForward()) return;
  NextLine();
}

// Keyword search over the lines' cells, byte for byte.
bool DisplayMode::RunSearch(Search direction) {
  if (!keyword_ || keyword_->empty()) return false;
  const std::vector<uint8_t>& k = *keyword_;
  const bool towardOlder = direction == Search::kBackward;
  const BrailleLine* line = direction == Search::kFromTop ? Newer(Sentinel())
                            : towardOlder                 ? Older(CurrentLine())
                                                          : Newer(CurrentLine());
  for (; line != Sentinel(); line = towardOlder ? Older(line) : Newer(line)) {
    const auto cells = CellsOf(line);
    if (cells.empty()) continue;
    const auto found = towardOlder ? std::find_end(cells.begin(), cells.end(), k.begin(), k.end())
                                   : std::search(cells.begin(), cells.end(), k.begin(), k.end());
    if (found == cells.end()) continue;
    const int offset = static_cast<int>(found - cells.begin());
    SetCurrent(line);
    view_.ResetWindow(line->braille);
    view_.SetCursor(offset);
    view_.ShowOffset(offset);
    Notify();
    host_->Announce(line->text);
    return true;
  }
  output_->SignalError();
  return false;
}

void DisplayMode::ToggleBookmark() {
  const BrailleLine* line = CurrentLine();
  if (line == Sentinel()) return;
  const auto it = std::find(bookmarks_.begin(), bookmarks_.end(), line->serial);
  if (it != bookmarks_.end()) {
    bookmarks_.erase(it);
    host_->Announce(kBookmarkRemoved);
  } else if (bookmarks_.size() >= kMaxBookmarks) {
    // No room: the terminal must not be told that the line was marked.
    output_->SignalError();
  } else {
    bookmarks_.push_back(line->serial);
    host_->Announce(kBookmarkSet);
  }
}

// --- states ---

template <class Move>
void DisplayMode::LeaveAndMove(Move move) {
  const bool wasEditing = State() != DisplayState::kViewing;
  SetState(DisplayState::kViewing);
  if (!move() && wasEditing) {
    RedrawCurrentLine();
    Notify();
  }
}

void DisplayMode::StartEditing() {
  if (!postingAllowed_) return;
  SetState(DisplayState::kEditing);
  edit_.PlaceCursor();
  Notify();
  host_->Announce(kEditingStarted);
}

void DisplayMode::Post() {
  std::u16string text;
  for (uint8_t cell : edit_.Content()) text.push_back(LibraryCellToUnicode(cell));
  host_->PostTypedText(std::move(text));
  edit_.Clear();
  SetState(DisplayState::kViewing);
  RedrawCurrentLine();
  Notify();
}

void DisplayMode::CancelEditing() {
  edit_.Clear();
  SetState(DisplayState::kViewing);
  RedrawCurrentLine();
  Notify();
  host_->Announce(kCancelled);
}

void DisplayMode::StartNumberEntry() {
  SetState(DisplayState::kNumberEntry);
  number_.PlaceCursor();
  const BrailleLine* line = CurrentLine();
  number_.SetNumber(line == Sentinel() ? 0 : line->messageNumber, true);
  Notify();
  host_->Announce(kNumberEntryStarted);
}

void DisplayMode::Jump() {
  const int n = number_.NumberValue();
  SetState(DisplayState::kViewing);
  if (!MessageNumber(static_cast<uint32_t>(n))) {
    RedrawCurrentLine();
    Notify();
  }
}

void DisplayMode::CancelNumberEntry() {
  number_.Clear();
  SetState(DisplayState::kViewing);
  RedrawCurrentLine();
  Notify();
  host_->Announce(kCancelled);
}

void DisplayMode::StartKeywordEditing() {
  if (!postingAllowed_) return;
  SetState(DisplayState::kKeywordEditing);
  keywordField_.PlaceCursor();
  Notify();
  host_->Announce(kKeywordEditingStarted);
}

void DisplayMode::FinishKeyword(Search direction) {
  const auto content = keywordField_.Content();
  SetState(DisplayState::kViewing);
  if (content.empty()) {
    keyword_.reset();
    RedrawCurrentLine();
  } else {
    keyword_.emplace(content.begin(), content.end());
    if (!RunSearch(direction)) RedrawCurrentLine();
  }
  Notify();
}

void DisplayMode::CancelKeywordEditing() {
  keywordField_.Clear();
  SetState(DisplayState::kViewing);
  RedrawCurrentLine();
  Notify();
  host_->Announce(kCancelled);
}

// --- the edited line for other threads ---

EditField* DisplayMode::FieldOfState() {
  switch (State()) {
    case DisplayState::kEditing: return &edit_;
    case DisplayState::kNumberEntry: return &number_;
    case DisplayState::kKeywordEditing: return &keywordField_;
    default: return nullptr;
  }
}

void DisplayMode::PublishEditLine() {
  std::optional<EditLine> line;
  if (const EditField* field = FieldOfState(); field && field->Window().WindowStart()) {
    line.emplace();
    const auto text = field->Text();
    line->cells.assign(text.begin(), text.end());
    line->start = *field->Window().WindowStart();
    line->end = line->start + std::max(field->Window().Shown(), 0);
  }
  std::lock_guard<std::mutex> guard(editLineLock_);
  editLine_ = std::move(line);
}

std::optional<EditLine> DisplayMode::GetEditLine() const {
  std::lock_guard<std::mutex> guard(editLineLock_);
  return editLine_;
}

}  // namespace mirelon
