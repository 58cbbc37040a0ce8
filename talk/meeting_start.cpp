#include "talk/meeting_start.h"

#include "talk/records.h"
#include "talk/talk_file.h"

namespace mirelon {

MeetingStart PrepareMeetingStart(StreamStore& store, bool owner, const std::u16string& talkPath,
                                 std::u16string_view welcome) {
  MeetingStart start;
  start.owner = owner;
  start.talkPath = talkPath;
  start.description = ReadStreamText(store, talkPath, kDescriptionStream).value_or(std::u16string(welcome));
  start.prompt = owner ? kOwnerStartPrompt : kMemberStartPrompt;
  return start;
}

bool FinishMeetingStart(StreamStore& store, const MeetingStart& start, std::u16string_view text) {
  if (start.result != MeetingStart::Result::kOk) return false;
  if (start.owner) WriteDescriptionStream(store, NormalizeLineBreaks(text), start.talkPath);
  return true;
}

}  // namespace mirelon
