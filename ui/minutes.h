// The talk kept as a text document (the minutes of a meeting): everything
// the incoming pane shows, as it shows it, in a file that any text editor
// or a note-taker's file reader opens. The talk window's save command and
// the runner's --save write it alike.
#pragma once

#include <string>
#include <string_view>

namespace mirelon {

class TalkPane;

// The pane's whole text with every line ended by CR LF (the pane ends its
// lines with CR).
std::u16string MinutesText(const TalkPane& pane);

// The name offered for the minutes of a talk: the talk's name with ".txt".
std::u16string MinutesFileName(std::u16string_view talkPath);

// Writes MinutesText to `path` as UTF-8 with a byte order mark. The file
// is replaced only once the new text is completely written: a failure
// leaves whatever was there before. False when it could not be written.
bool SaveMinutes(const TalkPane& pane, const std::u16string& path);

}  // namespace mirelon
