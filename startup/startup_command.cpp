#include "startup/startup_command.h"

#include <algorithm>

#include "app/command_line.h"

namespace mirelon {

namespace {

bool IsBatchOperator(char16_t c) { return c == u'&' || c == u'|' || c == u'<' || c == u'>' || c == u'^'; }

std::u16string BuildCommand(std::u16string_view programPath, std::u16string_view talkPath,
                            const std::vector<std::u16string>& descriptions, bool batch) {
  std::u16string text;
  text += u"\"" + std::u16string(programPath) + u"\" ";
  text += u"\"" + std::u16string(talkPath) + u"\" ";
  for (const auto& description : descriptions) {
    std::u16string d;
    d.reserve(description.size());
    for (char16_t c : description)
      if (c != u'"') d.push_back(c);
    const bool quote = std::any_of(d.begin(), d.end(), [batch](char16_t c) {
      return IsCommandLineSeparator(c) || (batch && IsBatchOperator(c));
    });
    if (quote)
      text += u"\"/t{" + d + u"}\" ";
    else
      text += u"/t{" + d + u"} ";
  }
  return text;
}

}  // namespace

std::u16string BuildStartupCommand(std::u16string_view programPath, std::u16string_view talkPath,
                                   const std::vector<std::u16string>& descriptions) {
  return BuildCommand(programPath, talkPath, descriptions, false);
}

std::optional<std::u16string> BuildBatchCommand(std::u16string_view programPath, std::u16string_view talkPath,
                                                const std::vector<std::u16string>& descriptions) {
  const std::u16string command = BuildCommand(programPath, talkPath, descriptions, true);
  std::u16string line;
  line.reserve(command.size());
  for (char16_t c : command) {
    if (c == u'\r' || c == u'\n') return std::nullopt;
    line.push_back(c);
    if (c == u'%') line.push_back(c);
  }
  return line;
}

}  // namespace mirelon
