#include "ui/brl_input_dialog_win32.h"

#include <string>

#include "base/utf.h"
#include "resources/resource.h"

namespace mirelon {

namespace {

INT_PTR CALLBACK BrlInputDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    const auto& settings = *reinterpret_cast<const BrlInputSettings*>(lParam);
    CheckDlgButton(dialog, IDC_BRL_INPUT_SWITCH,
                   settings.inputSwitch ? BST_CHECKED : BST_UNCHECKED);
    HWND types = GetDlgItem(dialog, IDC_BRL_INPUT_TYPE);
    for (int type = 0; type < kBrlInputTypes; ++type) {
      const std::wstring name = ToWide(BrlInputTypeName(type));
      const LRESULT item =
          SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
      SendMessageW(types, CB_SETITEMDATA, static_cast<WPARAM>(item), BrlInputModeValue(type));
    }
    SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(settings.inputType), 0);
    return TRUE;
  }
  if (msg != WM_COMMAND) return FALSE;
  auto* settings = reinterpret_cast<BrlInputSettings*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (LOWORD(wParam)) {
    case IDOK: {
      settings->inputSwitch =
          IsDlgButtonChecked(dialog, IDC_BRL_INPUT_SWITCH) == BST_CHECKED ? 1 : 0;
      const LRESULT type = SendDlgItemMessageW(dialog, IDC_BRL_INPUT_TYPE, CB_GETCURSEL, 0, 0);
      if (type >= 0 && type < kBrlInputTypes) settings->inputType = static_cast<int>(type);
      EndDialog(dialog, IDOK);
      return TRUE;
    }
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

bool ShowBrlInputDialog(HWND owner, BrlInputSettings& settings) {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_BRL_INPUT_SETTINGS), owner,
                         &BrlInputDialogProc, reinterpret_cast<LPARAM>(&settings)) == IDOK;
}

}  // namespace mirelon
