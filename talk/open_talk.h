// Choosing, creating and opening the talk of a run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "talk/recent_talks.h"

namespace mirelon {

class TalkContext;

// The questions OpenTalk asks the user. The Windows talk window answers
// with the open dialog, message boxes and the meeting start dialog; the
// headless runner and the tests answer from their own settings.
class OpenTalkPrompts {
 public:
  virtual ~OpenTalkPrompts() = default;

  // Open-dialog filter indexes: 1 ".talk", 2 ".meeting", 3 ".share", 4 all files.
  struct Choice {
    std::u16string path;
    int filterIndex = 1;
  };
  // The open dialog, titled "トークファイルの選択", on `initial`. None:
  // cancelled.
  virtual std::optional<Choice> ChooseFile(const std::u16string& initial, int filterIndex) = 0;

  enum class Box { kOkCancelInformation, kYesNoCancelQuestion };
  enum class Answer { kOk, kCancel, kYes, kNo };
  // A message box captioned "OrinMirelon".
  virtual Answer ShowMessage(const std::u16string& text, Box style) = 0;

  // The start dialog of a meeting (and of a share talk for its owner) on
  // the talk's description or, without one, `welcome`. True: confirmed
  // with OK (the owner's text is then stored as the description).
  virtual bool RunStartDialog(bool owner, const std::u16string& talkPath,
                              const std::u16string& welcome) = 0;
};

// The message texts and welcome texts of opening a talk.
std::u16string WrongExtensionMessage(std::u16string_view extension);
std::u16string NotFoundMessage(std::u16string_view path);
std::u16string NoOwnerMessage(std::u16string_view path);
std::u16string CannotOpenMessage(std::u16string_view path);
std::u16string CannotCreateMessage(std::u16string_view path);
std::u16string NoUserNameMessage(std::u16string_view path);
inline constexpr std::u16string_view kMeetingWelcome = u"ミレロン・ミーティングへようこそ。\r";
inline constexpr std::u16string_view kShareWelcome =
    u"シェアセッションです。\r発言の一行目には実際の発言者のお名前を入力してください。\r";

// The filter index for a file name's extension: 2 ".meeting", 3 ".share",
// 1 ".talk"; none for anything else.
std::optional<int> FilterIndexOf(std::u16string_view path);

// Decides the talk of this run from `commandLinePath` (may be none), the
// recent list and the user's answers; creates it when the user agrees;
// checks that an existing file is a talk; holds the talk file; runs the
// start dialog. True: the context's talk path, mode flags, owner flag and
// held file are set. False: nothing is left open.
bool OpenTalk(TalkContext& context, const std::optional<std::u16string>& commandLinePath,
              OpenTalkPrompts& prompts, const RecentTalks& recent);

}  // namespace mirelon
