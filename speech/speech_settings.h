// Which events are spoken (the eleven scenes) and the speech engine's
// stored voices, kept in "Speech.set" in the per-user folder; with them the
// run's speech state: the engine, the user's screen reader, the detailed
// readings and the two character-class memories.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "speech/detail_dictionary.h"
#include "speech/screen_reader.h"
#include "speech/speech_engine.h"

namespace mirelon {

// The scenes, in the order of their keys in the file.
enum class SpeechScene {
  kMoveLine,
  kMoveChar_Ascii,
  kMoveChar_Unicode,
  kJumpPosition,
  kInputMode,
  kInputChar_Ascii,
  kInputChar_Unicode,
  kMoveLine_Brl,
  kMoveChar_Brl,
  kJumpPosition_Brl,
  kInputChar_Brl,
};
inline constexpr size_t kSpeechSceneCount = 11;

// Each scene's key in "Speech.set", in scene order.
inline constexpr std::array<std::u16string_view, kSpeechSceneCount> kSpeechSceneKeys = {
    u"SpeakMoveLine",       u"SpeakMoveChar_Ascii",    u"SpeakMoveChar_Unicode", u"SpeakJumpPosition",
    u"SpeakInputMode",      u"SpeakInputChar_Ascii",   u"SpeakInputChar_Unicode", u"SpeakMoveLine_Brl",
    u"SpeakMoveChar_Brl",   u"SpeakJumpPosition_Brl",  u"SpeakInputChar_Brl",
};

inline constexpr std::u16string_view kSpeechSettingsFile = u"Speech.set";

// The key after the scenes that says where texts go, and its two values.
inline constexpr std::u16string_view kSpeechOutputKey = u"SpeechOutput";
inline constexpr std::u16string_view kSpeechOutputVoice = u"SAPI voice";
inline constexpr std::u16string_view kSpeechOutputScreenReader = u"screen reader";

struct SpeechSettings {
  // None: every reading is silent (the scenes are still loaded and saved).
  SpeechEngine* engine = nullptr;
  // Where notifications go when the engine's output is the screen reader;
  // none where the system cannot take them.
  ScreenReaderNotifier* screenReader = nullptr;
  // Scene flags as stored: nonzero is on.
  std::array<int32_t, kSpeechSceneCount> scenes{};
  DetailDictionary dictionary;
  // The class of the character last described, for moved-to and for typed
  // or removed characters; 0 for none.
  int movedClass = 0;
  int typedClass = 0;
  // The settings file; none: "Speech.set" in the per-user folder.
  std::optional<std::u16string> file;

  bool On(SpeechScene scene) const { return scenes[static_cast<size_t>(scene)] != 0; }
  void Set(SpeechScene scene, bool on) { scenes[static_cast<size_t>(scene)] = on ? 1 : 0; }
};

// Loads the file and gives the engine its stored voices: every voice key
// present is applied, both volumes always (100 when missing). The scenes
// take their values, 0 for a missing key. Without an engine only the scenes
// are read. False, with nothing changed, when the file's folder cannot be
// found.
bool LoadSpeechSettings(SpeechSettings& settings);

// Writes the engine's voices (with an engine) and the scenes into the file,
// keeping every other line it holds. False when it could not be written.
bool SaveSpeechSettings(const SpeechSettings& settings);

}  // namespace mirelon
