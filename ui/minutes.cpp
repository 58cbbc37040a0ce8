#include "ui/minutes.h"

#include "settings/text_file.h"
#include "talk/records.h"
#include "ui/talk_pane.h"
#include "ui/talk_window_title.h"

namespace mirelon {

std::u16string MinutesText(const TalkPane& pane) {
  // The pane's line breaks, whichever they are, as CR LF.
  const std::u16string shown = NormalizeLineBreaks(pane.Text(0, pane.TextLength()));
  std::u16string text;
  text.reserve(shown.size() + shown.size() / 8);
  for (char16_t c : shown) {
    if (c == u'\r')
      text += u"\r\n";
    else
      text += c;
  }
  return text;
}

std::u16string MinutesFileName(std::u16string_view talkPath) { return TalkName(talkPath) + u".txt"; }

bool SaveMinutes(const TalkPane& pane, const std::u16string& path) {
  return WriteUtf8TextFile(MinutesText(pane), path);
}

}  // namespace mirelon
