#include "talk/talk_session.h"

#include "talk/talk_context.h"
#include "talk/talk_file.h"

namespace mirelon {

TalkSession::SendResult TalkSession::Send(std::u16string_view text, const LocalTime& now) {
  if (!context_.IsOpen() || text.empty()) return SendResult::kNothing;
  // The PC user is in the meeting before saying anything there.
  if (presence_ == Presence::kEntering) Enter();
  std::u16string body = NormalizeLineBreaks(text);
  std::u16string name;
  if (context_.share) {
    // The first line names the actual speaker; without a line break the
    // whole text is the body and the record has no name.
    if (size_t cr = body.find(u'\r'); cr != std::u16string::npos) {
      name = body.substr(0, cr);
      body.erase(0, cr + 1);
    }
  } else {
    name = context_.userName;
  }
  return AppendRecord(context_, BuildTalkRecord(name, now, body)) ? SendResult::kStored
                                                                   : SendResult::kFailed;
}

bool TalkSession::PostText(std::u16string_view record) { return AppendRecord(context_, record); }

bool TalkSession::TerminalUser(std::u16string_view name, bool left) {
  if (!context_.meeting) return false;
  return AppendRecord(context_, left ? BuildOutRecord(name) : BuildInRecord(name));
}

bool TalkSession::ScanDone() {
  if (!context_.meeting || presence_ != Presence::kOutside) return true;
  presence_ = Presence::kEntering;
  return Enter();
}

bool TalkSession::Enter() {
  if (!AppendRecord(context_, BuildInRecord(context_.userName))) return false;
  presence_ = Presence::kEntered;
  return true;
}

bool TalkSession::Leave() {
  // Without a stored in record there is nothing to pair.
  if (!context_.meeting || presence_ != Presence::kEntered) return true;
  presence_ = Presence::kOutside;
  return AppendRecord(context_, BuildOutRecord(context_.userName));
}

}  // namespace mirelon
