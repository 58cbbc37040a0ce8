// Keyboard braille input for the run: its switch and input type from
// "BrlInput.set", applied to the keyboard at start-up and whenever the user
// changes them (F2, the settings dialog), the spoken announcement of
// switching, and what the keyboard reports (input states, refused chords).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "braille/braille_keyboard.h"
#include "settings/brl_input_settings.h"

namespace mirelon {

struct SpeechSettings;

class BrlInput {
 public:
  struct Hooks {
    // The run's speech: its engine (none: silent), its scenes and where its
    // texts go. Null: nothing is said.
    SpeechSettings* speech = nullptr;
    // Plays the refusal sound.
    std::function<void()> refuse;
  };

  // `settingsPath`: where the settings live; none: "BrlInput.set" in the
  // per-user folder.
  BrlInput(Hooks hooks, std::optional<std::u16string> settingsPath);

  // Start-up: the keyboard is prepared, the notification message
  // registered, the settings loaded and applied with the keyboard's main
  // window. Without a keyboard there is no braille input in the run.
  void Start(std::unique_ptr<BrailleKeyboard> keyboard);
  // Shutdown: the keyboard is released. Runs once.
  void Stop();

  // The keyboard while the run has one; null otherwise.
  BrailleKeyboard* Keyboard() const { return keyboard_.get(); }
  // The user's switch is on.
  bool On() const { return settings_.inputSwitch != 0; }
  // The values the settings dialog shows and changes.
  BrlInputSettings& Settings() { return settings_; }

  // The keyboard takes the switch and the input type, reporting to `window`.
  void Apply(void* window);
  // F2: inverts the switch, writes the settings at once, applies them with
  // `window` and announces the change.
  void Toggle(void* window);
  // The settings dialog was confirmed: written and applied, no announcement.
  void Confirmed(void* window);

  // A notification of the keyboard: code 1 an input state (spoken under
  // its scene), code 2 a refused chord (the refusal sound).
  void Notified(unsigned code, std::u16string_view text);

 private:
  const Hooks hooks_;
  const std::optional<std::u16string> settingsPath_;
  std::unique_ptr<BrailleKeyboard> keyboard_;
  BrlInputSettings settings_;
};

}  // namespace mirelon
