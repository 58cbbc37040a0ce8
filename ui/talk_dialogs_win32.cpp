#include "ui/talk_dialogs_win32.h"

#include <commdlg.h>

#include "base/utf.h"

namespace mirelon {

namespace {

constexpr size_t kPathUnits = 261;  // MAX_PATH and its terminator

// Pairs of display text and pattern, each ended by a zero, the list by two.
constexpr wchar_t kFilter[] =
    L"トーク (*.talk)\0*.talk\0"
    L"ミーティング (*.meeting)\0*.meeting\0"
    L"シェアミーティング (*.share)\0*.share\0"
    L"全てのファイル (*.*)\0*.*\0";

// The open or the save dialog (`show`) on a file name.
bool RunFileDialog(BOOL(WINAPI* show)(LPOPENFILENAMEW), HWND owner, const FileDialog& dialog, std::u16string& name,
                   int& filterIndex) {
  wchar_t file[kPathUnits] = {};
  ToWide(name).copy(file, kPathUnits - 1);
  OPENFILENAMEW ofn{};
  // The structure without the places-bar members, as the dialogs have
  // always been shown; every other member stays zero.
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = dialog.filter;
  ofn.nFilterIndex = static_cast<DWORD>(filterIndex);
  ofn.lpstrFile = file;
  ofn.nMaxFile = kPathUnits;
  ofn.lpstrTitle = dialog.title;
  ofn.lpstrDefExt = dialog.defaultExtension;
  // The file need not exist (a new name creates a new talk), nor is
  // replacing one asked about.
  ofn.Flags = OFN_EXPLORER;
  if (!show(&ofn)) return false;
  name = FromWide(file);
  filterIndex = static_cast<int>(ofn.nFilterIndex);
  return true;
}

}  // namespace

bool ShowTalkFileDialog(HWND owner, std::u16string& workingCopy, int& filterIndex) {
  return RunFileDialog(GetOpenFileNameW, owner, {L"トークファイルの選択", kFilter}, workingCopy, filterIndex);
}

bool ShowSaveFileDialog(HWND owner, const FileDialog& dialog, std::u16string& name, int& filterIndex) {
  return RunFileDialog(GetSaveFileNameW, owner, dialog, name, filterIndex);
}

int ShowMessage(HWND owner, std::u16string_view text, UINT style) {
  std::wstring wide = ToWide(text);
  return MessageBoxW(owner, wide.c_str(), kMessageCaption, style);
}

}  // namespace mirelon
