// The program's command line: a talk path and connection descriptions.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirelon {

struct CommandLine {
  std::optional<std::u16string> talkPath;   // the last plain argument
  std::vector<std::u16string> connections;  // "/t{...}" descriptions, in order
};

// TAB, LF, CR and space separate the tokens of a command line.
bool IsCommandLineSeparator(char16_t c);

// Splits a whole command line into tokens. Tokens are separated by runs of
// TAB, LF, CR and space. A double quote switches quoting on; while it is on,
// separators belong to the token, and the next double quote switches it off
// and ends the token (the quotes stay in the token).
std::vector<std::u16string> TokenizeCommandLine(std::u16string_view line);

// Examines one argument: its double quotes are removed, then "/T..." or
// "/t..." adds a connection description, any other "/..." is ignored and
// anything else becomes the talk path. An argument that is empty once its
// quotes are removed names nothing and is ignored.
void AddArgument(std::u16string_view token, CommandLine& out);

// A whole command line (Windows: GetCommandLineW); the first token, the
// program's own path, is skipped.
CommandLine ParseCommandLine(std::u16string_view line);

// Arguments already split by a POSIX system (argv without the program
// name). Every absolute path there begins with "/", so only an argument
// that begins with "/t{" or "/T{" names a terminal; every other argument,
// "/tmp/a.talk" included, is a talk path. Quotes are removed as above.
CommandLine ParseArguments(const std::vector<std::u16string>& args);

}  // namespace mirelon
