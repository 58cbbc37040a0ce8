#include "talk/open_talk.h"

#include "talk/talk_context.h"
#include "talk/records.h"
#include "talk/talk_file.h"

namespace mirelon {
namespace {

// A path without any "." as long as this is refused rather than given an
// extension.
constexpr size_t kLongestBareName = 250;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// The file-name part of a path, without a stream suffix (from a colon that
// is not a drive letter's).
std::u16string_view FileNamePart(std::u16string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i)
    if (IsSeparator(path[i])) start = i + 1;
  std::u16string_view name = path.substr(start);
  for (size_t i = 0; i < name.size(); ++i)
    if (name[i] == u':' && start + i != 1) return name.substr(0, i);
  return name;
}

std::u16string Fill(std::u16string_view before, std::u16string_view value, std::u16string_view after = {}) {
  return std::u16string(before) + std::u16string(value) + std::u16string(after);
}

void SetMode(TalkContext& c, TalkMode mode) {
  c.meeting = mode == TalkMode::kMeeting;
  c.share = mode == TalkMode::kShare;
}

}  // namespace

std::u16string WrongExtensionMessage(std::u16string_view extension) {
  return Fill(u"この拡張子 ", extension, u" のファイルはMirelonで利用できません。");
}
std::u16string NotFoundMessage(std::u16string_view path) {
  return Fill(u"ファイル ", path, u" が見つかりません。\r\nこの名前で新規トークを作成しますか？");
}
std::u16string NoOwnerMessage(std::u16string_view path) {
  return Fill(u"このファイルのオーナー情報を取得できませんでした。\r\n"
              u"このファイルは別のプログラムで作成されたものの可能性があります。\r\n",
              path);
}
std::u16string CannotOpenMessage(std::u16string_view path) {
  return Fill(u"選択されたファイルを開けませんでした。", path);
}
std::u16string CannotCreateMessage(std::u16string_view path) {
  return Fill(u"指定されたファイルを作成できませんでした。\r\n"
              u"このドライブがNTFSのファイルシステムかどうかご確認ください。\r\n",
              path);
}

std::u16string NoUserNameMessage(std::u16string_view path) {
  return Fill(u"ログオン名を取得できなかったため、新しいトークを作成できませんでした。\r\n", path);
}

std::optional<int> FilterIndexOf(std::u16string_view path) {
  std::u16string_view name = FileNamePart(path);
  size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return std::nullopt;
  std::optional<TalkMode> mode = TalkModeFromExtension(name.substr(dot));
  if (!mode) return std::nullopt;
  return *mode == TalkMode::kMeeting ? 2 : *mode == TalkMode::kShare ? 3 : 1;
}

bool OpenTalk(TalkContext& c, const std::optional<std::u16string>& commandLinePath,
              OpenTalkPrompts& prompts, const RecentTalks& recent) {
  using Box = OpenTalkPrompts::Box;
  std::u16string working;
  int filter = 1;
  bool fromCommandLine = false;

  if (commandLinePath && c.store.Examine(*commandLinePath) == StreamStore::PathKind::kFile) {
    working = *commandLinePath;
    filter = FilterIndexOf(working).value_or(filter);
    fromCommandLine = true;
  } else if (std::optional<std::u16string> last = recent.FirstExisting()) {
    working = *last;
  }

  for (bool ask = !fromCommandLine;; ask = true) {
    if (ask) {
      filter = FilterIndexOf(working).value_or(filter);
      std::optional<OpenTalkPrompts::Choice> choice = prompts.ChooseFile(working, filter);
      if (!choice) return false;
      working = choice->path;
      filter = choice->filterIndex;
      fromCommandLine = false;
    }

    // The kind comes from the last "." of the whole path.
    size_t dot = working.rfind(u'.');
    if (dot != std::u16string::npos) {
      std::optional<TalkMode> mode = TalkModeFromExtension(std::u16string_view(working).substr(dot));
      if (!mode) {
        prompts.ShowMessage(WrongExtensionMessage(std::u16string_view(working).substr(dot)),
                            Box::kOkCancelInformation);
        continue;
      }
      SetMode(c, *mode);
    } else if (fromCommandLine) {
      // An existing file named without any extension is a plain talk when
      // it has an owner, and refused otherwise.
      if (!ReadStreamText(c.store, working, kOwnerStream)) {
        prompts.ShowMessage(NoOwnerMessage(working), Box::kOkCancelInformation);
        return false;
      }
      SetMode(c, TalkMode::kTalk);
    } else {
      if (working.size() >= kLongestBareName || filter < 1 || filter > 3) return false;
      const TalkMode mode = filter == 2 ? TalkMode::kMeeting : filter == 3 ? TalkMode::kShare : TalkMode::kTalk;
      working += ExtensionOfMode(mode);
      SetMode(c, mode);
    }

    recent.Push(working);
    c.talkPath = working;
    c.owner = false;

    if (c.store.Examine(working) != StreamStore::PathKind::kNothing) {
      std::optional<std::u16string> owner = ReadStreamText(c.store, working, kOwnerStream);
      if (!owner) {
        prompts.ShowMessage(NoOwnerMessage(working), Box::kOkCancelInformation);
        c.talkPath.clear();
        return false;
      }
      c.owner = *owner == c.userName;
      c.mainFile = c.store.Hold(working);
      if (!c.mainFile) {
        prompts.ShowMessage(CannotOpenMessage(working), Box::kOkCancelInformation);
        c.talkPath.clear();
        return false;
      }
    } else {
      if (prompts.ShowMessage(NotFoundMessage(working), Box::kYesNoCancelQuestion) !=
          OpenTalkPrompts::Answer::kYes) {
        c.talkPath.clear();
        continue;
      }
      // "Owner" names the creator, who is known by it on every later
      // opening; an empty one would read as missing, and the talk would be
      // refused to everybody, its creator included.
      if (c.userName.empty()) {
        prompts.ShowMessage(NoUserNameMessage(working), Box::kOkCancelInformation);
        c.talkPath.clear();
        return false;
      }
      // Writing "Owner" creates the talk; where streams are sibling files
      // the talk file itself is made next.
      if (WriteNewStream(c.store, c.userName, working, kOwnerStream) ==
          StreamStore::CreateResult::kCreated) {
        c.owner = true;
        c.store.EnsureFile(working);
      }
      c.mainFile = c.store.Hold(working);
      if (!c.mainFile) {
        prompts.ShowMessage(CannotCreateMessage(working), Box::kOkCancelInformation);
        c.talkPath.clear();
        return false;
      }
    }
    break;
  }

  const bool startDialog = c.meeting || (c.share && c.owner);
  if (startDialog &&
      !prompts.RunStartDialog(c.owner, c.talkPath, std::u16string(c.meeting ? kMeetingWelcome : kShareWelcome))) {
    c.mainFile.reset();
    c.talkPath.clear();
    return false;
  }
  return true;
}

}  // namespace mirelon
