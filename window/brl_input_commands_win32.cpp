#include "window/brl_input_commands_win32.h"

#include "base/utf.h"
#include "braille/brl_input_control_win32.h"
#include "braille/dotlane_win32.h"
#include "resources/resource.h"
#include "ui/brl_input_dialog_win32.h"

namespace mirelon {

bool RunBrlInputCommand(BrlInput& input, HWND window, int command, HWND inputControl) {
  switch (command) {
    case CMD_BRL_INPUT_TOGGLE:
      input.Toggle(window);
      break;
    case CMD_BRL_INPUT_SETTINGS:
      if (ShowBrlInputDialog(window, input.Settings())) input.Confirmed(window);
      break;
    case CMD_BRL_INPUT_TEST:
      if (BrailleKeyboard* keyboard = input.Keyboard()) keyboard->ShowTestingDialog(window);
      return true;
    default:
      return false;
  }
  if (inputControl && GetFocus() == inputControl) BringInputControlInLine(inputControl, input.On());
  return true;
}

bool HandleBrlInputNotification(BrlInput& input, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == 0 || msg != input.Settings().notifyMessage) return false;
  // The text of an input state is the keyboard's, valid while the message
  // is handled.
  const unsigned code = LOWORD(wParam);
  input.Notified(code, lParam && code == kDotlaneNotifyState ? FromWide(reinterpret_cast<const wchar_t*>(lParam))
                                                             : std::u16string());
  return true;
}

}  // namespace mirelon
