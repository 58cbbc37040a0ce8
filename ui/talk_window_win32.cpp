#include "ui/talk_window_win32.h"

#include <richedit.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "app/talk_context.h"
#include "base/timing.h"
#include "base/utf.h"
#include "braille/text_to_braille.h"
#include "client/client_registry.h"
#include "client/worker_loop.h"
#include "resources/resource.h"
#include "speech/speech_sapi_win32.h"
#include "talk/open_talk.h"
#include "talk/stream_watcher.h"
#include "talk/talk_file.h"
#include "talk/talk_session.h"
#include "talk/talk_window_sink.h"
#include "ui/command_line_terminals.h"
#include "ui/display_text.h"
#include "ui/header_navigation.h"
#include "ui/rich_edit_talk_pane_win32.h"
#include "ui/sound_player_win32.h"
#include "ui/talk_dialogs_win32.h"
#include "ui/talk_window_title.h"

namespace mirelon {

namespace {

// What the watcher and the terminal clients tell the talk window, as
// WM_COMMAND messages to it: posted, except the terminal users, which are
// sent so that the client waits until the record is stored.
//
// Clients may outlive the window (they share this object); once it is
// detached, everything they tell it goes nowhere.
class WindowTalkSink final : public TalkWindowSink {
 public:
  void Attach(HWND window) { window_ = window; }
  void Detach() { window_ = nullptr; }

  void PostNewMessages(bool description) override {
    if (HWND window = window_) PostMessageW(window, WM_COMMAND, CMD_NEW_MESSAGES, description ? 1 : 0);
  }
  void PostScanDone() override {
    if (HWND window = window_) PostMessageW(window, WM_COMMAND, CMD_SCAN_DONE, 0);
  }
  void PostRecordText(std::u16string record) override {
    HWND window = window_;
    if (!window) return;
    // The heap text belongs to the window once the message is queued.
    auto text = std::make_unique<std::u16string>(std::move(record));
    if (PostMessageW(window, WM_COMMAND, CMD_POST_TEXT, reinterpret_cast<LPARAM>(text.get())))
      text.release();
  }
  void SendTerminalUser(std::u16string_view name, bool left) override {
    HWND window = window_;
    if (!window) return;
    // The name stays with the sender; the handler copies what it keeps.
    std::wstring wide = ToWide(name);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(CMD_TERMINAL_USER, left ? 1 : 0),
                 reinterpret_cast<LPARAM>(wide.c_str()));
  }

 private:
  // Written on the window's thread, read on the watcher's and the clients'.
  std::atomic<HWND> window_{nullptr};
};

// OpenTalk's questions, answered with the open dialog and message boxes
// owned by the talk window.
class WindowPrompts final : public OpenTalkPrompts {
 public:
  WindowPrompts(HWND window, TalkContext& context) : window_(window), context_(context) {}

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

  // The meeting start dialog is not part of this window yet: the start is
  // taken as confirmed with the text unchanged, which for the owner stores
  // the description shown (the talk's own, or the welcome text), as OK
  // without edits does.
  bool RunStartDialog(bool owner, const std::u16string& talkPath,
                      const std::u16string& welcome) override {
    if (owner) {
      std::u16string shown =
          ReadStreamText(context_.store, talkPath, kDescriptionStream).value_or(welcome);
      WriteDescriptionStream(context_.store, shown, talkPath);
    }
    return true;
  }

 private:
  HWND window_;
  TalkContext& context_;
};

class TalkWindow {
 public:
  TalkWindow(HINSTANCE instance, const CommandLine& commandLine, TalkContext& context,
             const TalkWindowEnvironment& environment)
      : instance_(instance),
        commandLine_(commandLine),
        context_(context),
        timing_(environment.timing),
        opener_(environment.opener),
        terminals_(context.clients) {}

  void Run();

 private:
  static INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  bool OnCommand(WPARAM wParam, LPARAM lParam);
  bool FilterPaneKey(const MSGFILTER& filter);

  void Send();
  void JumpToNewestMessage();
  void MoveToHeader(bool forward);
  int CaretPosition();

  void PrepareClose();
  // Dispatches the thread's messages for up to `ms` milliseconds, or
  // until `enough` holds. False when the loop's quit message came (it is
  // queued again for the loop).
  bool PumpMessages(int64_t ms, const std::function<bool()>& enough);

  void StartLibraries();
  void StopLibraries();

  HINSTANCE instance_;
  const CommandLine& commandLine_;
  TalkContext& context_;
  const Timing timing_;
  const SerialDeviceOpener opener_;
  HWND window_ = nullptr;
  HWND incoming_ = nullptr;
  HWND outgoing_ = nullptr;
  std::unique_ptr<RichEditTalkPane> incomingPane_;
  std::unique_ptr<TalkSession> session_;
  std::shared_ptr<WindowTalkSink> sink_ = std::make_shared<WindowTalkSink>();
  CommandLineTerminals terminals_;
  // Closing is prepared once: WM_CLOSE after SC_CLOSE, or a second close
  // while the terminals are leaving, does not start it again.
  enum class Closing { kNo, kPreparing, kPrepared } closing_ = Closing::kNo;
  SystemSoundPlayer sounds_;
  SpeechEnginePtr speech_;
  // Nonzero while the text-to-braille engine is open.
  int zerin_ = 0;
  // Set when the user went from the incoming to the outgoing pane with
  // Space: sending takes the focus back.
  bool returnFocus_ = false;
  // Messages displayed so far, the first ones of the MessageList.
  int displayed_ = 0;
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
  incomingPane_ = std::make_unique<RichEditTalkPane>(incoming_);
  session_ = std::make_unique<TalkSession>(context_, *incomingPane_);
  // Keyboard braille input is off: braille patterns in the talk are shown
  // as kana.
  session_->SetDisplayConversion([](std::u16string_view text) -> std::optional<std::u16string> {
    return BrailleAsKanaForDisplay(text);
  });
  sink_->Attach(window_);
  context_.userName = UserName();
  HMENU system = GetSystemMenu(window_, FALSE);
  AppendMenuW(system, MF_STRING, CMD_ABOUT, L"このプログラムについて(&A)...");
}

INT_PTR TalkWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      return TRUE;
    case WM_SYSCOMMAND:
      if (LOWORD(wParam) == CMD_ABOUT) {
        OnCommand(CMD_ABOUT, 0);
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        if (closing_ == Closing::kPreparing) {
          SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
          return TRUE;
        }
        PrepareClose();
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
      // A close asked for while the terminals are leaving waits for the
      // one in progress.
      if (closing_ == Closing::kPreparing) return TRUE;
      PrepareClose();
      DestroyWindow(window_);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) DestroyWindow(window_);
      return TRUE;
    case WM_DESTROY:
      sink_->Detach();
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

bool TalkWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case CMD_ABOUT:
      DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUT), window_, &AboutProc, 0);
      return true;
    case IDCANCEL:
      // Escape reaches the dialog as IDCANCEL; the window stays open.
      return true;
    case CMD_SEND:
      Send();
      return true;
    case CMD_NEW_MESSAGES:
      if (lParam == 1) {
        session_->ShowDescription();
      } else if (int shown = session_->DisplayNewMessages(); shown > 0) {
        displayed_ += shown;
        sounds_.Play(FeedbackSound::kNewMessages);
      }
      return true;
    case CMD_SCAN_DONE:
      // Every record already in the talk has been read: a meeting's in
      // record now goes after all of them.
      session_->ScanDone();
      // Then the terminals named on the command line join.
      terminals_.Start(commandLine_.connections);
      return true;
    case CMD_POST_TEXT: {
      std::unique_ptr<std::u16string> record(reinterpret_cast<std::u16string*>(lParam));
      if (record) session_->PostText(*record);
      return true;
    }
    case CMD_TERMINAL_USER:
      if (lParam)
        session_->TerminalUser(FromWide(reinterpret_cast<const wchar_t*>(lParam)),
                               HIWORD(wParam) == 1);
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

void TalkWindow::Send() {
  int length = GetWindowTextLengthW(outgoing_);
  if (length <= 0) return;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(outgoing_, text.data(), length + 1)));
  TalkSession::SendResult result = session_->Send(FromWide(text), CurrentLocalTime());
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
  if (filter.nmhdr.hwndFrom != incoming_) return false;

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
    if (down) MoveToHeader(key == VK_DOWN);
    return true;
  }
  return false;
}

void TalkWindow::JumpToNewestMessage() {
  MessageNode* newest = nullptr;
  MessageNode* node = context_.messages.First();
  for (int i = 0; i < displayed_ && node; ++i, node = MessageList::Next(node))
    if (!newest || node->number > newest->number) newest = node;
  if (!newest) {
    sounds_.Play(FeedbackSound::kRefusal);
    return;
  }
  incomingPane_->MoveCaret(newest->startPosition);
  SetFocus(incoming_);
  sounds_.Play(FeedbackSound::kConfirm);
}

// The caret of the incoming pane: the character at the caret point while
// the pane has the focus, otherwise the start of its selection.
int TalkWindow::CaretPosition() {
  POINT caret{};
  if (GetFocus() == incoming_ && GetCaretPos(&caret)) {
    POINTL at{caret.x, caret.y};
    return static_cast<int>(SendMessageW(incoming_, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&at)));
  }
  return incomingPane_->Selection().start;
}

// Ctrl+Up and Ctrl+Down in the incoming pane.
void TalkWindow::MoveToHeader(bool forward) {
  const PaneSelection kept = incomingPane_->Selection();
  const int line = incomingPane_->LineFromPosition(CaretPosition());
  std::optional<int> target =
      forward ? NextHeaderLine(*incomingPane_, line,
                               incomingPane_->LineFromPosition(context_.insertionPosition))
              : PreviousHeaderLine(*incomingPane_, line);
  if (!target) {
    incomingPane_->SetSelection(kept);
    sounds_.Play(FeedbackSound::kRefusal);
    return;
  }
  incomingPane_->MoveCaret(*target);
  sounds_.Play(FeedbackSound::kConfirm);
}

// Libraries of the run, in their fixed order. Without a speech engine the
// program runs silently; without the text-to-braille engine the braille
// lines are made by the kana converter.
void TalkWindow::StartLibraries() {
  speech_ = CreateVoxmira(window_);
  zerin_ = ZerinOpen();
}

void TalkWindow::StopLibraries() {
  speech_.reset();
  if (zerin_) ZerinClose();
  zerin_ = 0;
}

// Before the window goes: no further terminal is connected, every client is
// asked to quit, and while they announce their users' leaving (sent to this
// window, which must be dispatching to take it) the window keeps
// dispatching, until every client's worker has ended or the close pump's
// time has passed.
void TalkWindow::PrepareClose() {
  if (closing_ != Closing::kNo) return;
  closing_ = Closing::kPreparing;
  terminals_.Cancel();
  // A client being started finishes starting; the thread needs nothing of
  // this window for that, but the clients it has started may.
  if (PumpMessages(timing_.connWorkerStartMs + timing_.connDispatchStartMs,
                   [this] { return terminals_.Done(); }))
    terminals_.Join();
  if (context_.clients.QuitAll() > 0)
    PumpMessages(timing_.closePumpMs, [this] { return !context_.clients.AnyWorkerRunning(); });
  closing_ = Closing::kPrepared;
}

bool TalkWindow::PumpMessages(int64_t ms, const std::function<bool()>& enough) {
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
  StartLibraries();
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);

  WindowPrompts prompts(window_, context_);
  if (!OpenTalk(context_, commandLine_.talkPath, prompts, RecentTalks::ForUser())) {
    // The user has seen why, or cancelled.
    DestroyWindow(window_);
    StopLibraries();
    return;
  }
  std::wstring title = ToWide(TalkWindowTitle(context_.talkPath));
  SetWindowTextW(window_, title.c_str());

  context_.watcher = std::make_unique<StreamWatcher>(context_, sink_.get(), timing_);
  if (!context_.watcher->Start()) {
    context_.watcher.reset();
    context_.mainFile.reset();
    DestroyWindow(window_);
    StopLibraries();
    return;
  }

  // What every terminal client is given; they are connected once the
  // first scan is done.
  ClientSetup setup;
  setup.talkWindow = sink_;
  setup.talkPath = context_.talkPath;
  setup.lines = &context_.brailleLines;
  setup.timing = timing_;
  setup.opener = opener_;
  context_.clients.SetTalk(setup, context_.meeting);

  HACCEL accelerators = LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(IDR_TALK_ACCEL));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorW(window_, accelerators, &msg)) continue;
    if (IsDialogMessageW(window_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }

  // The window is gone (the terminals have left, unless the session
  // ended). No further terminal is connected; stop the watcher (it gives
  // up waiting after the stop polls of the timing and shutdown goes on),
  // record a meeting's leaving, let go of the talk file, then the
  // libraries. The clients still in the registry are stopped with the
  // talk context.
  terminals_.Cancel();
  terminals_.Join();
  context_.watcher->Stop();
  session_->Leave();
  context_.mainFile.reset();
  StopLibraries();
}

}  // namespace

void RunTalkWindow(HINSTANCE instance, const CommandLine& commandLine, TalkContext& context,
                   const TalkWindowEnvironment& environment) {
  TalkWindow window(instance, commandLine, context, environment);
  window.Run();
}

}  // namespace mirelon
