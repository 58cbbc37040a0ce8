#include "ui/talk_window_title.h"

namespace mirelon {

namespace {

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace

std::u16string TalkWindowTitle(std::u16string_view talkPath) {
  size_t slash = talkPath.find_last_of(u"\\/");
  std::u16string_view name = slash == std::u16string_view::npos ? talkPath : talkPath.substr(slash + 1);
  std::u16string_view mode = u"ミレロン";
  size_t dot = name.rfind(u'.');
  if (dot != std::u16string_view::npos) {
    std::u16string_view extension = name.substr(dot);
    if (EqualsIgnoringCase(extension, u".talk"))
      mode = u"トークモード";
    else if (EqualsIgnoringCase(extension, u".meeting"))
      mode = u"ミーティング";
    else if (EqualsIgnoringCase(extension, u".share"))
      mode = u"シェアモード";
    name = name.substr(0, dot);
  }
  std::u16string title(mode);
  title += u" - ";
  title += name;
  return title;
}

}  // namespace mirelon
