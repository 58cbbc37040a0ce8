#include "speech/reading.h"

#include <algorithm>
#include <vector>

#include "braille/cells.h"
#include "braille/kana_braille.h"

namespace mirelon {

namespace {

// What braille becomes for speech: numbers and Latin letters read, a blank
// cell as a space.
constexpr uint32_t kSpeechConversion = kKanaForSpeech | kBrlNumbers | kBrlLatin;

bool IsLatinText(std::u16string_view text) {
  bool letter = false;
  for (char16_t c : text) {
    if (c >= 0x100) return false;
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) letter = true;
  }
  return letter;
}

bool Deliver(SpeechSettings& settings, std::u16string_view text, Urgency urgency, bool english) {
  SpeechEngine* engine = settings.engine;
  if (!engine) return false;
  if (engine->GetSpeechOutput() == SpeechOutput::kScreenReader && settings.screenReader &&
      settings.screenReader->Notify(text, urgency))
    return true;
  if (english)
    SpeakWithEnglishVoice(*engine, text);
  else
    SpeakWithMainVoice(*engine, text);
  return true;
}

struct CharacterClass {
  char16_t first, last;
  int code;
  std::u16string_view prefix;
};

// Tested in this order; anything else is class 0, without a prefix.
constexpr CharacterClass kClasses[] = {
    {0xFF10, 0xFF19, 0x101, u"全角 "},      // fullwidth digits
    {0xFF41, 0xFF5A, 0x102, u"全角 "},      // fullwidth small letters
    {0xFF21, 0xFF3A, 0x104, u"全角大文字 "},  // fullwidth capital letters
    {0x3041, 0x3093, 0x110, u"ひらがな "},
    {0x30A1, 0x30F6, 0x108, u"カタカナ "},
    {0xFF66, 0xFF9D, 8, u"半角 "},          // halfwidth katakana
};

bool SpeakCharacter(SpeechSettings& settings, std::u16string_view character, SpeechScene ascii,
                    SpeechScene unicode, int& memory, Urgency urgency) {
  if (!settings.engine || character.empty()) return false;
  const char16_t code = character[0];
  if (!settings.On(code < 0x100 ? ascii : unicode)) {
    // A character left unspoken ends both runs of a class.
    settings.movedClass = 0;
    settings.typedClass = 0;
    return false;
  }
  if (character.size() == 1) {
    if (std::optional<std::u16string_view> reading = settings.dictionary.Reading(code))
      return SpeakMainVoice(settings, *reading, urgency);
  }
  return SpeakMainVoice(settings, DescribeCharacter(memory, character), urgency);
}

}  // namespace

bool HoldsBraille(std::u16string_view text) { return std::any_of(text.begin(), text.end(), IsUnicodeBraille); }

bool SpeakText(SpeechSettings& settings, std::u16string_view text, Urgency urgency) {
  if (!settings.engine) return false;
  return Deliver(settings, text, urgency, settings.engine->GetUseEngSpeech() != 0 && IsLatinText(text));
}

bool SpeakMainVoice(SpeechSettings& settings, std::u16string_view text, Urgency urgency) {
  return Deliver(settings, text, urgency, false);
}

bool SpeakIfMoveLine(SpeechSettings& settings, std::u16string_view text) {
  return settings.On(SpeechScene::kMoveLine) && SpeakText(settings, text);
}

bool SpeakBrailleAsKana(SpeechSettings& settings, std::u16string_view text, Urgency urgency) {
  if (!settings.engine) return false;
  const std::u16string terminated(text);
  PvnStringPtr kana = PVN_UBrlToKana(terminated.c_str(), kSpeechConversion);
  if (!kana) return false;
  return SpeakMainVoice(settings, kana->text, urgency);
}

std::optional<std::u16string> BrailleCellKana(std::u16string_view line, size_t index) {
  if (index >= line.size() || !IsUnicodeBraille(line[index])) return std::nullopt;
  // The line's cells alone, and where the one asked for stands among them.
  std::vector<uint8_t> cells;
  size_t cell = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (!IsUnicodeBraille(line[i])) continue;
    if (i < index) ++cell;
    cells.push_back(UnicodeToLibraryCell(line[i]));
  }
  cells.push_back(0);
  PvnRecordPtr record = PVN_BrlToKana(cells.data(), kSpeechConversion);
  if (!record || record->cells < 0) return std::nullopt;
  const size_t n = static_cast<size_t>(record->cells);
  if (record->positions.size() <= n) return std::nullopt;
  const size_t start = record->positions[std::min(cell, n)];
  const size_t end = std::min<size_t>(record->positions[std::min(cell + 1, n)], record->kana.size());
  if (start >= end) return std::nullopt;
  return record->kana.substr(start, end - start);
}

bool SpeakBrailleCell(SpeechSettings& settings, std::u16string_view line, size_t index, Urgency urgency) {
  if (!settings.engine) return false;
  std::optional<std::u16string> kana = BrailleCellKana(line, index);
  return kana && SpeakMainVoice(settings, *kana, urgency);
}

std::u16string DescribeCharacter(int& memory, std::u16string_view character) {
  const char16_t code = character.empty() ? 0 : character[0];
  for (const CharacterClass& c : kClasses) {
    if (code < c.first || code > c.last) continue;
    if (c.code == memory) return std::u16string(character);
    memory = c.code;
    return std::u16string(c.prefix) + std::u16string(character);
  }
  memory = 0;
  return std::u16string(character);
}

bool SpeakTypedChar(SpeechSettings& settings, std::u16string_view character) {
  return SpeakCharacter(settings, character, SpeechScene::kInputChar_Ascii, SpeechScene::kInputChar_Unicode,
                        settings.typedClass, Urgency::kAll);
}

bool SpeakMovedChar(SpeechSettings& settings, std::u16string_view character) {
  return SpeakCharacter(settings, character, SpeechScene::kMoveChar_Ascii, SpeechScene::kMoveChar_Unicode,
                        settings.movedClass, Urgency::kMostRecent);
}

bool SpeakInputModeText(SpeechSettings& settings, std::optional<std::u16string_view> text) {
  return settings.engine && settings.On(SpeechScene::kInputMode) && text && SpeakMainVoice(settings, *text);
}

}  // namespace mirelon
