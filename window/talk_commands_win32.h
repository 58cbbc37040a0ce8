// The talk window's side of its navigation commands: the incoming pane's
// caret and focus, moves through its reading hook's previous procedure, the
// sounds, the speech, and the one-line dialogs that ask for a number or a
// keyword.
#pragma once

#include <windows.h>

#include "ui/line_input_dialog_win32.h"
#include "speech/reading_hook_win32.h"
#include "speech/speech_settings.h"
#include "ui/talk_commands.h"

namespace mirelon {

class WindowNavigationSurface final : public NavigationSurface {
 public:
  // `window` owns the dialogs; `commands` runs the settings commands typed
  // inside them.
  WindowNavigationSurface(HWND window, HWND incoming, RichEditReadingHook& hook, SoundPlayer& sounds,
                          SpeechSettings& speech, SettingsCommandHandler commands)
      : window_(window),
        incoming_(incoming),
        hook_(hook),
        sounds_(sounds),
        speech_(speech),
        commands_(std::move(commands)) {}

  int CaretPosition() override;
  void MoveCaretQuietly(int position) override { hook_.Reading().SetCaret(position); }
  bool IncomingFocused() override { return GetFocus() == incoming_; }
  void FocusIncoming() override { SetFocus(incoming_); }
  void PlaySound(FeedbackSound sound) override { sounds_.Play(sound); }
  void SpeakJumpLine() override { hook_.Reading().SpeakJumpLine(); }
  void SpeakJumpFromCaret() override { hook_.Reading().SpeakJumpLine(true); }
  void Announce(std::u16string_view text) override;
  std::optional<int> AskNumber(int current, int highest) override;
  std::optional<std::u16string> AskKeyword(std::u16string_view current) override;

 private:
  const HWND window_;
  const HWND incoming_;
  RichEditReadingHook& hook_;
  SoundPlayer& sounds_;
  SpeechSettings& speech_;
  const SettingsCommandHandler commands_;
};

}  // namespace mirelon
