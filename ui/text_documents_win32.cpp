#include "ui/text_documents_win32.h"

#include <shellapi.h>
#include <shlobj.h>

#include "base/file_io.h"
#include "base/utf.h"
#include "speech/reading.h"
#include "ui/feedback_sounds.h"
#include "ui/minutes.h"
#include "ui/talk_dialogs_win32.h"

namespace mirelon {

namespace {

constexpr wchar_t kTextFilter[] = L"テキスト ファイル (*.txt)\0*.txt\0";

std::u16string DocumentsFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return FromWide(path) + u"\\";
}

}  // namespace

bool SaveTalkAsText(HWND owner, const std::u16string& talkPath, const TalkPane& pane, SoundPlayer& sounds,
                    SpeechSettings& speech) {
  std::u16string name = DocumentsFolder() + MinutesFileName(talkPath);
  int filterIndex = 1;
  if (!ShowSaveFileDialog(owner, {L"トークをテキストで保存", kTextFilter, L"txt"}, name, filterIndex)) return false;
  if (!SaveMinutes(pane, name)) {
    ShowMessage(owner, u"トークを保存できませんでした。\r\n" + name, MB_ICONINFORMATION | MB_OKCANCEL);
    return false;
  }
  sounds.Play(FeedbackSound::kConfirm);
  SpeakMainVoice(speech, u"保存しました");
  return true;
}

void OpenReadme(HWND owner, const std::u16string& path) {
  if (!FileExists(path)) {
    ShowMessage(owner, std::u16string(kReadmeFileName) + u" が見つかりません。\r\nプログラムと同じフォルダの次の場所にあるはずです。\r\n" + path,
                MB_ICONINFORMATION | MB_OKCANCEL);
    return;
  }
  // The viewer of text files, or Notepad where no viewer is registered.
  // The shell's result is above 32 when it started one.
  const std::wstring file = ToWide(path), quoted = L"\"" + file + L"\"";
  const auto started = [](HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; };
  if (!started(ShellExecuteW(owner, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) &&
      !started(ShellExecuteW(owner, L"open", L"notepad.exe", quoted.c_str(), nullptr, SW_SHOWNORMAL)))
    ShowMessage(owner, u"次のファイルを開けませんでした。\r\n" + path, MB_ICONINFORMATION | MB_OKCANCEL);
}

}  // namespace mirelon
