#include "ui/minutes.h"

#include "settings/text_file.h"
#include "ui/talk_pane.h"
#include "ui/talk_window_title.h"

namespace mirelon {

std::u16string MinutesText(const TalkPane& pane) {
  const std::u16string shown = pane.Text(0, pane.TextLength());
  std::u16string text;
  text.reserve(shown.size() + shown.size() / 8);
  for (size_t i = 0; i < shown.size(); ++i) {
    const char16_t c = shown[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < shown.size() && shown[i + 1] == u'\n') ++i;
      text += u"\r\n";
    } else {
      text += c;
    }
  }
  return text;
}

std::u16string MinutesFileName(std::u16string_view talkPath) { return TalkName(talkPath) + u".txt"; }

bool SaveMinutes(const TalkPane& pane, const std::u16string& path) {
  return WriteUtf8TextFile(MinutesText(pane), path);
}

}  // namespace mirelon
