#include "ui/talk_window_win32.h"

#include <richedit.h>

#include "resources/resource.h"
#include "speech/speech_sapi_win32.h"
#include "ui/rich_edit_pane_win32.h"
#include "ui/sound_player_win32.h"

namespace mirelon {

namespace {

constexpr UINT_PTR kSysCommandMask = 0xFFF0;

class TalkWindow {
 public:
  TalkWindow(HINSTANCE instance, const CommandLine& commandLine)
      : instance_(instance), commandLine_(commandLine) {}

  void Run();

 private:
  static INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  bool OnCommand(WORD id);
  bool FilterPaneKey(const MSGFILTER& filter);
  void SwallowMessage();

  void StartLibraries();
  void StopLibraries();

  HINSTANCE instance_;
  const CommandLine& commandLine_;
  HWND window_ = nullptr;
  HWND incoming_ = nullptr;
  HWND outgoing_ = nullptr;
  SpeechEnginePtr speech_;
  SystemSoundPlayer sounds_;
};

INT_PTR CALLBACK TalkWindow::DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* self = reinterpret_cast<TalkWindow*>(lParam);
    SetWindowLongPtrW(dlg, DWLP_USER, lParam);
    self->window_ = dlg;
    self->OnInitDialog();
    return TRUE;
  }
  auto* self = reinterpret_cast<TalkWindow*>(GetWindowLongPtrW(dlg, DWLP_USER));
  return self ? self->OnMessage(msg, wParam, lParam) : FALSE;
}

void TalkWindow::OnInitDialog() {
  incoming_ = GetDlgItem(window_, IDC_INCOMING);
  outgoing_ = GetDlgItem(window_, IDC_OUTGOING);
  for (HWND pane : {incoming_, outgoing_}) {
    // Lines wrap at the window edge; key and mouse messages reach the
    // dialog first as EN_MSGFILTER notifications.
    SendMessageW(pane, EM_SETTARGETDEVICE, 0, 0);
    SendMessageW(pane, EM_SETEVENTMASK, 0, ENM_KEYEVENTS | ENM_MOUSEEVENTS);
  }
  HMENU system = GetSystemMenu(window_, FALSE);
  AppendMenuW(system, MF_STRING, CMD_ABOUT, L"このプログラムについて(&A)...");
}

INT_PTR TalkWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_SYSCOMMAND:
      if (OnCommand(LOWORD(wParam))) {
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == EN_MSGFILTER && FilterPaneKey(*reinterpret_cast<MSGFILTER*>(lParam))) {
        SwallowMessage();
        return TRUE;
      }
      return FALSE;
    }
    case WM_CLOSE:
      DestroyWindow(window_);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) DestroyWindow(window_);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

bool TalkWindow::OnCommand(WORD id) {
  switch (id) {
    case CMD_ABOUT:
      DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUT), window_, &AboutProc, 0);
      return true;
    case IDCANCEL:
      // Escape reaches the dialog as IDCANCEL; the window stays open.
      return true;
  }
  return false;
}

INT_PTR CALLBACK TalkWindow::AboutProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dlg, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

bool TalkWindow::FilterPaneKey(const MSGFILTER& filter) {
  bool keyDown = filter.msg == WM_KEYDOWN, keyUp = filter.msg == WM_KEYUP;
  if ((keyDown || keyUp) && filter.wParam == VK_ESCAPE) return true;
  return false;
}

void TalkWindow::SwallowMessage() { SetWindowLongPtrW(window_, DWLP_MSGRESULT, 1); }

void TalkWindow::StartLibraries() { speech_ = CreateVoxmira(window_); }

void TalkWindow::StopLibraries() { speech_.reset(); }

void TalkWindow::Run() {
  if (!CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_TALK), nullptr, &DialogProc,
                          reinterpret_cast<LPARAM>(this)))
    return;
  StartLibraries();
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);

  HACCEL accelerators = LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(IDR_TALK_ACCEL));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorW(window_, accelerators, &msg)) continue;
    if (IsDialogMessageW(window_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  StopLibraries();
}

}  // namespace

void RunTalkWindow(HINSTANCE instance, const CommandLine& commandLine) {
  TalkWindow window(instance, commandLine);
  window.Run();
}

}  // namespace mirelon
