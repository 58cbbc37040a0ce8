#include "ui/line_input_dialog_win32.h"

#include <commctrl.h>
#include <richedit.h>

#include <climits>
#include <string>

#include "base/dialog_proc_win32.h"
#include "base/utf.h"
#include "braille/brl_input_control_win32.h"
#include "braille/dotlane_win32.h"
#include "ui/dialog_loop_win32.h"
#include "resources/resource.h"

namespace mirelon {

namespace {

constexpr int kVoiceSettingsCommand = 301;

// What the dialog procedure works with: the caller's request and commands.
struct LineInputDialog {
  LineInputRequest& request;
  const SettingsCommandHandler& commands;
  HWND owner;
  HWND dialog = nullptr;

  void OnInitDialog(HWND window);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
};

// The dialogs have no accelerator table of the program's; F2 reaches them
// as command 311 through this one.
class SwitchKey {
 public:
  SwitchKey() {
    ACCEL f2{FVIRTKEY, VK_F2, CMD_BRL_INPUT_TOGGLE};
    table_ = CreateAcceleratorTableW(&f2, 1);
  }
  ~SwitchKey() {
    if (table_) DestroyAcceleratorTable(table_);
  }
  SwitchKey(const SwitchKey&) = delete;
  SwitchKey& operator=(const SwitchKey&) = delete;
  HACCEL get() const { return table_; }

 private:
  HACCEL table_ = nullptr;
};

void SetText(HWND dialog, int id, const std::optional<std::u16string>& text) {
  if (!text) return;
  std::wstring wide = ToWide(*text);
  if (id == 0)
    SetWindowTextW(dialog, wide.c_str());
  else
    SetDlgItemTextW(dialog, id, wide.c_str());
}

// The braille field's input method editor follows keyboard braille input.
void UpdateBrailleField(HWND dialog) {
  HWND field = GetDlgItem(dialog, IDC_LINE_FIELD);
  const bool on = Dotlane_GetInputMode() > 0;
  SendMessageW(field, EM_SETEDITSTYLE, on ? SES_NOIME : 0, SES_NOIME);
  if (GetFocus() == field) BringInputControlInLine(field, on);
}

// The settings commands, and the system menu items that reach them.
constexpr struct {
  int command;
  const wchar_t* text;
} kSettingsItems[] = {
    {kVoiceSettingsCommand, L"音声出力の設定(&T)"},
    {CMD_BRL_INPUT_SETTINGS, L"点字入力の設定(&B)"},
    {CMD_BRL_INPUT_TOGGLE, L"点字入力のオン／オフ, F2"},
    {CMD_BRL_INPUT_TEST, L"点字入力テスト(&T)"},
};

void AddSettingsMenu(HWND dialog) {
  HMENU popup = CreatePopupMenu();
  for (const auto& item : kSettingsItems) AppendMenuW(popup, MF_STRING, item.command, item.text);
  // The system menu owns the popup from here on.
  AppendMenuW(GetSystemMenu(dialog, FALSE), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
              L"設定(&S)");
}

bool IsSettingsCommand(int id) {
  for (const auto& item : kSettingsItems)
    if (item.command == id) return true;
  return false;
}

void RunSettingsCommand(const LineInputDialog& d, HWND dialog, int id) {
  if (id == CMD_BRL_INPUT_TEST) {
    Dotlane_ShowTestingDialog(dialog);
    return;
  }
  if (d.commands) d.commands(dialog, id);
  if ((id == CMD_BRL_INPUT_TOGGLE || id == CMD_BRL_INPUT_SETTINGS) && d.request.brailleField)
    UpdateBrailleField(dialog);
}

void LineInputDialog::OnInitDialog(HWND window) {
  dialog = window;
  LineInputRequest& r = request;
  HWND field = GetDlgItem(dialog, IDC_LINE_FIELD);
  if (r.brailleField)
    SendMessageW(field, EM_SETEDITSTYLE, Dotlane_GetInputMode() > 0 ? SES_NOIME : 0, SES_NOIME);
  SetText(dialog, 0, r.title);
  SetText(dialog, IDC_LINE_PROMPT, r.prompt);
  SetText(dialog, IDC_LINE_LABEL, r.label);
  if (r.numberMode) {
    // Never shown: the arrow keys in the field step the number through it.
    RECT box{};
    GetWindowRect(field, &box);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
    const int width = LOWORD(GetDialogBaseUnits()) * 10 / 4;
    CreateUpDownControl(
        WS_CHILD | WS_BORDER | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
        box.right, box.top, width, box.bottom - box.top, dialog, IDC_LINE_SPIN,
        GetModuleHandleW(nullptr), field, r.upper, r.lower, r.number);
    if (!r.useInitial) SetWindowTextW(field, L"");
  } else if (r.useInitial && r.initialText) {
    SetText(dialog, IDC_LINE_FIELD, r.initialText);
  }
  FollowBrailleInputFocus(field);
  AddSettingsMenu(dialog);
}

void OnOk(HWND dialog, LineInputRequest& r) {
  if (r.numberMode) {
    BOOL isNumber = FALSE;
    const UINT number = GetDlgItemInt(dialog, IDC_LINE_FIELD, &isNumber, FALSE);
    r.number = isNumber && number <= INT_MAX ? static_cast<int>(number) : 0;
  } else if (r.resultBuffer && r.resultSize > 0) {
    GetDlgItemTextW(dialog, IDC_LINE_FIELD, reinterpret_cast<wchar_t*>(r.resultBuffer),
                    r.resultSize);
  }
  r.result = 1;
  PostMessageW(dialog, WM_CLOSE, 0, 0);
}

INT_PTR LineInputDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnOk(dialog, request);
          return TRUE;
        case IDCANCEL:
          request.result = 2;
          PostMessageW(dialog, WM_CLOSE, 0, 0);
          return TRUE;
      }
      if (IsSettingsCommand(LOWORD(wParam))) {
        RunSettingsCommand(*this, dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    case WM_SYSCOMMAND:
      if (IsSettingsCommand(LOWORD(wParam))) {
        RunSettingsCommand(*this, dialog, LOWORD(wParam));
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;
  }
  return EndDialogLoopOn(dialog, owner, msg) ? TRUE : FALSE;
}

}  // namespace

bool RunLineInput(int templateId, HWND owner, LineInputRequest& request,
                  const SettingsCommandHandler& commands) {
  if (request.running) return false;
  request.running = true;
  request.numberMode = templateId == IDD_NUMBER_INPUT;
  request.brailleField = templateId == IDD_LINE_INPUT;
  LineInputDialog d{request, commands, owner};
  HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner,
                                   &ObjectDialogProc<LineInputDialog>, reinterpret_cast<LPARAM>(&d));
  if (!dialog) {
    // The request can be shown again.
    request.running = false;
    return false;
  }
  const SwitchKey switchKey;
  RunDialogLoop(dialog, owner, switchKey.get());
  request.running = false;
  return true;
}

}  // namespace mirelon
