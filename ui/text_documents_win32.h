// The talk window's two text documents: the talk saved as text (its
// system menu) and the read-me beside the program (F1).
#pragma once

#include <windows.h>

#include <string>

namespace mirelon {

class SoundPlayer;
struct SpeechSettings;
class TalkPane;

// The read-me shipped beside the program.
inline constexpr char16_t kReadmeFileName[] = u"はじめにお読みください.txt";

// Asks for a file name in the save dialog (the talk's name with ".txt", in
// the user's documents folder) and writes the minutes of `pane` there.
// Saved: the confirmation tone and "保存しました" spoken; not saved: a
// message box naming the file. False when cancelled or not saved.
bool SaveTalkAsText(HWND owner, const std::u16string& talkPath, const TalkPane& pane, SoundPlayer& sounds,
                    SpeechSettings& speech);

// Opens the read-me `path` with the system's viewer of text files; a
// message box tells where it should be when it is not there.
void OpenReadme(HWND owner, const std::u16string& path);

}  // namespace mirelon
