#include "ui/speech_commands_win32.h"

#include "resources/resource.h"

namespace mirelon {

namespace {

// The check box of each scene, in scene order.
constexpr int kSceneBoxes[kSpeechSceneCount] = {
    IDC_SCENE_MOVE_LINE,          IDC_SCENE_MOVE_CHAR_ASCII, IDC_SCENE_MOVE_CHAR_UNICODE,
    IDC_SCENE_JUMP_POSITION,      IDC_SCENE_INPUT_MODE,      IDC_SCENE_INPUT_CHAR_ASCII,
    IDC_SCENE_INPUT_CHAR_UNICODE, IDC_SCENE_MOVE_LINE_BRL,   IDC_SCENE_MOVE_CHAR_BRL,
    IDC_SCENE_JUMP_POSITION_BRL,  IDC_SCENE_INPUT_CHAR_BRL,
};

INT_PTR CALLBACK ScenesProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dlg, DWLP_USER, lParam);
      const auto* settings = reinterpret_cast<const SpeechSettings*>(lParam);
      for (size_t i = 0; i < kSpeechSceneCount; ++i) {
        // A box the template lacks is skipped.
        if (settings->scenes[i] && GetDlgItem(dlg, kSceneBoxes[i]))
          CheckDlgButton(dlg, kSceneBoxes[i], BST_CHECKED);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        auto* settings = reinterpret_cast<SpeechSettings*>(GetWindowLongPtrW(dlg, DWLP_USER));
        for (size_t i = 0; i < kSpeechSceneCount; ++i)
          settings->scenes[i] = IsDlgButtonChecked(dlg, kSceneBoxes[i]) == BST_CHECKED ? 1 : 0;
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void AppendSettingsMenu(HWND window, HINSTANCE instance) {
  HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(IDM_SETTINGS));
  if (!menu) return;
  // The menu resource holds one popup; the system menu takes it over.
  HMENU popup = GetSubMenu(menu, 0);
  RemoveMenu(menu, 0, MF_BYPOSITION);
  DestroyMenu(menu);
  if (!popup) return;
  AppendMenuW(GetSystemMenu(window, FALSE), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), L"設定(&S)");
}

bool RunSpeechScenesDialog(HWND owner, HINSTANCE instance, SpeechSettings& settings) {
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SPEECH_SCENES), owner, &ScenesProc,
                         reinterpret_cast<LPARAM>(&settings)) == IDOK;
}

bool HandleSpeechCommand(HWND owner, HINSTANCE instance, int command, SpeechSettings& settings) {
  switch (command) {
    case CMD_SPEECH_SCENES:
      if (RunSpeechScenesDialog(owner, instance, settings)) SaveSpeechSettings(settings);
      return true;
    case CMD_SPEECH_OUTPUT:
      if (settings.engine && settings.engine->ShowSettingsDialog(owner)) SaveSpeechSettings(settings);
      return true;
  }
  return false;
}

}  // namespace mirelon
