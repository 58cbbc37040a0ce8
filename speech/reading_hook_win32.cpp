#include "speech/reading_hook_win32.h"

#include <richedit.h>

#include <algorithm>

#include "base/utf.h"

namespace mirelon {

namespace {

ReadingKey KeyOf(WPARAM virtualKey) {
  switch (virtualKey) {
    case VK_BACK:
      return ReadingKey::kBack;
    case VK_DELETE:
      return ReadingKey::kDelete;
    case VK_OEM_COMMA:
      return ReadingKey::kComma;
    case VK_OEM_PERIOD:
      return ReadingKey::kPeriod;
    case VK_UP:
      return ReadingKey::kUp;
    case VK_DOWN:
      return ReadingKey::kDown;
    case VK_HOME:
      return ReadingKey::kHome;
    case VK_END:
      return ReadingKey::kEnd;
    case VK_LEFT:
      return ReadingKey::kLeft;
    case VK_RIGHT:
      return ReadingKey::kRight;
  }
  return ReadingKey::kOther;
}

bool KeyIsDown(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

}  // namespace

RichEditReadingHook::RichEditReadingHook(HWND control, ReadingKind kind, SpeechSettings& settings,
                                         std::function<void()> brailleSpaceSound)
    : control_(control), hook_(kind, *this, settings, std::move(brailleSpaceSound)) {
  SetWindowLongPtrW(control_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  previous_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RichEditReadingHook::Procedure)));
}

RichEditReadingHook::~RichEditReadingHook() {
  if (!IsWindow(control_)) return;
  SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  SetWindowLongPtrW(control_, GWLP_USERDATA, 0);
}

LRESULT CALLBACK RichEditReadingHook::Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<RichEditReadingHook*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, msg, wParam, lParam);
  return self->OnMessage(msg, wParam, lParam);
}

LRESULT RichEditReadingHook::CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(previous_, control_, msg, wParam, lParam);
}

LRESULT RichEditReadingHook::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const bool character = msg == WM_CHAR && wParam >= 0x20;
  if (msg == WM_KEYDOWN) hook_.BeforeKeyDown(KeyOf(wParam), KeyIsDown(VK_CONTROL), KeyIsDown(VK_SHIFT));
  if (character) hook_.BeforeChar(static_cast<char16_t>(wParam));
  const LRESULT result = CallPrevious(msg, wParam, lParam);
  if (msg == WM_KEYUP) hook_.AfterKeyUp(KeyOf(wParam), KeyIsDown(VK_CONTROL));
  if (character) hook_.AfterChar(static_cast<char16_t>(wParam));
  if ((msg == WM_SETFOCUS || msg == WM_KILLFOCUS) && focusChanged_) focusChanged_(msg == WM_SETFOCUS);
  return result;
}

// With an empty selection the caret is its start. With a selection the
// caret stands at one of its ends, which only the caret's place on the
// screen tells.
int RichEditReadingHook::CaretPosition() {
  int start = 0, end = 0;
  Selection(start, end);
  POINT caret{};
  if (start != end && GetFocus() == control_ && GetCaretPos(&caret)) {
    POINTL at{caret.x, caret.y};
    const int position =
        static_cast<int>(CallPrevious(EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&at)));
    if (position >= 0 && position <= TextLength()) return position;
  }
  return start;
}

void RichEditReadingHook::Selection(int& start, int& end) {
  CHARRANGE range{};
  CallPrevious(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  start = static_cast<int>(std::min(range.cpMin, range.cpMax));
  end = static_cast<int>(std::max(range.cpMin, range.cpMax));
}

int RichEditReadingHook::TextLength() {
  GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
  return static_cast<int>(CallPrevious(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
}

int RichEditReadingHook::LineCount() { return static_cast<int>(CallPrevious(EM_GETLINECOUNT, 0, 0)); }

int RichEditReadingHook::LineFromPosition(int position) {
  return static_cast<int>(CallPrevious(EM_EXLINEFROMCHAR, 0, position));
}

int RichEditReadingHook::LineStart(int line) { return static_cast<int>(CallPrevious(EM_LINEINDEX, line, 0)); }

std::u16string RichEditReadingHook::TextRange(int start, int end) {
  if (end <= start) return {};
  std::wstring buffer(static_cast<size_t>(end - start) + 1, L'\0');
  TEXTRANGEW range{{start, end}, buffer.data()};
  const LRESULT copied = CallPrevious(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  buffer.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, end - start)));
  return FromWide(buffer);
}

void RichEditReadingHook::SetCaretQuietly(int position) {
  CHARRANGE range{position, position};
  CallPrevious(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CallPrevious(EM_SCROLLCARET, 0, 0);
}

}  // namespace mirelon
