// The dialog procedure of an object that runs a dialog: the object comes as
// the dialog's creation parameter and is kept in the window's user data;
// it has OnInitDialog(HWND) and OnMessage(UINT, WPARAM, LPARAM).
#pragma once

#include <windows.h>

namespace mirelon {

template <class T>
INT_PTR CALLBACK ObjectDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(dlg, DWLP_USER, lParam);
    reinterpret_cast<T*>(lParam)->OnInitDialog(dlg);
    return TRUE;
  }
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(dlg, DWLP_USER));
  return self ? self->OnMessage(msg, wParam, lParam) : FALSE;
}

}  // namespace mirelon
