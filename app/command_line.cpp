#include "app/command_line.h"

namespace mirelon {

bool IsCommandLineSeparator(char16_t c) {
  return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}

std::vector<std::u16string> TokenizeCommandLine(std::u16string_view line) {
  std::vector<std::u16string> tokens;
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsCommandLineSeparator(line[i])) ++i;
    if (i >= line.size()) break;
    std::u16string token;
    bool quoting = false;
    while (i < line.size()) {
      char16_t c = line[i];
      if (c == u'"') {
        token.push_back(c);
        ++i;
        if (quoting) break;  // the closing quote ends the token
        quoting = true;
        continue;
      }
      if (!quoting && IsCommandLineSeparator(c)) break;
      token.push_back(c);
      ++i;
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

void AddArgument(std::u16string_view raw, CommandLine& out) {
  std::u16string token;
  token.reserve(raw.size());
  for (char16_t c : raw)
    if (c != u'"') token.push_back(c);
  if (token.empty()) return;
  if (token[0] == u'/') {
    if (token.size() >= 2 && (token[1] == u'T' || token[1] == u't')) {
      if (token.size() >= 3 && token[2] == u'{') {
        size_t close = token.rfind(u'}');
        size_t end = (close == std::u16string::npos || close < 3) ? token.size() : close;
        out.connections.push_back(token.substr(3, end - 3));
      } else {
        out.connections.push_back(token.substr(2));
      }
    }
    return;  // other options are ignored
  }
  out.talkPath = std::move(token);
}

CommandLine ParseCommandLine(std::u16string_view line) {
  CommandLine result;
  auto tokens = TokenizeCommandLine(line);
  for (size_t i = 1; i < tokens.size(); ++i) AddArgument(tokens[i], result);
  return result;
}

CommandLine ParseArguments(const std::vector<std::u16string>& args) {
  CommandLine result;
  for (const auto& a : args) {
    std::u16string token;
    for (char16_t c : a)
      if (c != u'"') token.push_back(c);
    if (token.empty()) continue;
    const bool terminal =
        token.size() >= 3 && token[0] == u'/' && (token[1] == u't' || token[1] == u'T') &&
        token[2] == u'{';
    if (terminal)
      AddArgument(token, result);
    else
      result.talkPath = std::move(token);
  }
  return result;
}

}  // namespace mirelon
