#include "braille/brl_input_control_win32.h"

#include <commctrl.h>
#include <richedit.h>

#include "braille/dotlane_win32.h"

namespace mirelon {

namespace {

constexpr UINT_PTR kFocusSubclassId = 0x42524C;  // one subclass per control

LRESULT CALLBACK FocusProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR) {
  switch (msg) {
    case WM_SETFOCUS:
      if (Dotlane_GetInputMode() > 0) BringInputControlInLine(control, true);
      break;
    case WM_KILLFOCUS:
      BringInputControlInLine(control, false);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(control, &FocusProc, kFocusSubclassId);
      break;
  }
  return DefSubclassProc(control, msg, wParam, lParam);
}

}  // namespace

void BringInputControlInLine(HWND control, bool on) {
  Dotlane_SetBrlMode(control, on ? TRUE : FALSE);
  SendMessageW(control, EM_SETEDITSTYLE, on ? SES_NOIME : 0, SES_NOIME);
}

void FollowBrailleInputFocus(HWND control) {
  SetWindowSubclass(control, &FocusProc, kFocusSubclassId, 0);
  if (GetFocus() == control && Dotlane_GetInputMode() > 0) BringInputControlInLine(control, true);
}

void TellBrailleInputOfWindowState(HWND window, UINT msg, WPARAM wParam) {
  switch (msg) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE) Dotlane_OnActivate();
      break;
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
      Dotlane_SetInMenuLoop(window, msg == WM_ENTERMENULOOP);
      break;
  }
}

}  // namespace mirelon
