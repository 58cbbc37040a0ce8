// The dialog procedure of an object that runs a dialog: the object comes as
// the dialog's creation parameter and is kept in the window's user data;
// it has OnInitDialog(HWND) and OnMessage(UINT, WPARAM, LPARAM).
#pragma once

#include <windows.h>

namespace mirelon {

// The object of a dialog procedure's dialog: on WM_INITDIALOG the creation
// parameter, kept in the window's user data; afterwards what was kept (none
// before WM_INITDIALOG).
template <class T>
T* DialogObject(HWND dlg, UINT msg, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(dlg, DWLP_USER, lParam);
    return reinterpret_cast<T*>(lParam);
  }
  return reinterpret_cast<T*>(GetWindowLongPtrW(dlg, DWLP_USER));
}

template <class T>
INT_PTR CALLBACK ObjectDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  T* self = DialogObject<T>(dlg, msg, lParam);
  if (!self) return FALSE;
  if (msg == WM_INITDIALOG) {
    self->OnInitDialog(dlg);
    return TRUE;
  }
  return self->OnMessage(msg, wParam, lParam);
}

}  // namespace mirelon
