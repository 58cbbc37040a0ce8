// The reading hook on a RichEdit control: its window procedure is replaced
// by one that tells the hook of key and character messages before and
// after the control's own procedure handles them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "speech/reading_hook.h"

namespace mirelon {

class RichEditReadingHook final : private EditView {
 public:
  // Subclasses `control` (once); the previous procedure gets every message.
  RichEditReadingHook(HWND control, ReadingKind kind, SpeechSettings& settings,
                      std::function<void()> brailleSpaceSound);
  // Gives the control its previous procedure back.
  ~RichEditReadingHook() override;
  RichEditReadingHook(const RichEditReadingHook&) = delete;
  RichEditReadingHook& operator=(const RichEditReadingHook&) = delete;

  ReadingHook& Reading() { return hook_; }
  // Called after the control gained (true) or lost (false) the focus; an
  // input control switches keyboard braille input there.
  void SetFocusHandler(std::function<void(bool gained)> handler) { focusChanged_ = std::move(handler); }
  // Sends a message straight to the control's previous procedure, so that
  // the hook does not react to it.
  LRESULT CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // EditView
  int CaretPosition() override;
  void Selection(int& start, int& end) override;
  int TextLength() override;
  int LineCount() override;
  int LineFromPosition(int position) override;
  int LineStart(int line) override;
  std::u16string TextRange(int start, int end) override;
  void SetCaretQuietly(int position) override;

  const HWND control_;
  WNDPROC previous_ = nullptr;
  ReadingHook hook_;
  std::function<void(bool)> focusChanged_;
};

}  // namespace mirelon
