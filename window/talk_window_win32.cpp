#include "window/talk_window_win32.h"

#include <richedit.h>

#include <functional>
#include <memory>
#include <optional>

#include "app/talk_controller.h"
#include "app/talk_front_end.h"
#include "base/program_folder.h"
#include "base/timing.h"
#include "base/utf.h"
#include "braille/brl_input_control_win32.h"
#include "braille/dotlane_win32.h"
#include "client/worker_loop.h"
#include "resources/resource.h"
#include "speech/reading_hook_win32.h"
#include "speech/screen_reader_win32.h"
#include "speech/speech_sapi_win32.h"
#include "startup/startup_file_win32.h"
#include "talk/meeting_start.h"
#include "talk/open_talk.h"
#include "talk/talk_file.h"
#include "window/brl_input_commands_win32.h"
#include "ui/brl_input_dialog_win32.h"
#include "ui/display_text.h"
#include "ui/header_navigation.h"
#include "window/meeting_start_dialog_win32.h"
#include "window/member_list_dialog_win32.h"
#include "ui/rich_edit_talk_pane_win32.h"
#include "ui/sound_player_win32.h"
#include "ui/speech_commands_win32.h"
#include "window/talk_commands_win32.h"
#include "ui/talk_dialogs_win32.h"
#include "ui/talk_window_title.h"
#include "ui/text_documents_win32.h"
#include "window/terminals_dialog_win32.h"
#include "window/window_ui_thread_win32.h"

namespace mirelon {

namespace {

// OpenTalk's questions, answered with the open dialog and message boxes
// owned by the talk window.
class WindowPrompts final : public OpenTalkPrompts {
 public:
  WindowPrompts(HWND window, StreamStore& store) : window_(window), store_(store) {}

  std::optional<Choice> ChooseFile(const std::u16string& initial, int filterIndex) override {
    Choice choice{initial, filterIndex};
    if (!ShowTalkFileDialog(window_, choice.path, choice.filterIndex)) return std::nullopt;
    return choice;
  }

  Answer ShowMessage(const std::u16string& text, Box style) override {
    UINT flags = style == Box::kYesNoCancelQuestion ? MB_YESNOCANCEL | MB_ICONQUESTION
                                                    : MB_OKCANCEL | MB_ICONINFORMATION;
    switch (mirelon::ShowMessage(window_, text, flags)) {
      case IDYES:
        return Answer::kYes;
      case IDNO:
        return Answer::kNo;
      case IDOK:
        return Answer::kOk;
      default:
        return Answer::kCancel;
    }
  }

  bool RunStartDialog(bool owner, const std::u16string& talkPath,
                      const std::u16string& welcome) override {
    MeetingStart start = PrepareMeetingStart(store_, owner, talkPath, welcome);
    return runStartDialog_ && runStartDialog_(start);
  }

  // Dialog 220, once the talk window can run it.
  void SetStartDialog(std::function<bool(MeetingStart&)> run) { runStartDialog_ = std::move(run); }

 private:
  HWND window_;
  StreamStore& store_;
  std::function<bool(MeetingStart&)> runStartDialog_;
};

class TalkWindow final : public TalkFrontEnd {
 public:
  TalkWindow(HINSTANCE instance, const CommandLine& commandLine, std::shared_ptr<StreamStore> store,
             const TalkWindowEnvironment& environment)
      : instance_(instance),
        commandLine_(commandLine),
        store_(std::move(store)),
        environment_(environment) {}

  void Run();

  // --- TalkFrontEnd ---
  OpenTalkPrompts& Prompts() override { return *prompts_; }
  TalkPane& IncomingPane() override { return *incomingPane_; }
  void PlaySound(FeedbackSound sound) override { sounds_.Play(sound); }
  std::shared_ptr<UiThread> Thread() override { return thread_; }
  bool Pump(int64_t ms, const std::function<bool()>& enough) override;
  SpeechEnginePtr CreateSpeechEngine() override {
    return environment_.speechEngine ? environment_.speechEngine(window_) : CreateVoxmira(window_);
  }
  std::unique_ptr<BrailleKeyboard> CreateBrailleKeyboard() override { return CreateDotlaneKeyboard(window_); }
  std::unique_ptr<ScreenReaderNotifier> CreateScreenReaderNotifier() override {
    return environment_.screenReader ? environment_.screenReader(window_) : CreateUiaNotifier(window_);
  }
  void CloseTerminalsDialog() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  bool OnCommand(WPARAM wParam);
  bool RunCommandTable(int command);
  bool RunDialogSettingsCommand(HWND dialog, int command);
  bool FilterPaneKey(const MSGFILTER& filter);

  void Send();
  void JumpToNewestMessage();
  void AttachReadingHooks();

  HINSTANCE instance_;
  const CommandLine& commandLine_;
  const std::shared_ptr<StreamStore> store_;
  const TalkWindowEnvironment environment_;
  HWND window_ = nullptr;
  HWND incoming_ = nullptr;
  HWND outgoing_ = nullptr;
  std::unique_ptr<RichEditTalkPane> incomingPane_;
  std::unique_ptr<WindowPrompts> prompts_;
  std::shared_ptr<WindowUiThread> thread_ = std::make_shared<WindowUiThread>();
  SystemSoundPlayer systemSounds_;
  SoundPlayer& sounds_ = environment_.sounds ? *environment_.sounds : systemSounds_;
  std::unique_ptr<TalkController> controller_;
  // Made with the controller, whose registry it shows.
  std::unique_ptr<TerminalsDialog> terminals_;
  // Caret and line reading on the two panes, while they exist.
  std::unique_ptr<RichEditReadingHook> incomingHook_;
  std::unique_ptr<RichEditReadingHook> outgoingHook_;
  // Jumps, search, header lines and marks in the incoming pane.
  std::unique_ptr<WindowNavigationSurface> navigationSurface_;
  std::unique_ptr<TalkCommands> commands_;
  // Set when the user went from the incoming to the outgoing pane with
  // Space: sending takes the focus back.
  bool returnFocus_ = false;
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
    // Beyond the default 32,767 characters.
    SendMessageW(pane, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  }
  FollowBrailleInputFocus(outgoing_);
  incomingPane_ = std::make_unique<RichEditTalkPane>(incoming_);
  prompts_ = std::make_unique<WindowPrompts>(window_, *store_);
  thread_->Attach(window_);
  AppendSettingsMenu(window_, instance_);
  HMENU system = GetSystemMenu(window_, FALSE);
  AppendMenuW(system, MF_STRING, CMD_SAVE_AS_TEXT, L"トークをテキストで保存(&T)...");
  AppendMenuW(system, MF_STRING, CMD_STARTUP_FILE, L"起動用ファイルの作成(&B)");
  AppendMenuW(system, MF_STRING, CMD_ABOUT, L"このプログラムについて(&A)...");
}

INT_PTR TalkWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (thread_->HandleMessage(msg, lParam)) return TRUE;
  if (controller_ && HandleBrlInputNotification(controller_->BrailleInput(), msg, wParam, lParam)) return TRUE;
  switch (msg) {
    case WM_COMMAND:
      OnCommand(wParam);
      return TRUE;
    case WM_SYSCOMMAND:
      // The items the window added to its system menu (the system's own
      // commands are 0xF000 and above).
      if (wParam < 0xF000 && RunCommandTable(LOWORD(wParam))) {
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      if ((wParam & 0xFFF0) == SC_CLOSE && controller_) {
        if (controller_->ClosePreparing()) {
          SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
          return TRUE;
        }
        controller_->PrepareClose();
      }
      // SC_CLOSE goes on to the default handling, which sends WM_CLOSE.
      return FALSE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == EN_MSGFILTER && FilterPaneKey(*reinterpret_cast<MSGFILTER*>(lParam))) {
        // Swallowed: the pane ignores the message.
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, 1);
        return TRUE;
      }
      return FALSE;
    }
    case WM_CLOSE:
      if (controller_) {
        // A close asked for while the terminals are leaving waits for the
        // one in progress.
        if (controller_->ClosePreparing()) return TRUE;
        controller_->PrepareClose();
      }
      DestroyWindow(window_);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) DestroyWindow(window_);
      return TRUE;
    case WM_ACTIVATE:
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
      TellBrailleInputOfWindowState(window_, msg, wParam);
      return FALSE;
    case WM_DESTROY:
      // The panes get their own procedures back.
      incomingHook_.reset();
      outgoingHook_.reset();
      // Nothing the watcher or a client says reaches the window any more.
      thread_->Close();
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

bool TalkWindow::OnCommand(WPARAM wParam) {
  if (RunCommandTable(LOWORD(wParam))) return true;
  switch (LOWORD(wParam)) {
    case IDCANCEL:
      // Escape reaches the dialog as IDCANCEL; the window stays open.
      return true;
    case CMD_SEND:
      Send();
      return true;
  }
  return false;
}

// The accelerators' and the system menu's commands, looked at before the
// window's own.
bool TalkWindow::RunCommandTable(int command) {
  switch (command) {
    case CMD_ABOUT:
      DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUT), window_, &AboutProc, 0);
      return true;
    case CMD_TERMINALS:
      if (terminals_) terminals_->Open();
      return true;
    case CMD_STARTUP_FILE:
      if (controller_) SaveStartupFile(window_, *controller_);
      return true;
    case CMD_SAVE_AS_TEXT:
      if (controller_)
        SaveTalkAsText(window_, controller_->Context().talkPath, *incomingPane_, sounds_, controller_->SpeechState());
      return true;
    case CMD_README:
      OpenReadme(window_, ProgramFolder().value_or(u"") + kReadmeFileName);
      return true;
    case CMD_MEMBER_LIST:
      if (controller_) ShowMemberList(instance_, window_, controller_->Context(), thread_);
      return true;
  }
  if (!controller_) return false;
  if (commands_ && commands_->Run(command)) return true;
  if (HandleSpeechCommand(window_, instance_, command, controller_->SpeechState())) return true;
  return RunBrlInputCommand(controller_->BrailleInput(), window_, command, outgoing_);
}

// The settings commands typed in the one-line dialogs. Keyboard braille
// input keeps reporting to the talk window, which outlives the dialog.
bool TalkWindow::RunDialogSettingsCommand(HWND dialog, int command) {
  if (HandleSpeechCommand(dialog, instance_, command, controller_->SpeechState())) return true;
  BrlInput& input = controller_->BrailleInput();
  switch (command) {
    case CMD_BRL_INPUT_TOGGLE:
      input.Toggle(window_);
      return true;
    case CMD_BRL_INPUT_SETTINGS:
      if (ShowBrlInputDialog(dialog, input.Settings())) input.Confirmed(window_);
      return true;
  }
  return false;
}

void TalkWindow::CloseTerminalsDialog() {
  if (!terminals_) return;
  // Clients the dialog is stopping tell this window of their users'
  // leaving meanwhile.
  terminals_->Close([this](int64_t ms, const std::function<bool()>& done) { Pump(ms, done); },
                    environment_.timing.terminalsDialogCloseMs);
}

INT_PTR CALLBACK TalkWindow::AboutProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dlg, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

void TalkWindow::Send() {
  if (!controller_) return;
  int length = GetWindowTextLengthW(outgoing_);
  if (length <= 0) return;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(outgoing_, text.data(), length + 1)));
  TalkSession::SendResult result = controller_->Send(FromWide(text));
  if (result == TalkSession::SendResult::kNothing) return;
  // A text that could not be stored stays for another try.
  if (result == TalkSession::SendResult::kStored) SetWindowTextW(outgoing_, L"");
  if (returnFocus_) {
    returnFocus_ = false;
    SetFocus(incoming_);
  }
}

// Key filtering of the panes (EN_MSGFILTER). True: swallow the message.
bool TalkWindow::FilterPaneKey(const MSGFILTER& filter) {
  const bool down = filter.msg == WM_KEYDOWN, up = filter.msg == WM_KEYUP;
  const WPARAM key = filter.wParam;
  if ((down || up) && key == VK_ESCAPE) return true;
  if (filter.nmhdr.hwndFrom != incoming_ || !controller_ || !commands_) return false;

  const bool ctrl = (GetKeyState(VK_CONTROL) & 0x80) != 0;
  if (key == VK_RETURN && (down || up)) {
    if (down) JumpToNewestMessage();
    return true;
  }
  if (key == VK_SPACE && down) {
    returnFocus_ = true;
    SetFocus(outgoing_);
    return true;
  }
  if ((key == VK_SPACE && up) || (filter.msg == WM_CHAR && key == L' ')) return true;
  if ((key == VK_UP || key == VK_DOWN) && ctrl && (down || up)) {
    if (down) commands_->MoveToHeader(key == VK_DOWN, false);
    return true;
  }
  return false;
}

void TalkWindow::JumpToNewestMessage() {
  const MessageNode* newest = controller_->NewestMessage();
  if (!newest) {
    sounds_.Play(FeedbackSound::kRefusal);
    return;
  }
  incomingHook_->Reading().SetCaret(newest->startPosition);
  SetFocus(incoming_);
  sounds_.Play(FeedbackSound::kConfirm);
  incomingHook_->Reading().SpeakJumpLine();
}

void TalkWindow::AttachReadingHooks() {
  const auto brailleSpace = [this] { sounds_.Play(FeedbackSound::kBrailleSpace); };
  SpeechSettings& speech = controller_->SpeechState();
  incomingHook_ = std::make_unique<RichEditReadingHook>(incoming_, ReadingKind::kViewer, speech, brailleSpace);
  outgoingHook_ = std::make_unique<RichEditReadingHook>(outgoing_, ReadingKind::kInput, speech, brailleSpace);
}

bool TalkWindow::Pump(int64_t ms, const std::function<bool()>& enough) {
  const int64_t end = NowMs() + ms;
  for (;;) {
    // Looked at before the round: whatever was sent or posted until then
    // is handled in this round.
    const bool finished = enough && enough();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return false;
      }
      if (Dotlane_OnGetMessage(&msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const int64_t left = end - NowMs();
    if (finished || left <= 0) return true;
    // Until the next message of any kind (a client's sent one included)
    // or the end of the time.
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

void TalkWindow::Run() {
  // Clients' worker windows are of this class; it exists before any
  // client does.
  RegisterWorkerWindowClass();
  if (!CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_TALK), nullptr, &DialogProc,
                          reinterpret_cast<LPARAM>(this)))
    return;
  TalkControllerOptions options;
  options.timing = environment_.timing;
  options.opener = environment_.opener;
  options.speechSettingsFile = environment_.speechSettingsFile;
  options.detailDictionaryFile = environment_.detailDictionaryFile;
  options.brlInputSettingsPath = environment_.brlInputSettingsPath;
  controller_ = std::make_unique<TalkController>(store_, *this, options);
  terminals_ = std::make_unique<TerminalsDialog>(instance_, controller_->Clients(),
                                                 controller_->Connector());
  prompts_->SetStartDialog([this](MeetingStart& start) {
    return RunMeetingStartDialog(instance_, window_, start, *controller_,
                                 [this] { sounds_.Play(FeedbackSound::kBrailleSpace); });
  });
  AttachReadingHooks();
  navigationSurface_ = std::make_unique<WindowNavigationSurface>(
      window_, incoming_, *incomingHook_, sounds_, controller_->SpeechState(),
      [this](HWND dialog, int command) { return RunDialogSettingsCommand(dialog, command); });
  commands_ = std::make_unique<TalkCommands>(*incomingPane_, controller_->Context().messages, controller_->View(),
                                             *navigationSurface_);
  // While keyboard braille input is off, braille patterns in the talk are
  // shown as kana.
  controller_->View().SetDisplayConversion([this](std::u16string_view text) -> std::optional<std::u16string> {
    if (controller_->BrailleInput().On()) return std::u16string(text);
    return BrailleAsKanaForDisplay(text);
  });
  controller_->StartEngines();
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);

  if (controller_->Open(commandLine_.talkPath, commandLine_.connections) == TalkController::OpenResult::kOpened) {
    std::wstring title = ToWide(TalkWindowTitle(controller_->Context().talkPath));
    SetWindowTextW(window_, title.c_str());
    HACCEL accelerators = LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(IDR_TALK_ACCEL));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (Dotlane_OnGetMessage(&msg)) continue;
      if (TranslateAcceleratorW(window_, accelerators, &msg)) continue;
      if (IsDialogMessageW(window_, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  } else {
    // The user has seen why, or cancelled.
    DestroyWindow(window_);
  }
  // The window is gone: the rest of the talk's life ends in order.
  controller_->Shutdown();
  // The dialog's thread has ended (or is waited for here) before the
  // registry goes.
  terminals_.reset();
  controller_.reset();
}

}  // namespace

void RunTalkWindow(HINSTANCE instance, const CommandLine& commandLine,
                   std::shared_ptr<StreamStore> store, const TalkWindowEnvironment& environment) {
  TalkWindow window(instance, commandLine, std::move(store), environment);
  window.Run();
}

}  // namespace mirelon
