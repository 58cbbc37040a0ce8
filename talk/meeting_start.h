// The start dialog of a meeting (and of a share talk, for its owner): what
// it shows, and what its answer means for the run. The dialog itself is the
// front end's; the runner answers the same way without one.
#pragma once

#include <string>
#include <string_view>

#include "talk/stream_store.h"

namespace mirelon {

inline constexpr std::u16string_view kOwnerStartPrompt = u"このミーティングの説明を入力してください。";
inline constexpr std::u16string_view kMemberStartPrompt = u"［OK］ボタンを押すと、このミーティングに入室します。";

struct MeetingStart {
  bool owner = false;
  std::u16string talkPath;
  // Shown for editing: the talk's "Description", or the welcome text when
  // it has none.
  std::u16string description;
  // Above the description: the owner is asked to describe the meeting,
  // anyone else only to enter.
  std::u16string prompt;
  // Closing the dialog any other way than with OK or Cancel leaves kNone.
  enum class Result { kNone = 0, kOk = 1, kCancel = 2 } result = Result::kNone;
};

MeetingStart PrepareMeetingStart(StreamStore& store, bool owner, const std::u16string& talkPath,
                                 std::u16string_view welcome);

// The run goes on only after OK. OK by the owner stores `text` (its line
// breaks as single CRs) as the talk's description; a description that
// cannot be written is not reported, and the user enters all the same.
bool FinishMeetingStart(StreamStore& store, const MeetingStart& start, std::u16string_view text);

}  // namespace mirelon
