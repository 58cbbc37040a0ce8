#include "window/meeting_start_dialog_win32.h"

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
#include "ui/dialog_loop_win32.h"
#include "ui/speech_commands_win32.h"
#include "window/brl_input_commands_win32.h"

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
  HWND dialog = nullptr;

  void OnInitDialog(HWND window);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // The settings commands of the talk window, for this dialog and its pane.
  bool OnSettingsCommand(int id);
};

std::u16string PaneText(HWND pane) {
  const int length = GetWindowTextLengthW(pane);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(pane, text.data(), length + 1)));
  return FromWide(text);
}

void MeetingStartDialog::OnInitDialog(HWND window) {
  dialog = window;
  pane = GetDlgItem(dialog, IDC_MEETING_DESCRIPTION);
  // The pane follows keyboard braille input as the talk window's
  // outgoing pane does, and is read as it is moved through and typed into.
  SendMessageW(pane, EM_SETEDITSTYLE, Dotlane_GetInputMode() > 0 ? SES_NOIME : 0, SES_NOIME);
  FollowBrailleInputFocus(pane);
  hook = std::make_unique<RichEditReadingHook>(pane, ReadingKind::kInput, controller.SpeechState(),
                                                 brailleSpace);
  SendMessageW(pane, EM_SETTARGETDEVICE, 0, 0);
  SetWindowTextW(pane, ToWide(start.description).c_str());
  SetDlgItemTextW(dialog, IDC_MEETING_PROMPT, ToWide(start.prompt).c_str());
  AppendSettingsMenu(dialog, instance);
}

bool MeetingStartDialog::OnSettingsCommand(int id) {
  if (id < CMD_SPEECH_SCENES || id > CMD_BRL_INPUT_TEST) return false;
  if (HandleSpeechCommand(dialog, instance, id, controller.SpeechState())) return true;
  return RunBrlInputCommand(controller.BrailleInput(), dialog, id, pane);
}

INT_PTR MeetingStartDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  // F2 or OK in the settings dialog here makes this dialog the window that
  // keyboard braille input reports to, until it is gone.
  if (HandleBrlInputNotification(controller.BrailleInput(), msg, wParam, lParam)) return TRUE;
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          text = PaneText(pane);
          start.result = MeetingStart::Result::kOk;
          PostMessageW(dialog, WM_CLOSE, 0, 0);
          return TRUE;
        case IDCANCEL:
          start.result = MeetingStart::Result::kCancel;
          PostMessageW(dialog, WM_CLOSE, 0, 0);
          return TRUE;
      }
      return OnSettingsCommand(LOWORD(wParam)) ? TRUE : FALSE;
    case WM_SYSCOMMAND:
      if (wParam < 0xF000 && OnSettingsCommand(LOWORD(wParam))) {
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      // The pane gets its own procedure back.
      hook.reset();
      break;
    case WM_ACTIVATE:
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
      TellBrailleInputOfWindowState(dialog, msg, wParam);
      return FALSE;
  }
  return EndDialogLoopOn(dialog, parent, msg) ? TRUE : FALSE;
}

}  // namespace

bool RunMeetingStartDialog(HINSTANCE instance, HWND parent, MeetingStart& start, TalkController& controller,
                           std::function<void()> brailleSpace) {
  start.result = MeetingStart::Result::kNone;
  MeetingStartDialog d{instance, parent, start, controller, std::move(brailleSpace), nullptr, nullptr, {}};
  HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MEETING_START), parent, &ObjectDialogProc<MeetingStartDialog>,
                                   reinterpret_cast<LPARAM>(&d));
  if (!dialog) return false;
  HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MEETING_ACCEL));
  RunDialogLoop(dialog, parent, accelerators);
  return FinishMeetingStart(controller.Context().store, start, d.text);
}

}  // namespace mirelon
