#include "window/talk_commands_win32.h"

#include <richedit.h>

#include <algorithm>
#include <iterator>

#include "resources/resource.h"
#include "speech/reading.h"

namespace mirelon {

namespace {

// The talk window may have been destroyed while a dialog ran (the session
// ended): the dialog's loop took its quit request, which is made again for
// the program's own loop, and the command ends there.
bool OwnerSurvived(HWND owner) {
  if (IsWindow(owner)) return true;
  PostQuitMessage(0);
  return false;
}

}  // namespace

// The character at the caret point while the pane has the focus and a
// selection (which end holds the caret is seen only on the screen);
// otherwise the start of the selection.
int WindowNavigationSurface::CaretPosition() {
  CHARRANGE range{};
  SendMessageW(incoming_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  const int start = static_cast<int>(std::min(range.cpMin, range.cpMax));
  POINT caret{};
  if (range.cpMin != range.cpMax && GetFocus() == incoming_ && GetCaretPos(&caret)) {
    POINTL at{caret.x, caret.y};
    const LRESULT position = SendMessageW(incoming_, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&at));
    if (position >= 0) return static_cast<int>(position);
  }
  return start;
}

void WindowNavigationSurface::Announce(std::u16string_view text) { SpeakMainVoice(speech_, text); }

std::optional<int> WindowNavigationSurface::AskNumber(int current, int highest) {
  LineInputRequest request;
  request.title = u"番号を指定して移動";
  request.prompt = u"メッセージの番号を入力してください。";
  request.label = u"番号";
  request.number = current;
  // The up arrow steps toward the first message, the down arrow toward the
  // newest.
  request.upper = 1;
  request.lower = highest;
  request.useInitial = true;
  const bool shown = RunLineInput(IDD_NUMBER_INPUT, window_, request, commands_);
  if (!OwnerSurvived(window_) || !shown || request.result != 1) return std::nullopt;
  return request.number;
}

std::optional<std::u16string> WindowNavigationSurface::AskKeyword(std::u16string_view current) {
  char16_t buffer[kMaxKeywordLength + 1] = {};
  LineInputRequest request;
  request.title = u"キーワード検索";
  request.prompt = u"探したいキーワードを入力してください。";
  request.label = u"キーワード";
  request.initialText = std::u16string(current.substr(0, kMaxKeywordLength));
  request.resultBuffer = buffer;
  request.resultSize = static_cast<int>(std::size(buffer));
  request.useInitial = true;
  const bool shown = RunLineInput(IDD_LINE_INPUT, window_, request, commands_);
  if (!OwnerSurvived(window_) || !shown || request.result != 1) return std::nullopt;
  return std::u16string(buffer);
}

}  // namespace mirelon
