// Speaking texts, characters and braille for the reading edit controls and
// the talk window's commands. Every routine does nothing (and returns
// false) when there is no speech engine.
//
// Each utterance goes to the engine's voice as SelectVoice, SetRate,
// SetVolume, Speak; when the engine's output is the screen reader and one
// takes notifications, it goes there instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "speech/screen_reader.h"
#include "speech/speech_settings.h"

namespace mirelon {

// With the English voice when the engine says so and the text is Latin (an
// ASCII letter and no character of code 256 or above), else the main voice.
bool SpeakText(SpeechSettings& settings, std::u16string_view text, Urgency urgency = Urgency::kMostRecent);
// Always the main voice: announcements and descriptions.
bool SpeakMainVoice(SpeechSettings& settings, std::u16string_view text, Urgency urgency = Urgency::kAll);
// SpeakText when the scene of line moves is on.
bool SpeakIfMoveLine(SpeechSettings& settings, std::u16string_view text);
// Braille patterns read as kana, with the main voice; nothing when the
// conversion gives nothing.
bool SpeakBrailleAsKana(SpeechSettings& settings, std::u16string_view text, Urgency urgency = Urgency::kMostRecent);
// The kana that the braille cell at `index` forms within its whole line;
// nothing unless that character is a braille pattern.
bool SpeakBrailleCell(SpeechSettings& settings, std::u16string_view line, size_t index, Urgency urgency);
// One character (one UTF-16 unit, or a surrogate pair) typed or removed,
// respectively moved to, under the scenes for its kind of code: its
// detailed reading, else its class description.
bool SpeakTypedChar(SpeechSettings& settings, std::u16string_view character);
bool SpeakMovedChar(SpeechSettings& settings, std::u16string_view character);
// The input state text that keyboard braille input reports, under its
// scene.
bool SpeakInputModeText(SpeechSettings& settings, std::optional<std::u16string_view> text);

// The character with its class ("ひらがな あ") when its class differs from
// the one in `memory`, which then takes it; the character alone otherwise.
std::u16string DescribeCharacter(int& memory, std::u16string_view character);

// The braille line read as kana with the text of the cell at `index`, as
// SpeakBrailleCell would speak it; none when there is nothing to say.
std::optional<std::u16string> BrailleCellKana(std::u16string_view line, size_t index);

bool HoldsBraille(std::u16string_view text);

}  // namespace mirelon
