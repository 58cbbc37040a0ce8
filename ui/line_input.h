// What the caller of a one-line input dialog fills in and reads back: the
// texts shown, the number of the number dialog with the range its arrow
// keys step through, or the buffer the text dialog writes into.
#pragma once

#include <optional>
#include <string>

namespace mirelon {

struct LineInputRequest {
  // Window caption; none keeps the template's.
  std::optional<std::u16string> title;
  // The prompt above the field and the label beside it; none leaves them empty.
  std::optional<std::u16string> prompt;
  std::optional<std::u16string> label;
  // Put into the text field when useInitial is set.
  std::optional<std::u16string> initialText;
  // Number dialog: the number shown at first, and the one entered after OK
  // (0 when the field holds no number).
  int number = 0;
  // Number dialog: the values the up and the down arrow step toward.
  int upper = 1;
  int lower = 10000;
  // Text dialog: the caller's buffer, which receives the text on OK, and its
  // capacity in characters with the terminator. The text is cut to fit.
  char16_t* resultBuffer = nullptr;
  int resultSize = 0;
  // Preset the field (with initialText, or with number).
  bool useInitial = false;
  // Set while the dialog is up; a request runs once at a time.
  bool running = false;
  // Set by RunLineInput: the number dialog, or the text dialog's braille field.
  bool numberMode = false;
  bool brailleField = false;
  // 1 after OK, 2 after Cancel; 0 when the dialog was closed otherwise.
  int result = 0;
};

}  // namespace mirelon
