#include "speech/speech_settings.h"

#include "settings/settings_list.h"
#include "settings/text_file.h"

namespace mirelon {

namespace {

constexpr int kDefaultVolume = 100;

std::optional<std::u16string> SettingsPath(const SpeechSettings& settings) {
  if (settings.file) return settings.file;
  return GetUserSettingsPath(kSpeechSettingsFile);
}

std::optional<int> IntSetting(const SettingsList& list, std::u16string_view key) {
  const SettingEntry* entry = FindSetting(list, key);
  if (!entry) return std::nullopt;
  return GetSettingInt(*entry);
}

const std::u16string* TextSetting(const SettingsList& list, std::u16string_view key) {
  const SettingEntry* entry = FindSetting(list, key);
  return entry ? &entry->value : nullptr;
}

// The stored voices go into the engine, in the engine's own order; the
// per-utterance settings follow the main voice's.
void ApplyVoices(const SettingsList& list, SpeechEngine& engine) {
  if (const std::u16string* mode = TextSetting(list, u"SpeechMode")) {
    engine.SetSpeechMode(*mode);
    if (!mode->empty()) engine.SelectVoice(*mode);
  }
  if (std::optional<int> speed = IntSetting(list, u"SpeechSpeed")) {
    engine.SetSpeechSpeed(*speed);
    engine.SetRate(*speed);
  }
  const int volume = IntSetting(list, u"SpeechVolume").value_or(kDefaultVolume);
  engine.SetSpeechVolume(volume);
  engine.SetVolume(volume);
  if (std::optional<int> use = IntSetting(list, u"UseEngSpeech")) engine.SetUseEngSpeech(*use);
  if (const std::u16string* mode = TextSetting(list, u"EngSpeechMode")) engine.SetEngSpeechMode(*mode);
  if (std::optional<int> speed = IntSetting(list, u"EngSpeechSpeed")) engine.SetEngSpeechSpeed(*speed);
  engine.SetEngSpeechVolume(IntSetting(list, u"EngSpeechVolume").value_or(kDefaultVolume));
  // An output the program does not know keeps the engine's voice.
  if (const std::u16string* output = TextSetting(list, kSpeechOutputKey))
    engine.SetSpeechOutput(*output == kSpeechOutputScreenReader ? SpeechOutput::kScreenReader : SpeechOutput::kVoice);
}

}  // namespace

bool LoadSpeechSettings(SpeechSettings& settings) {
  const std::optional<std::u16string> path = SettingsPath(settings);
  if (!path) return false;
  SettingsList list;
  if (!LoadSettingsFileAt(*path, list)) return false;
  if (settings.engine) ApplyVoices(list, *settings.engine);
  for (size_t i = 0; i < kSpeechSceneCount; ++i) settings.scenes[i] = IntSetting(list, kSpeechSceneKeys[i]).value_or(0);
  return true;
}

bool SaveSpeechSettings(const SpeechSettings& settings) {
  const std::optional<std::u16string> path = SettingsPath(settings);
  if (!path) return false;
  SettingsList list;
  LoadSettingsFileAt(*path, list);
  SpeechEngine* engine = settings.engine;
  if (engine) {
    if (std::optional<std::u16string> mode = engine->GetSpeechMode()) SetSettingString(list, u"SpeechMode", *mode);
    SetSettingInt(list, u"SpeechSpeed", engine->GetSpeechSpeed());
    SetSettingInt(list, u"SpeechVolume", engine->GetSpeechVolume());
    SetSettingInt(list, u"UseEngSpeech", engine->GetUseEngSpeech());
    if (std::optional<std::u16string> mode = engine->GetEngSpeechMode()) SetSettingString(list, u"EngSpeechMode", *mode);
    SetSettingInt(list, u"EngSpeechSpeed", engine->GetEngSpeechSpeed());
    SetSettingInt(list, u"EngSpeechVolume", engine->GetEngSpeechVolume());
  }
  for (size_t i = 0; i < kSpeechSceneCount; ++i) SetSettingInt(list, kSpeechSceneKeys[i], settings.scenes[i]);
  if (engine)
    SetSettingString(list, kSpeechOutputKey,
                     engine->GetSpeechOutput() == SpeechOutput::kScreenReader ? kSpeechOutputScreenReader
                                                                              : kSpeechOutputVoice);
  return SaveSettingsFileAt(list, *path);
}

}  // namespace mirelon
