#include "ui/display_text.h"

#include "braille/kana_braille.h"

namespace mirelon {

std::u16string BrailleAsKanaForDisplay(std::u16string_view text) {
  const std::u16string zeroEnded(text);
  PvnStringPtr kana = PVN_UBrlToKana(zeroEnded.c_str(), kKanaForScreen | kBrlNumbers | kBrlLatin);
  return ChooseDisplayedText(text, kana.get());
}

std::u16string ChooseDisplayedText(std::u16string_view original, const PvnString* converted) {
  if (!converted || (converted->text.empty() && !original.empty())) return std::u16string(original);
  return converted->text;
}

}  // namespace mirelon
