// Caret and line reading in an edit control: as the caret moves or text is
// typed or removed, the character, word or line concerned is spoken under
// the scenes; Ctrl+, Ctrl+Shift+, and Ctrl+. read the line on demand.
//
// The hook sees the control through EditView and is told of its key and
// character messages, before and after the control handles them; the
// Windows subclass procedure (reading_hook_win32) does the telling.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "speech/speech_settings.h"

namespace mirelon {

// The edit control as the reading needs it. Positions count UTF-16 units;
// lines are the control's own (wrapped lines count as lines).
class EditView {
 public:
  virtual ~EditView() = default;
  // Where the caret stands.
  virtual int CaretPosition() = 0;
  // The selection, start <= end.
  virtual void Selection(int& start, int& end) = 0;
  virtual int TextLength() = 0;
  virtual int LineCount() = 0;
  virtual int LineFromPosition(int position) = 0;
  // Start of a line; -1 when there is no such line.
  virtual int LineStart(int line) = 0;
  virtual std::u16string TextRange(int start, int end) = 0;
  // An empty selection at `position`, scrolled into view, without the hook
  // reacting to it.
  virtual void SetCaretQuietly(int position) = 0;
};

// The incoming pane reads words passed over with Ctrl+Left/Right whatever
// the scenes say; an input control only under the scene of line moves.
enum class ReadingKind { kViewer, kInput };

// The keys the hook reacts to.
enum class ReadingKey { kBack, kDelete, kComma, kPeriod, kUp, kDown, kHome, kEnd, kLeft, kRight, kOther };

class ReadingHook {
 public:
  ReadingHook(ReadingKind kind, EditView& view, SpeechSettings& settings, std::function<void()> brailleSpaceSound);

  // Before the control takes a key down: keeps the caret, silences the
  // speech in progress, prepares a removed character, and runs the line
  // commands.
  void BeforeKeyDown(ReadingKey key, bool ctrl, bool shift);
  // Before the control takes a character.
  void BeforeChar(char16_t code);
  // After the control took a key up: reads what the key moved to or removed.
  void AfterKeyUp(ReadingKey key, bool ctrl);
  // After the control took a character: reads the character typed.
  void AfterChar(char16_t code);

  struct Line {
    std::u16string text;  // with the line's CR, when it has one
    int offset = 0;       // of the position within the line
    int start = 0;        // of the line
  };
  // The line that holds `position`, from its start or, with `fromPosition`,
  // from the position on.
  Line GetLineText(int position, bool fromPosition);

  void SpeakCharAtCaret();
  void SpeakCharBeforeCaret();
  // After a line move: the line from the caret, or where the caret stands
  // at a line's end.
  void SpeakLineAtCaret();
  // Ctrl+. (from the caret) and Ctrl+Shift+, (the whole line), whatever the
  // scenes say.
  void SpeakLineCommand(bool fromCaret);
  // Ctrl+,: where in its line the caret stands.
  void SpeakLineStart();
  // Ctrl+Left and Ctrl+Right: the text passed over.
  void SpeakRange(int start, int end);
  // A jump's destination: the whole line at the caret (or, with
  // `fromCaret`, the rest of it), under the scene of jumps; a line of
  // braille is read as kana when its scene is on.
  void SpeakJumpLine(bool fromCaret = false);
  void SetCaret(int position) { view_.SetCaretQuietly(position); }

 private:
  void PrepareRemoved(ReadingKey key);
  void SpeakRemoved();
  // The character at `index` of `line`, a surrogate pair whole.
  static std::u16string_view CharacterAt(std::u16string_view line, size_t index);
  static std::u16string_view CharacterBefore(std::u16string_view line, size_t index);

  const ReadingKind kind_;
  EditView& view_;
  SpeechSettings& settings_;
  const std::function<void()> brailleSpaceSound_;
  int savedCaret_ = 0;
  int savedLength_ = 0;
  // The line of the character about to be removed, and its place there.
  std::optional<std::u16string> removedLine_;
  int removedOffset_ = 0;
};

}  // namespace mirelon
