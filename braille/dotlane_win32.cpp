#include "braille/dotlane_win32.h"

#include <richedit.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/utf.h"
#include "braille/braille_input.h"
#include "braille/braille_keyboard.h"
#include "braille/cells.h"
#include "braille/kantenji_map.h"

namespace mirelon {

namespace {

constexpr int kOwnerChainLimit = 8;

// The library's state for the run, on the windows' thread.
struct Dotlane {
  bool started = false;
  // Input-mode value; 0 while input is off. The last value that was on
  // serves the input test while input is off.
  int mode = 0;
  int lastMode = kDotlaneCells;
  // Where notifications go, and the owners of that window, which take them
  // once it is gone.
  HWND notifyWindow = nullptr;
  std::vector<HWND> notifyOwners;
  UINT notifyMessage = 0;
  // Controls in braille mode, and windows with a menu open.
  std::vector<HWND> brailleControls;
  std::vector<HWND> menuWindows;

  ChordAssembler chords;
  // The reader of the control that chords went to last, in its mode.
  std::unique_ptr<BrailleInputReader> reader;
  HWND readerControl = nullptr;
  int readerMode = 0;

  // Read from the table beside the program the first time kantenji is used.
  std::optional<KantenjiMap> kantenji;
  bool kantenjiTried = false;

  // The input test's field, its mode, and what it is told of each chord.
  HWND testField = nullptr;
  int testMode = 0;
  std::function<void(uint8_t cell, const BrailleInputStep& step)> testObserver;
};

Dotlane& State() {
  static Dotlane state;
  return state;
}

bool Contains(const std::vector<HWND>& windows, HWND window) {
  return std::find(windows.begin(), windows.end(), window) != windows.end();
}

void Forget(std::vector<HWND>& windows, HWND window) {
  windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

const KantenjiMap* Kantenji() {
  Dotlane& s = State();
  if (!s.kantenjiTried) {
    s.kantenjiTried = true;
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    if (length > 0 && length <= MAX_PATH) {
      std::u16string table = FromWide(std::wstring_view(path, length));
      const size_t slash = table.find_last_of(u"\\/");
      table.resize(slash == std::u16string::npos ? 0 : slash + 1);
      s.kantenji = KantenjiMap::Load(table + u"" MIRELON_KANTENJI_TABLE);
    }
  }
  return s.kantenji ? &*s.kantenji : nullptr;
}

int ModeFor(HWND control) {
  const Dotlane& s = State();
  return control && control == s.testField ? s.testMode : s.mode;
}

// A plain edit field that takes digits only.
bool IsNumberField(HWND control) {
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  return _wcsicmp(name, L"Edit") == 0 && (GetWindowLongPtrW(control, GWL_STYLE) & ES_NUMBER);
}

BrailleInputReader& ReaderFor(HWND control, int mode) {
  Dotlane& s = State();
  if (!s.reader || s.readerControl != control || s.readerMode != mode) {
    s.reader = std::make_unique<BrailleInputReader>(
        mode, mode == kDotlaneKantenji ? Kantenji() : nullptr, IsNumberField(control));
    s.readerControl = control;
    s.readerMode = mode;
  }
  return *s.reader;
}

void Notify(WPARAM code, const std::u16string& text = {}) {
  Dotlane& s = State();
  if (!s.notifyMessage) return;
  HWND target = IsWindow(s.notifyWindow) ? s.notifyWindow : nullptr;
  for (size_t i = 0; !target && i < s.notifyOwners.size(); ++i)
    if (IsWindow(s.notifyOwners[i])) target = s.notifyOwners[i];
  if (!target) return;
  const std::wstring wide = ToWide(text);
  SendMessageW(target, s.notifyMessage, code,
               code == kDotlaneNotifyState ? reinterpret_cast<LPARAM>(wide.c_str()) : 0);
}

// Types the text into the control as characters typed on the keyboard
// would arrive, so that the control and whoever listens to it see them as
// typed; a character outside the basic plane goes in whole.
void Insert(HWND control, std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      const wchar_t pair[3] = {static_cast<wchar_t>(c), static_cast<wchar_t>(text[i + 1]), 0};
      SendMessageW(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pair));
      ++i;
      continue;
    }
    SendMessageW(control, WM_CHAR, c, 1);
  }
}

// What waits in the control's reader goes in before anything else happens
// there; a move ends numbers and Latin words.
void FlushInto(HWND control, bool reset) {
  Dotlane& s = State();
  if (!s.reader || s.readerControl != control) return;
  const std::u16string text = s.reader->Flush();
  if (reset) s.reader->Reset();
  if (!text.empty() && IsWindow(control)) Insert(control, text);
}

void Deliver(HWND control, int mode, uint8_t cell) {
  BrailleInputStep step = ReaderFor(control, mode).Cell(cell);
  Insert(control, step.text);
  Dotlane& s = State();
  if (control == s.testField && s.testObserver) s.testObserver(cell, step);
  if (!step.state.empty()) Notify(kDotlaneNotifyState, step.state);
  if (step.refused) Notify(kDotlaneNotifyRefused);
}

bool IsModifierKey(WPARAM vk) {
  switch (vk) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_CAPITAL:
    case VK_KANA:
    case VK_KANJI:
      return true;
    default:
      return false;
  }
}

bool ModifierHeld() {
  return (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000) ||
         (GetKeyState(VK_SHIFT) & 0x8000);
}

// The chord key of a key message: by its place on the keyboard, or, when
// the message carries no scan code, by the key's name on a US keyboard.
ChordKey KeyOf(const MSG& msg) {
  const unsigned scan = (static_cast<unsigned>(msg.lParam) >> 16) & 0xFF;
  const bool extended = (msg.lParam >> 24) & 1;
  if (scan != 0) return extended ? ChordKey::kNone : ChordKeyFromScanCode(scan);
  switch (msg.wParam) {
    case 'F':
      return ChordKey::kDot1;
    case 'D':
      return ChordKey::kDot2;
    case 'S':
      return ChordKey::kDot3;
    case 'J':
      return ChordKey::kDot4;
    case 'K':
      return ChordKey::kDot5;
    case 'L':
      return ChordKey::kDot6;
    case 'A':
      return ChordKey::kDot7;
    case VK_OEM_1:
      return ChordKey::kDot8;
    case VK_SPACE:
      return ChordKey::kSpace;
    default:
      return ChordKey::kNone;
  }
}

}  // namespace

BOOL Dotlane_StartDlgSupport() {
  State() = Dotlane{};
  State().started = true;
  return TRUE;
}

void Dotlane_EndDlgSupport() {
  State() = Dotlane{};
}

void Dotlane_SetInputMode(HWND window, UINT message, int value) {
  Dotlane& s = State();
  if (!s.started) return;
  s.notifyWindow = window;
  s.notifyMessage = message;
  s.notifyOwners.clear();
  for (HWND owner = window ? GetWindow(window, GW_OWNER) : nullptr;
       owner && s.notifyOwners.size() < kOwnerChainLimit; owner = GetWindow(owner, GW_OWNER))
    s.notifyOwners.push_back(owner);
  const bool known = value == kDotlaneCells || value == kDotlaneKana || value == kDotlaneKantenji;
  s.mode = message != 0 && known ? value : 0;
  if (s.mode) s.lastMode = s.mode;
  s.chords.Reset();
}

int Dotlane_GetInputMode() {
  return State().mode;
}

BOOL Dotlane_OnGetMessage(MSG* msg) {
  Dotlane& s = State();
  if (!s.started || !msg) return FALSE;
  const UINT m = msg->message;
  if (m != WM_KEYDOWN && m != WM_KEYUP && m != WM_SYSKEYDOWN && m != WM_SYSKEYUP) return FALSE;
  HWND control = msg->hwnd;
  const int mode = ModeFor(control);
  if (mode == 0 || !Contains(s.brailleControls, control)) return FALSE;
  HWND root = GetAncestor(control, GA_ROOT);
  if (GetActiveWindow() != root || Contains(s.menuWindows, root)) {
    s.chords.Reset();
    return FALSE;
  }
  const bool down = m == WM_KEYDOWN || m == WM_SYSKEYDOWN;
  const ChordKey key = m == WM_KEYDOWN || m == WM_KEYUP ? KeyOf(*msg) : ChordKey::kNone;
  if (key != ChordKey::kNone) {
    if (down) {
      // Ctrl, Alt and Shift with a letter are commands (what waits goes in
      // first), unless a chord is already being typed.
      if (ModifierHeld() && !s.chords.Active()) {
        FlushInto(control, true);
        return FALSE;
      }
      // A key held down repeats: nothing more.
      if (msg->lParam & (1 << 30)) return TRUE;
      s.chords.Down(key);
      return TRUE;
    }
    const ChordAssembler::Release release = s.chords.Up(key);
    if (!release.taken) return FALSE;
    if (release.cell) Deliver(control, mode, *release.cell);
    return TRUE;
  }
  if (!down || IsModifierKey(msg->wParam)) return FALSE;
  if (msg->wParam == VK_BACK && m == WM_KEYDOWN && !ModifierHeld() && s.reader &&
      s.readerControl == control && s.reader->Backspace())
    return TRUE;
  // Any other key: what waits goes in first, then the key has its effect;
  // Backspace keeps a number or a Latin word going.
  FlushInto(control, msg->wParam != VK_BACK);
  return FALSE;
}

void Dotlane_OnActivate() {
  State().chords.Reset();
}

void Dotlane_SetInMenuLoop(HWND window, BOOL inMenu) {
  Dotlane& s = State();
  Forget(s.menuWindows, window);
  if (inMenu) {
    s.menuWindows.push_back(window);
    s.chords.Reset();
  }
}

void Dotlane_SetBrlMode(HWND control, BOOL on) {
  Dotlane& s = State();
  Forget(s.brailleControls, control);
  if (on && s.started) {
    s.brailleControls.push_back(control);
    return;
  }
  // The control no longer takes chords: what waits for it goes in now.
  FlushInto(control, true);
  if (s.readerControl == control) {
    s.reader.reset();
    s.readerControl = nullptr;
  }
  s.chords.Reset();
}

}  // namespace mirelon

// ---------------------------------------------------------------------------
// The input test.

namespace mirelon {

namespace {

constexpr WORD kTestField = 101;
constexpr WORD kTestRecord = 102;
constexpr WORD kButtonClass = 0x0080, kEditClass = 0x0081, kStaticClass = 0x0082,
               kListBoxClass = 0x0083;

// A dialog template built in memory (DLGTEMPLATE and its items).
class DialogTemplate {
 public:
  DialogTemplate(const wchar_t* title, short cx, short cy) {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
    Dword(style);
    Dword(0);
    words_.push_back(0);  // item count, filled in by Add
    for (short v : {short(0), short(0), cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the dialog class
    String(title);
    words_.push_back(9);
    String(L"MS UI Gothic");
  }

  void Add(DWORD style, short x, short y, short cx, short cy, WORD id, WORD windowClass,
           const wchar_t* text) {
    if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(windowClass);
    String(text);
    words_.push_back(0);  // no creation data
    ++words_[4];
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void String(const wchar_t* s) {
    for (; *s; ++s) words_.push_back(static_cast<WORD>(*s));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

// One line of the record: the cell, its dots and what it did.
std::wstring Describe(uint8_t cell, const BrailleInputStep& step) {
  std::u16string line(1, static_cast<char16_t>(kUnicodeBrailleBase + cell));
  if (cell == 0) {
    line += u" マスあけ";
  } else {
    line += u" 点";
    for (int dot = 1; dot <= 8; ++dot)
      if (cell & (1 << (dot - 1))) line += static_cast<char16_t>(u'0' + dot);
  }
  line += u"：";
  if (step.refused)
    line += u"（入力できません）";
  else if (!step.text.empty())
    line += u"「" + step.text + u"」";
  if (!step.state.empty()) line += u"（" + step.state + u"）";
  return ToWide(line);
}

void CloseTest(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner && GetPropW(dialog, L"MirelonOwnerEnabled")) EnableWindow(owner, TRUE);
  DestroyWindow(dialog);
}

INT_PTR CALLBACK TestProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  Dotlane& s = State();
  switch (msg) {
    case WM_INITDIALOG: {
      HWND field = GetDlgItem(dialog, kTestField);
      HWND record = GetDlgItem(dialog, kTestRecord);
      s.testField = field;
      s.testMode = s.mode ? s.mode : s.lastMode;
      s.testObserver = [record](uint8_t cell, const BrailleInputStep& step) {
        const std::wstring line = Describe(cell, step);
        const LRESULT index =
            SendMessageW(record, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        SendMessageW(record, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
      };
      Dotlane_SetBrlMode(field, TRUE);
      SetFocus(field);
      return FALSE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) s.chords.Reset();
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        CloseTest(dialog);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      CloseTest(dialog);
      return TRUE;
    case WM_DESTROY:
      Dotlane_SetBrlMode(s.testField, FALSE);
      s.testField = nullptr;
      s.testObserver = nullptr;
      RemovePropW(dialog, L"MirelonOwnerEnabled");
      return FALSE;
  }
  return FALSE;
}

}  // namespace

void Dotlane_ShowTestingDialog(HWND owner) {
  Dotlane& s = State();
  if (!s.started || s.testField) return;
  DialogTemplate t(L"点字入力テスト", 260, 170);
  t.Add(0, 8, 6, 244, 10, 0xFFFF, kStaticClass,
        L"点字を入力してください。入力したマスと点、入力された文字が記録に出ます。");
  t.Add(0, 8, 20, 100, 10, 0xFFFF, kStaticClass, L"入力欄(&I)");
  t.Add(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 8, 32, 244, 14, kTestField, kEditClass, L"");
  t.Add(0, 8, 52, 100, 10, 0xFFFF, kStaticClass, L"入力の記録(&R)");
  t.Add(WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 8, 64, 244, 78, kTestRecord,
        kListBoxClass, L"");
  t.Add(BS_DEFPUSHBUTTON | WS_TABSTOP, 202, 150, 50, 14, IDOK, kButtonClass, L"閉じる");
  HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, &TestProc, 0);
  if (!dialog) return;
  if (owner && IsWindowEnabled(owner)) {
    SetPropW(dialog, L"MirelonOwnerEnabled", reinterpret_cast<HANDLE>(1));
    EnableWindow(owner, FALSE);
  }
  ShowWindow(dialog, SW_SHOWNORMAL);
  UpdateWindow(dialog);
  MSG msg;
  BOOL got = TRUE;
  while (IsWindow(dialog) && (got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    if (Dotlane_OnGetMessage(&msg)) continue;
    if (IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (IsWindow(dialog)) CloseTest(dialog);
  // The run is ending: the quit goes on to the loop that runs the program.
  if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
}

}  // namespace mirelon
