// The command text that a start-up file runs: the program, the talk and one
// "/t{...}" argument per connected terminal, read back by the command-line
// parser of app/command_line.h.
#pragma once

#include <optional>
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

// The same command as a line of a batch file, which cmd reads before the
// program does: every "%" is doubled (cmd would expand it), and a
// description holding one of & | < > ^ is quoted as well (cmd would take
// it for an operator; inside quotes it is plain text). None when some piece
// holds a CR or LF, which would end the batch line there.
std::optional<std::u16string> BuildBatchCommand(std::u16string_view programPath, std::u16string_view talkPath,
                                                const std::vector<std::u16string>& descriptions);

}  // namespace mirelon
