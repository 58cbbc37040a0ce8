#include "ui/meeting_start_dialog_win32.h"

#include <richedit.h>

#include <memory>
#include <string>

#include "app/talk_controller.h"
#include "base/dialog_proc_win32.h"
#include "base/utf.h"
#include "braille/brl_input_control_win32.h"
#include "braille/dotlane_win32.h"
#include "resources/resource.h"
#include "speech/reading_hook_win32.h"
#include "ui/brl_input_commands_win32.h"
#include "ui/speech_commands_win32.h"

namespace mirelon {

namespace {

struct MeetingStartDialog {
  HINSTANCE instance;
  HWND parent;
  MeetingStart& start;
  TalkController& controller;
  std::function<void()> brailleSpace;
  HWND pane = nullptr;
  std::unique_ptr<RichEditReadingHook> hook;
  std::u16string text;  // the pane's text at OK
};

std::u16string PaneText(HWND pane) {
  const int length = GetWindowTextLengthW(pane);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(pane, text.data(), length + 1)));
  return FromWide(text);
}

void OnInitDialog(HWND dialog, MeetingStartDialog& d) {
  d.pane = GetDlgItem(dialog, IDC_MEETING_DESCRIPTION);
  // The pane follows keyboard braille input as the talk window's
  // outgoing pane does, and is read as it is moved through and typed into.
  SendMessageW(d.pane, EM_SETEDITSTYLE, Dotlane_GetInputMode() > 0 ? SES_NOIME : 0, SES_NOIME);
  FollowBrailleInputFocus(d.pane);
  d.hook = std::make_unique<RichEditReadingHook>(d.pane, ReadingKind::kInput, d.controller.SpeechState(),
                                                 d.brailleSpace);
  SendMessageW(d.pane, EM_SETTARGETDEVICE, 0, 0);
  SetWindowTextW(d.pane, ToWide(d.start.description).c_str());
  SetDlgItemTextW(dialog, IDC_MEETING_PROMPT, ToWide(d.start.prompt).c_str());
  AppendSettingsMenu(dialog, d.instance);
  if (d.parent) EnableWindow(d.parent, FALSE);
}

// The settings commands of the talk window, for this dialog and its pane.
bool OnSettingsCommand(HWND dialog, MeetingStartDialog& d, int id) {
  if (id < CMD_SPEECH_SCENES || id > CMD_BRL_INPUT_TEST) return false;
  if (HandleSpeechCommand(dialog, d.instance, id, d.controller.SpeechState())) return true;
  return RunBrlInputCommand(d.controller.BrailleInput(), dialog, id, d.pane);
}

INT_PTR CALLBACK MeetingStartProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* d = DialogObject<MeetingStartDialog>(dialog, msg, lParam);
  if (!d) return FALSE;
  if (msg == WM_INITDIALOG) {
    OnInitDialog(dialog, *d);
    return TRUE;
  }
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          d->text = PaneText(d->pane);
          d->start.result = MeetingStart::Result::kOk;
          PostMessageW(dialog, WM_CLOSE, 0, 0);
          return TRUE;
        case IDCANCEL:
          d->start.result = MeetingStart::Result::kCancel;
          PostMessageW(dialog, WM_CLOSE, 0, 0);
          return TRUE;
      }
      return OnSettingsCommand(dialog, *d, LOWORD(wParam)) ? TRUE : FALSE;
    case WM_SYSCOMMAND:
      if (wParam < 0xF000 && OnSettingsCommand(dialog, *d, LOWORD(wParam))) {
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      if (d->parent) EnableWindow(d->parent, TRUE);
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      // The pane gets its own procedure back; the dialog's loop ends.
      d->hook.reset();
      PostQuitMessage(0);
      return TRUE;
    case WM_ACTIVATE:
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
      TellBrailleInputOfWindowState(dialog, msg, wParam);
      return FALSE;
  }
  return FALSE;
}

}  // namespace

bool RunMeetingStartDialog(HINSTANCE instance, HWND parent, MeetingStart& start, TalkController& controller,
                           std::function<void()> brailleSpace) {
  start.result = MeetingStart::Result::kNone;
  MeetingStartDialog d{instance, parent, start, controller, std::move(brailleSpace), nullptr, nullptr, {}};
  HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MEETING_START), parent, &MeetingStartProc,
                                   reinterpret_cast<LPARAM>(&d));
  if (!dialog) return false;
  ShowWindow(dialog, SW_SHOWNORMAL);
  UpdateWindow(dialog);
  HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MEETING_ACCEL));

  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
    // Chords typed into the description become braille first, as in every
    // other loop of the program.
    if (Dotlane_OnGetMessage(&msg)) continue;
    if (accelerators && TranslateAcceleratorW(dialog, accelerators, &msg)) continue;
    if (IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (IsWindow(dialog)) {
    // The run is ending from outside: the dialog goes as after Cancel, and
    // the quit reaches the program's own loop.
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
  }
  return FinishMeetingStart(controller.Context().store, start, d.text);
}

}  // namespace mirelon
