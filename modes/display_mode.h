// What a display-mode terminal does with its keys: browsing the talk line
// by line and page by page, jumping by message, bookmark, keyword and
// message number, and (when posting is allowed) writing messages and search
// keywords in the line editor.
//
// The terminal's display shows one talk line at a time through the view;
// the three edit fields draw into the same display. The state says which
// of them the keys go to: 0 viewing, 1 editing a message, 2 entering a
// message number, 3 editing a keyword. The display never follows new lines
// by itself: it changes only on the terminal user's keys.
//
// Everything here runs on the client's worker thread, one command at a
// time. Other threads may only call CurrentLine, State and GetEditLine.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "braille/braille_line_list.h"
#include "modes/display_buffer.h"
#include "modes/display_window.h"
#include "modes/edit_field.h"
#include "modes/key_event.h"

namespace mirelon {

// Which part of the display mode the terminal's keys go to.
enum class DisplayState : int { kViewing = 0, kEditing = 1, kNumberEntry = 2, kKeywordEditing = 3 };

// What the display mode needs from its terminal client besides drawing.
// While the terminal is not connected the client sends nothing; the state
// changes all the same.
class DisplayModeHost {
 public:
  virtual ~DisplayModeHost() = default;
  // Speaks `text` on the terminal (braille in it is read as kana).
  virtual void Announce(std::u16string_view text) = 0;
  // The terminals dialog should show this client's row again.
  virtual void NotifyChanged() = 0;
  // A finished message in Unicode braille, to be posted to the talk under
  // the terminal user's name.
  virtual void PostTypedText(std::u16string text) = 0;
};

// The cells being edited on the terminal, for the terminals dialog: the
// whole field text (prefix included) and the part of it on the display.
struct EditLine {
  std::vector<uint8_t> cells;
  int start = 0;
  int end = 0;
};

class DisplayMode {
 public:
  static constexpr size_t kMaxBookmarks = 1024;

  // Modifier bits of the command keys.
  static constexpr uint8_t kModifierTop = 0x04;
  static constexpr uint8_t kModifierBackward = 0x10;

  // The current line starts at the newest line of `lines` (the sentinel
  // when the list is empty). The fields are set up and drawn (nothing goes
  // out before the terminal is connected).
  DisplayMode(const BrailleLineList& lines, DisplayBuffer& display, DisplayOutput& output,
              DisplayModeHost& host, bool postingAllowed);
  DisplayMode(const DisplayMode&) = delete;
  DisplayMode& operator=(const DisplayMode&) = delete;

  // A key event of the terminal (key frame), dispatched by state.
  void HandleKey(const KeyEvent& key);
  // A command key: `pressed` from payload byte 0, `letter` from byte 1.
  // False when the key means nothing in the current state.
  bool HandleCommandKey(bool pressed, uint8_t letter);
  void SetModifiers(uint8_t bits);
  void ClearModifiers(uint8_t bits);
  // A new connection: no modifiers held, and the current line shown from
  // its start whatever the state.
  void OnConnected();

  // For any thread.
  const BrailleLine* CurrentLine() const { return current_.load(std::memory_order_acquire); }
  DisplayState State() const { return state_.load(std::memory_order_acquire); }
  // In an edit state, the field's text and its part on the display; none
  // while viewing. A consistent copy, whatever the worker is doing.
  std::optional<EditLine> GetEditLine() const;

  // For the worker thread and tests.
  bool PostingAllowed() const { return postingAllowed_; }
  uint8_t ModifierState() const { return modifiers_; }
  const std::vector<uint32_t>& Bookmarks() const { return bookmarks_; }
  const std::optional<std::vector<uint8_t>>& Keyword() const { return keyword_; }
  const DisplayWindow& View() const { return view_; }
  const EditField& MessageField() const { return edit_; }
  const EditField& NumberField() const { return number_; }
  const EditField& KeywordField() const { return keywordField_; }

 private:
  enum class Search { kBackward, kForward, kFromTop };

  // Key tables per state.
  void ViewingKey(const KeyEvent& key);
  void EditingKey(const KeyEvent& key);
  void NumberKey(const KeyEvent& key);
  void KeywordKey(const KeyEvent& key);

  // Moves: each shows the found line and returns true, or sends the error
  // signal and returns false.
  bool MoveTo(const BrailleLine* target);
  bool PreviousLine();
  bool NextLine();
  bool PreviousMessage();
  bool NextMessage();
  bool LatestMessage();
  bool MessageNumber(uint32_t n);
  bool PreviousBookmark();
  bool NextBookmark();
  bool RunSearch(Search direction);
  void PanBackward();
  void PanForward();
  void ToggleBookmark();

  // State changes.
  void StartEditing();
  void Post();
  void CancelEditing();
  void StartNumberEntry();
  void Jump();
  void CancelNumberEntry();
  void StartKeywordEditing();
  void FinishKeyword(Search direction);
  void CancelKeywordEditing();
  // Leaves an edit state for a move; when the move does not show a line,
  // the display still shows the field, so the current line is drawn again.
  template <class Move>
  void LeaveAndMove(Move move);

  // Shows `line` from its start: the current line, view reset and drawn,
  // the dialog told and the line's text announced.
  void ShowLine(const BrailleLine* line);
  // View reset to the current line and drawn, without announcing it.
  void RedrawCurrentLine();
  void ResetViewTo(const BrailleLine* line);
  void SetState(DisplayState state) { state_.store(state, std::memory_order_release); }
  void SetCurrent(const BrailleLine* line) { current_.store(line, std::memory_order_release); }
  void Notify() { host_->NotifyChanged(); }
  // Refreshes the copy that GetEditLine hands out.
  void PublishEditLine();
  EditField* FieldOfState();

  const BrailleLine* Older(const BrailleLine* line) const;
  const BrailleLine* Newer(const BrailleLine* line) const;
  const BrailleLine* Sentinel() const { return &lines_->Sentinel(); }

  const BrailleLineList* lines_;
  DisplayOutput* output_;
  DisplayModeHost* host_;
  DisplayWindow view_;
  std::vector<uint32_t> bookmarks_;  // serials, in the order they were set
  std::atomic<DisplayState> state_{DisplayState::kViewing};
  EditField edit_;
  EditField number_;
  EditField keywordField_;
  const bool postingAllowed_;
  uint8_t modifiers_ = 0;
  std::optional<std::vector<uint8_t>> keyword_;
  std::atomic<const BrailleLine*> current_;

  mutable std::mutex editLineLock_;
  std::optional<EditLine> editLine_;
};

}  // namespace mirelon
