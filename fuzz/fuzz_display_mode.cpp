// Random terminal input to a display-mode terminal in every state: key
// events, modifier changes and command keys, interleaved with new talk
// lines, display resizes and reconnections. After every step the three
// edit fields keep their invariants, the view stays inside its line, the
// current line belongs to the talk, and the state, the bookmarks and the
// edit line handed to other threads agree with each other.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "braille/braille_line_list.h"
#include "fuzz/fuzz_target.h"
#include "modes/display_mode.h"

using namespace mirelon;

namespace {

class CheckingOutput : public DisplayOutput {
 public:
  void SendDisplay(const DisplayBuffer& display) override {
    FuzzCheck(display.Bytes().size() == 2 * static_cast<size_t>(display.CellCount()));
  }
  void SignalError() override {}
};

class CountingHost : public DisplayModeHost {
 public:
  void Announce(std::u16string_view) override {}
  void NotifyChanged() override {}
  void PostTypedText(std::u16string text) override {
    ++posts;
    for (char16_t c : text) FuzzCheck(c >= 0x2800 && c <= 0x28FF);
  }
  int posts = 0;
};

void CheckWindow(const DisplayWindow& w) {
  if (!w.HasText()) return;
  FuzzCheck(w.WindowStart().has_value());
  FuzzCheck(*w.WindowStart() >= 0 && *w.WindowStart() <= w.TextLength());
  FuzzCheck(w.Shown() >= -1 && w.Shown() <= 255);
  if (w.Shown() >= 0) FuzzCheck(*w.WindowStart() + w.Shown() <= w.TextLength());
}

void CheckField(const EditField& f, std::span<const uint8_t> prefix) {
  FuzzCheck(f.PrefixLength() == static_cast<int>(prefix.size()));
  FuzzCheck(f.PrefixLength() <= f.Position());
  FuzzCheck(f.Position() <= f.End());
  FuzzCheck(f.End() <= f.Capacity());
  const auto all = f.Window().Text();
  FuzzCheck(all.size() == static_cast<size_t>(f.Capacity()) + 1);
  FuzzCheck(all[static_cast<size_t>(f.End())] == 0);
  FuzzCheck(std::memchr(all.data(), 0, static_cast<size_t>(f.End())) == nullptr);
  FuzzCheck(std::equal(prefix.begin(), prefix.end(), all.begin()));
  CheckWindow(f.Window());
}

bool InList(const BrailleLineList& list, const BrailleLine* line) {
  if (line == &list.Sentinel()) return true;
  for (const BrailleLine* l = list.First(); l; l = list.Next(l))
    if (l == line) return true;
  return false;
}

void CheckMode(const DisplayMode& mode, const BrailleLineList& list, const CountingHost& host) {
  const DisplayState state = mode.State();
  FuzzCheck(state >= DisplayState::kViewing && state <= DisplayState::kKeywordEditing);
  if (!mode.PostingAllowed()) {
    FuzzCheck(state != DisplayState::kEditing && state != DisplayState::kKeywordEditing);
    FuzzCheck(host.posts == 0);
  }
  CheckField(mode.MessageField(), {});
  CheckField(mode.KeywordField(), EditField::kKeywordPrefix);
  CheckField(mode.NumberField(), EditField::kNumberPrefix);
  FuzzCheck(mode.NumberField().Text()[8] == EditField::kNumberSign);
  FuzzCheck(mode.NumberField().NumberValue() <= EditField::kMaxNumber);
  CheckWindow(mode.View());
  FuzzCheck(InList(list, mode.CurrentLine()));

  const auto& marks = mode.Bookmarks();
  FuzzCheck(marks.size() <= DisplayMode::kMaxBookmarks);
  std::vector<uint32_t> sorted(marks);
  std::sort(sorted.begin(), sorted.end());
  FuzzCheck(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());

  if (const auto& k = mode.Keyword()) {
    FuzzCheck(!k->empty() && k->size() <= 64);
  }
  const auto edit = mode.GetEditLine();
  FuzzCheck(edit.has_value() == (state != DisplayState::kViewing));
  if (edit) {
    FuzzCheck(edit->start >= 0 && edit->start <= edit->end);
    FuzzCheck(edit->end <= static_cast<int>(edit->cells.size()));
  }
}

void AddLine(BrailleLineList& list, uint8_t count, uint8_t pattern, uint8_t number) {
  auto* line = new BrailleLine;
  line->messageNumber = number % 8;
  line->messageStart = (number & 0x80) ? 1 : 0;
  line->text = u"line";
  for (int i = 0; i < count; ++i) {
    // Mostly non-blank cells with a blank now and then, and repeated
    // patterns so that keywords are found.
    const uint8_t c = static_cast<uint8_t>((pattern + i * 7) % 11 == 0 ? 0x80 : 0x10 | ((pattern + i) % 5));
    line->braille.push_back(c);
  }
  if (!line->braille.empty()) line->braille.push_back(0);
  list.Append(line);
}

}  // namespace

std::vector<std::string> FuzzDictionary() {
  // Steps of four bytes: operation, code, modifiers, spare.
  return {std::string("\x01\x01\x00\x00", 4),  // start editing
          std::string("\x01\xC8\x04\x00", 4),  // start keyword editing
          std::string("\x01\xCC\x04\x00", 4),  // start number entry
          std::string("\x01\xC0\x04\x00", 4),  // bookmark
          std::string("\x01\x10\x00\x00", 4),  // dot 7
          std::string("\x02\x01\x00\x00", 4),  // cancel
          std::string("\x00\x00\x01\x00", 4),  // pan back
          std::string("\x00\x00\x02\x00", 4),  // pan forward
          std::string("\x03\x01\x04\x00", 4),  // previous message
          std::string("\x03\x02\x00\x00", 4),  // next line
          std::string("\x04\x01\x01\x00", 4),  // routing with a modifier
          std::string("\x04\x02\x01\x00", 4),
          std::string("\xE0\x00\x01\x00", 4),  // "r"
          std::string("\xE1\x01\x01\x00", 4),  // "v"
          std::string("\xE2\x02\x01\x00", 4),  // "w"
          std::string("\xC4\x04\x00\x00", 4),  // modifiers on
          std::string("\xD0\x14\x00\x00", 4),  // modifiers off
          std::string("\xF0\x30\x05\x81", 4),  // a new line
          std::string("\xF1\x28\x00\x00", 4),  // a 40-cell display
          std::string("\xF2\x00\x00\x00", 4)};  // reconnection
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t setup = data[0];
  BrailleLineList list;
  for (int i = 0; i < setup % 6; ++i)
    AddLine(list, static_cast<uint8_t>(data[1] + i * 37), static_cast<uint8_t>(i), static_cast<uint8_t>(i * 0x45));
  DisplayBuffer display((setup >> 3) % 48);
  CheckingOutput out;
  CountingHost host;
  DisplayMode mode(list, display, out, host, (setup & 0x80) != 0);
  CheckMode(mode, list, host);

  int added = 0;
  for (size_t i = 2; i + 3 < size; i += 4) {
    const uint8_t op = data[i], a = data[i + 1], b = data[i + 2], c = data[i + 3];
    if (op < 0xC0) {
      mode.HandleKey(KeyEvent{static_cast<uint8_t>(op % 6), a, b});
    } else if (op < 0xD0) {
      mode.SetModifiers(a);
    } else if (op < 0xE0) {
      mode.ClearModifiers(a);
    } else if (op < 0xF0) {
      mode.HandleCommandKey(b & 1, "rvwx"[op % 4]);
    } else if (op == 0xF0 || op == 0xF3) {
      if (added++ < 200) AddLine(list, op == 0xF3 ? 0 : a, b, c);
    } else if (op == 0xF1) {
      display.Resize(a % 64);
    } else {
      mode.OnConnected();
    }
    CheckMode(mode, list, host);
  }
  return 0;
}
