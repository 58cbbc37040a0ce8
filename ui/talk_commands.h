// The talk window's keyboard commands over the incoming pane: jumping to a
// message by number, keyword search, stepping between header lines,
// marking messages and stepping between marks. Each command answers with
// the confirmation or the refusal sound and, when the speech scenes ask
// for it, speaks the line it reached.
//
// Only messages already shown in the pane take part: a message the watcher
// has read but the window has not displayed yet has no place in the pane.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/feedback_sounds.h"
#include "ui/talk_pane.h"

namespace mirelon {

struct MessageNode;
class MessageList;
class TalkView;

// The longest search keyword, in UTF-16 units.
inline constexpr size_t kMaxKeywordLength = 64;

// What the commands need of the window around the pane.
class NavigationSurface {
 public:
  virtual ~NavigationSurface() = default;

  // Where the caret of the incoming pane stands.
  virtual int CaretPosition() = 0;
  // An empty selection at `position`, scrolled into view, without the
  // pane's reading announcing the move itself.
  virtual void MoveCaretQuietly(int position) = 0;
  virtual bool IncomingFocused() = 0;
  virtual void FocusIncoming() = 0;
  virtual void PlaySound(FeedbackSound sound) = 0;
  // Under the scene of jumps: the whole line at the caret, respectively the
  // text from the caret to the end of its line.
  virtual void SpeakJumpLine() = 0;
  virtual void SpeakJumpFromCaret() = 0;
  // An announcement in the main voice, whatever the scenes.
  virtual void Announce(std::u16string_view text) = 0;
  // The one-line dialogs: none when the user cancelled. The number is 0
  // when the field did not hold one.
  virtual std::optional<int> AskNumber(int current, int highest) = 0;
  virtual std::optional<std::u16string> AskKeyword(std::u16string_view current) = 0;
};

// Where a keyword search starts.
enum class SearchFrom { kCaretForward, kCaretBackward, kTop };

// Where `keyword` occurs in `text`, matched exactly (case-sensitive, a line
// break only by a line break): forward, the first match after `start`;
// backward, the last before it; from the top, the first of all. None for
// an empty keyword; there is no wrap-around.
std::optional<int> FindKeyword(std::u16string_view text, std::u16string_view keyword, SearchFrom from, int start);

// The shown messages: from the first to the last the window displayed.
class ShownMessages {
 public:
  explicit ShownMessages(const MessageList& list) : list_(list) {}

  // The last message, in list order, that starts at or before `position`;
  // null when there is none (inside the description at the top).
  MessageNode* At(int position) const;
  MessageNode* Find(uint32_t number) const;
  uint32_t Highest() const;
  // The last marked message that starts before `position`, and the first
  // that starts after it.
  MessageNode* PreviousMark(int position) const;
  MessageNode* NextMark(int position) const;

 private:
  const MessageList& list_;
};

class TalkCommands {
 public:
  TalkCommands(TalkPane& pane, const MessageList& messages, const TalkView& view, NavigationSurface& surface)
      : pane_(pane), shown_(messages), view_(view), surface_(surface) {}

  // Runs a command of the talk window's table; false when `command` is not
  // one of the navigation commands.
  bool Run(int command);

  void JumpToNumber();
  // Ctrl+F: asks for a keyword, then searches forward, else backward. The
  // other searches ask only while there is no keyword yet.
  void AskAndSearch();
  void Search(SearchFrom from);
  // As a command: the incoming pane takes the focus and the line reached is
  // spoken. Ctrl+Up and Ctrl+Down in the pane do neither.
  void MoveToHeader(bool forward, bool asCommand);
  void ToggleMark();
  void MoveToMark(bool forward);

  const std::u16string& Keyword() const { return keyword_; }

 private:
  bool AskForKeyword();
  void MovedTo(int position);

  TalkPane& pane_;
  const ShownMessages shown_;
  const TalkView& view_;
  NavigationSurface& surface_;
  // Kept for the whole run.
  std::u16string keyword_;
};

}  // namespace mirelon
