// Random key events into the message, keyword and number fields and random
// moves of a viewing window, on displays of random sizes (0 included, as
// before the handshake). After every step the field's invariants must hold
// and no window may point outside its text.
#include <algorithm>
#include <cstring>
#include <vector>

#include "braille/cells.h"
#include "fuzz/fuzz_target.h"
#include "modes/edit_field.h"

using namespace mirelon;

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

class CheckingOutput : public DisplayOutput {
 public:
  void SendDisplay(const DisplayBuffer& display) override {
    Check(display.Bytes().size() == 2 * static_cast<size_t>(display.CellCount()));
  }
  void SignalError() override {}
};

void CheckWindow(const DisplayWindow& w) {
  if (!w.HasText()) return;
  Check(w.WindowStart().has_value());
  Check(*w.WindowStart() >= 0 && *w.WindowStart() <= w.TextLength());
  Check(w.Shown() >= -1);
  if (w.Shown() >= 0) {
    Check(w.Shown() <= 255);
    Check(*w.WindowStart() + w.Shown() <= w.TextLength());
  }
}

void CheckField(const EditField& f, const std::vector<uint8_t>& prefix) {
  Check(f.PrefixLength() <= f.Position());
  Check(f.Position() <= f.End());
  Check(f.End() <= f.Capacity());
  const auto all = f.Window().Text();
  Check(all.size() == static_cast<size_t>(f.Capacity()) + 1);
  Check(all[f.End()] == 0);
  Check(std::memchr(all.data(), 0, f.End()) == nullptr);
  Check(std::equal(prefix.begin(), prefix.end(), all.begin()));
  if (f.IsNumberField()) {
    Check(all[prefix.size()] == EditField::kNumberSign);
    Check(f.NumberValue() >= 0 && f.NumberValue() <= EditField::kMaxNumber);
  }
  CheckWindow(f.Window());
}

}  // namespace

std::vector<std::string> FuzzDictionary() {
  // Key events: kind, code, modifiers.
  return {std::string("\x00\x00\x01", 3), std::string("\x00\x00\x02", 3), std::string("\x01\x80\x00", 3),
          std::string("\x01\x00\x00", 3), std::string("\x01\x10\x00", 3), std::string("\x02\x08\x04", 3),
          std::string("\x02\x04\x00", 3), std::string("\x03\x04\x04", 3), std::string("\x03\x08\x04", 3),
          std::string("\x03\x01\x00", 3), std::string("\x03\x02\x00", 3), std::string("\x03\x06\x00", 3),
          std::string("\x03\x09\x00", 3), std::string("\x04\x05\x00", 3), std::string("\xF0\x28\x00", 3),
          std::string("\xF1\x00\x00", 3), std::string("\xF2\x7B\x00", 3), std::string("\x01\x00\x40", 3),
          std::string("\x01\x05\x40", 3), std::string("\x01\x09\x40", 3), std::string("\xF3\x02\x10", 3)};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The last byte chooses the field and the display size; key events are
  // taken three bytes at a time from the start, so that spliced events
  // stay aligned.
  const uint8_t setup = data[size - 1];
  --size;
  CheckingOutput out;
  DisplayBuffer display((setup >> 2) % 48);
  EditField field(display, out);
  std::vector<uint8_t> prefix;
  switch (setup % 4) {
    case 0: field.InitTextField(EditField::kMessageCapacity); break;
    case 1:
      prefix.assign(EditField::kKeywordPrefix.begin(), EditField::kKeywordPrefix.end());
      field.InitTextField(EditField::kKeywordCapacity, prefix);
      break;
    case 2:
      prefix.assign(EditField::kNumberPrefix.begin(), EditField::kNumberPrefix.end());
      field.InitNumberField();
      break;
    case 3:
      // A tiny field with a prefix of its own, to reach the full-buffer
      // paths quickly.
      prefix = {0x11, 0x80};
      field.InitTextField(setup % 13, prefix);
      break;
  }
  CheckField(field, prefix);

  // A viewing window over the input itself: a text that may lack its
  // terminating 0.
  DisplayWindow view(display, out);
  view.ResetWindow(std::span<const uint8_t>(data, std::min<size_t>(size, 300)));

  for (size_t i = 0; i + 2 < size; i += 3) {
    const uint8_t kind = data[i], code = data[i + 1], mods = data[i + 2];
    switch (kind) {
      case 0xF0: display.Resize(code % 64); break;
      case 0xF1: field.Clear(); break;
      case 0xF2: field.SetNumber(static_cast<int64_t>(code) * 1000003 + mods, mods & 1); break;
      case 0xF3:
        switch (code % 5) {
          case 0: view.PanForward(); break;
          case 1: view.PanBack(); break;
          case 2: view.PlaceCursor(code * 2 + mods); break;
          case 3: view.SetWindowStart(mods * 2); break;
          case 4: view.RefreshWindow(); break;
        }
        break;
      default: {
        KeyEvent key{static_cast<uint8_t>(kind % 6), code, mods};
        // Digit chords are rare among random bytes; make half the chords
        // into digits so that numbers with leading zeros get typed.
        if (key.kind == KeyEvent::kChord && (mods & 0x40))
          key.code = SwapCellLayout(EditField::kDigitCells[code % 10]);
        if (field.IsNumberField())
          field.HandleNumberKey(key);
        else
          field.HandleFieldKey(key);
      }
    }
    CheckField(field, prefix);
    CheckWindow(view);
  }
  return 0;
}
