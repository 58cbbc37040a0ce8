#include "ui/dialog_loop_win32.h"

#include "braille/dotlane_win32.h"

namespace mirelon {

void RunDialogLoop(HWND dialog, HWND owner, HACCEL accelerators) {
  ShowWindow(dialog, SW_SHOWNORMAL);
  UpdateWindow(dialog);
  if (owner) EnableWindow(owner, FALSE);
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
    if (Dotlane_OnGetMessage(&msg)) continue;
    if (accelerators && TranslateAcceleratorW(dialog, accelerators, &msg)) continue;
    if (IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (IsWindow(dialog)) {
    // The run is ending from outside: the dialog goes as after Cancel, the
    // owner is usable again, and the quit reaches the program's own loop.
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
  }
}

bool EndDialogLoopOn(HWND dialog, HWND owner, UINT msg) {
  switch (msg) {
    case WM_CLOSE:
      if (owner) EnableWindow(owner, TRUE);
      DestroyWindow(dialog);
      return true;
    case WM_DESTROY:
      // Ends the loop of RunDialogLoop.
      PostQuitMessage(0);
      return true;
  }
  return false;
}

}  // namespace mirelon
