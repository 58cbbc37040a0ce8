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

std::u16string_view FileNameOf(std::u16string_view path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::u16string TalkWindowTitle(std::u16string_view talkPath) {
  std::u16string_view name = FileNameOf(talkPath);
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
  }
  std::u16string title(mode);
  title += u" - ";
  title += TalkName(talkPath);
  return title;
}

std::u16string TalkName(std::u16string_view talkPath) {
  std::u16string_view name = FileNameOf(talkPath);
  return std::u16string(name.substr(0, name.rfind(u'.')));
}

}  // namespace mirelon
