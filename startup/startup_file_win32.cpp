#include "startup/startup_file_win32.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "app/talk_controller.h"
#include "base/com_win32.h"
#include "base/program_folder.h"
#include "base/utf.h"
#include "connections/connection_record.h"
#include "settings/text_file.h"
#include "startup/startup_command.h"
#include "ui/talk_dialogs_win32.h"

namespace mirelon {

namespace {

constexpr wchar_t kFilter[] =
    L"起動用バッチファイル (*.bat)\0*.bat\0"
    L"起動用ショートカットファイル (*.lnk)\0*.lnk\0"
    L"全てのファイル (*.*)\0*.*\0";

std::optional<std::u16string> DesktopFolder() {
  PIDLIST_ABSOLUTE list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list)) || !list) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  const bool found = SHGetPathFromIDListW(list, path);
  CoTaskMemFree(list);
  if (!found) return std::nullopt;
  return FromWide(path);
}

// The save dialog on `proposal`; the name with the filter's extension, or
// none when cancelled.
std::optional<std::u16string> AskFileName(HWND owner, const StartupFileProposal& proposal) {
  std::u16string name = proposal.name;
  int filterIndex = proposal.filterIndex;
  if (!ShowSaveFileDialog(owner, {L"起動用ファイルの作成", kFilter}, name, filterIndex)) return std::nullopt;
  return WithFilterExtension(std::move(name), filterIndex);
}

// A shortcut that runs the program with the command as its arguments, in
// the program's folder.
bool WriteShortcut(const std::u16string& fileName, const std::u16string& programPath, const std::u16string& command) {
  const ComApartment apartment;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.OutVoid())))
    return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid()))) return false;
  std::u16string folder = programPath.substr(0, programPath.find_last_of(u'\\') + 1);
  if (FAILED(link->SetPath(ToWide(programPath).c_str()))) return false;
  if (!command.empty() && FAILED(link->SetArguments(ToWide(command).c_str()))) return false;
  link->SetWorkingDirectory(ToWide(folder).c_str());
  link->SetDescription(L"OrinMirelon起動リンク");
  return SUCCEEDED(file->Save(ToWide(fileName).c_str(), TRUE));
}

}  // namespace

StartupFileResult WriteStartupFile(const std::u16string& fileName, const std::u16string& programPath,
                                   const std::u16string& talkPath, const std::vector<std::u16string>& descriptions) {
  switch (StartupFileKindOf(fileName)) {
    case StartupFileKind::kBatch: {
      const std::optional<std::u16string> line = BuildBatchCommand(programPath, talkPath, descriptions);
      if (!line) return StartupFileResult::kNotRepresentable;
      switch (WriteAnsiTextFile(*line, fileName)) {
        case AnsiWriteResult::kWritten:
          return StartupFileResult::kBatchSaved;
        case AnsiWriteResult::kNotRepresentable:
          return StartupFileResult::kNotRepresentable;
        case AnsiWriteResult::kFailed:
          return StartupFileResult::kFailed;
      }
      return StartupFileResult::kFailed;
    }
    case StartupFileKind::kShortcut:
      return WriteShortcut(fileName, programPath, BuildStartupCommand(programPath, talkPath, descriptions))
                 ? StartupFileResult::kShortcutSaved
                 : StartupFileResult::kFailed;
    case StartupFileKind::kOther:
      break;
  }
  return StartupFileResult::kFailed;
}

bool SaveStartupFile(HWND owner, TalkController& controller) {
  TalkContext& context = controller.Context();
  const StartupFileProposal proposal =
      ProposeStartupFile(context.startupFilePath, context.startupFilePath.empty() ? DesktopFolder() : std::nullopt);
  const std::optional<std::u16string> fileName = AskFileName(owner, proposal);
  if (!fileName) return false;
  context.startupFilePath = *fileName;

  std::vector<std::u16string> descriptions;
  for (const RefPtr<I_PortClient>& client : controller.Clients().Clients())
    descriptions.push_back(Describe(client->CreateConnectionRecord()));
  const StartupFileResult result =
      WriteStartupFile(*fileName, ProgramPath().value_or(u""), context.talkPath, descriptions);
  ShowMessage(owner, StartupFileMessage(result, *fileName), MB_ICONINFORMATION | MB_OKCANCEL);
  return result == StartupFileResult::kBatchSaved || result == StartupFileResult::kShortcutSaved;
}

}  // namespace mirelon
