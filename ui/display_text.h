// What the incoming pane shows of a displayed text while braille input is
// off: braille patterns read as kana, everything else as it is.
#pragma once

#include <string>
#include <string_view>

namespace mirelon {

struct PvnString;

std::u16string BrailleAsKanaForDisplay(std::u16string_view text);

// The converted text, or the original when the conversion gave nothing: a
// message is never dropped from the screen for want of a conversion.
std::u16string ChooseDisplayedText(std::u16string_view original, const PvnString* converted);

}  // namespace mirelon
