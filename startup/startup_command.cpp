#include "startup/startup_command.h"

#include <algorithm>

#include "app/command_line.h"

namespace mirelon {

std::u16string BuildStartupCommand(std::u16string_view programPath, std::u16string_view talkPath,
                                   const std::vector<std::u16string>& descriptions) {
  std::u16string text;
  text += u"\"" + std::u16string(programPath) + u"\" ";
  text += u"\"" + std::u16string(talkPath) + u"\" ";
  for (const auto& description : descriptions) {
    std::u16string d;
    d.reserve(description.size());
    for (char16_t c : description)
      if (c != u'"') d.push_back(c);
    if (std::any_of(d.begin(), d.end(), IsCommandLineSeparator))
      text += u"\"/t{" + d + u"}\" ";
    else
      text += u"/t{" + d + u"} ";
  }
  return text;
}

}  // namespace mirelon
