// Keyboard braille input as the program's start-up, shutdown and switching
// use it: the library's operations, with windows as opaque handles. On
// Windows it is the input library itself; tests record the calls.
#pragma once

#include <memory>

namespace mirelon {

class BrailleKeyboard {
 public:
  virtual ~BrailleKeyboard() = default;

  // The window that takes the notifications from start-up on (the talk
  // window).
  virtual void* MainWindow() const = 0;

  virtual bool StartDlgSupport() = 0;
  virtual void EndDlgSupport() = 0;
  // Registers the notification message; its number.
  virtual unsigned RegisterNotifyMessage() = 0;
  // Chords produce text of `value`, reported to `window` with `message`;
  // (window, 0, 0) switches keyboard braille input off.
  virtual void SetInputMode(void* window, unsigned message, int value) = 0;
  // Greater than 0 while keyboard braille input is on.
  virtual int GetInputMode() = 0;
  virtual void ShowTestingDialog(void* owner) = 0;
};

}  // namespace mirelon
