// Start-up files: a batch file or a shell shortcut that starts the program
// on the open talk with the terminals connected now. What is decided
// before and after the save dialog, without any window.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mirelon {

enum class StartupFileKind { kBatch, kShortcut, kOther };

// By the extension of the file name (".bat", ".lnk"), in any letter case.
StartupFileKind StartupFileKindOf(std::u16string_view fileName);

// The name the save dialog offers and its filter (1 batch, 2 shortcut,
// 3 all files): the last name chosen with the filter of its kind, or, the
// first time, "OrinMirelon.bat" in the desktop folder ("C:" when that is
// not known).
struct StartupFileProposal {
  std::u16string name;
  int filterIndex = 1;
};
StartupFileProposal ProposeStartupFile(std::u16string_view lastName, const std::optional<std::u16string>& desktop);

// The name chosen with the filter chosen: a name without an extension
// (and shorter than 256 characters) gets ".bat" with filter 1 and ".lnk"
// with filter 2; any other is kept.
std::u16string WithFilterExtension(std::u16string name, int filterIndex);

// How saving went, and the message that tells the user.
enum class StartupFileResult { kBatchSaved, kShortcutSaved, kFailed, kNotRepresentable };
std::u16string StartupFileMessage(StartupFileResult result, std::u16string_view fileName);

}  // namespace mirelon
