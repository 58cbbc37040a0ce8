// The command text that a start-up file runs: the program, the talk and one
// "/t{...}" argument per connected terminal, read back by the command-line
// parser of app/command_line.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mirelon {

// "\"program\" \"talk\" " followed by "/t{description} " for each
// description, in order; every piece ends with one space. A description
// holding a space, TAB, CR or LF is written as "\"/t{description}\" " so
// that it is read back whole. Double quotes inside a description are left
// out: the parser removes them anyway, and one left in would switch quoting
// on and swallow the arguments after it.
std::u16string BuildStartupCommand(std::u16string_view programPath, std::u16string_view talkPath,
                                   const std::vector<std::u16string>& descriptions);

}  // namespace mirelon
