#include "window/connection_dialogs_win32.h"

#include <richedit.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "app/terminal_connector.h"
#include "base/dialog_proc_win32.h"
#include "base/utf.h"
#include "client/client_registry.h"
#include "connections/port_selection.h"
#include "connections/saved_connections.h"
#include "resources/resource.h"

namespace mirelon {
namespace {

std::u16string ItemText(HWND dlg, int id, size_t maxChars) {
  std::wstring text(maxChars + 1, L'\0');
  text.resize(static_cast<size_t>(GetDlgItemTextW(dlg, id, text.data(), static_cast<int>(maxChars + 1))));
  return FromWide(text);
}

void SetItemText(HWND dlg, int id, std::u16string_view text) {
  SetDlgItemTextW(dlg, id, ToWide(text).c_str());
}

int Selected(HWND dlg, int combo) { return static_cast<int>(SendDlgItemMessageW(dlg, combo, CB_GETCURSEL, 0, 0)); }

void AddItem(HWND dlg, int combo, std::u16string_view text) {
  SendDlgItemMessageW(dlg, combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(text).c_str()));
}

// --- dialog 540: the ports of a new terminal ---

class PortDialog {
 public:
  explicit PortDialog(PortSelection& selection) : selection_(selection) {}

  void OnInitDialog(HWND dlg) {
    dlg_ = dlg;
    HMENU system = GetSystemMenu(dlg, FALSE);
    AppendMenuW(system, MF_STRING, CMD_DEVICES_DIALOG, L"「デバイスとプリンター」ダイアログを開く(&D)");
    AppendMenuW(system, MF_STRING, CMD_BLUETOOTH_SETTINGS, L"Windows10 「ブルートゥース設定」を開く(&B)");
    SendDlgItemMessageW(dlg, IDC_PORT_USER, EM_LIMITTEXT, kMaxPortUserChars, 0);
    // Without the key (no serial ports) the lists hold only "なし".
    std::vector<std::u16string> devices;
    ReadSerialDevices(devices);
    SettingsList remembered;
    LoadSettingsFile(kPortSettingsFile, remembered);
    FillPortTable(selection_, devices, remembered);
    FillPortLists(selection_.lastPort, selection_.lastPort2);
    for (const NamedValue& speed : kSpeedChoices) AddItem(dlg, IDC_SPEED, speed.text);
    for (const NamedValue& protocol : kProtocolChoices) AddItem(dlg, IDC_PROTOCOL, protocol.text);
    ShowCurrentPort();
  }

  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_SYSCOMMAND) {
      // The system's tools may be missing (or refuse to start); then
      // nothing more happens.
      if (LOWORD(wParam) == CMD_DEVICES_DIALOG) {
        ShellExecuteW(dlg_, L"open", L"control.exe", L"/name Microsoft.DevicesAndPrinters", nullptr, SW_SHOW);
      } else if (LOWORD(wParam) == CMD_BLUETOOTH_SETTINGS) {
        ShellExecuteW(dlg_, L"open", L"PowerShell", L"-Command start ms-settings:bluetooth", nullptr, SW_SHOW);
      } else {
        return FALSE;
      }
      SetWindowLongPtrW(dlg_, DWLP_MSGRESULT, 0);
      return TRUE;
    }
    if (msg != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == CBN_SELCHANGE) {
      if (id == IDC_PORT || id == IDC_PORT2) {
        ShowCurrentPort();
      } else if (id == IDC_SPEED || id == IDC_PROTOCOL) {
        // Kept at once, before OK.
        PortEntry* entry = CurrentEntry();
        const int chosen = Selected(dlg_, id);
        if (entry && chosen >= 0) {
          (id == IDC_SPEED ? entry->speedIndex : entry->protocolIndex) = chosen;
          SavePortSettings(selection_);
        }
      }
      return TRUE;
    }
    switch (id) {
      case IDC_PORT_USER_SAVE:
        if (PortEntry* entry = CurrentEntry()) {
          entry->user = ItemText(dlg_, IDC_PORT_USER, kMaxPortUserChars);
          SavePortSettings(selection_);
          // The lists show the new name, with the present choice kept.
          selection_.lastPort = ChosenPort(IDC_PORT).value_or(u"");
          selection_.lastPort2 = ChosenPort(IDC_PORT2).value_or(u"");
          FillPortLists(selection_.lastPort, selection_.lastPort2);
        }
        return TRUE;
      case IDOK: {
        const int speed = Selected(dlg_, IDC_SPEED), protocol = Selected(dlg_, IDC_PROTOCOL);
        if (ConfirmPortChoice(selection_, ChosenPort(IDC_PORT), ChosenPort(IDC_PORT2),
                              kSpeedChoices[speed >= 0 ? static_cast<size_t>(speed) : 0].value,
                              kProtocolChoices[protocol >= 0 ? static_cast<size_t>(protocol) : 0].value,
                              ItemText(dlg_, IDC_PORT_USER, kMaxPortUserChars)))
          EndDialog(dlg_, IDOK);
        return TRUE;
      }
      case IDCANCEL:
        EndDialog(dlg_, IDCANCEL);
        return TRUE;
    }
    return FALSE;
  }

 private:
  void FillPortLists(std::u16string_view port, std::u16string_view port2) {
    const int combos[2] = {IDC_PORT, IDC_PORT2};
    const std::u16string_view preselect[2] = {port, port2};
    for (int i = 0; i < 2; ++i) {
      lists_[i] = MakePortList(selection_, preselect[i]);
      SendDlgItemMessageW(dlg_, combos[i], CB_RESETCONTENT, 0, 0);
      for (const PortListItem& item : lists_[i].items) AddItem(dlg_, combos[i], item.text);
      SendDlgItemMessageW(dlg_, combos[i], CB_SETCURSEL, static_cast<WPARAM>(lists_[i].selected), 0);
    }
  }

  // The port name of a port list's selection; none without a selection.
  std::optional<std::u16string> ChosenPort(int combo) {
    const PortList& list = lists_[combo == IDC_PORT ? 0 : 1];
    const int chosen = Selected(dlg_, combo);
    if (chosen < 0 || chosen >= static_cast<int>(list.items.size())) return std::nullopt;
    return list.items[static_cast<size_t>(chosen)].port;
  }

  PortEntry* CurrentEntry() {
    return CurrentPortEntry(selection_, ChosenPort(IDC_PORT).value_or(u"NULL"),
                            ChosenPort(IDC_PORT2).value_or(u"NULL"));
  }

  void ShowCurrentPort() {
    PortEntry* entry = CurrentEntry();
    SetItemText(dlg_, IDC_PORT_USER, entry && entry->user ? *entry->user : u"");
    if (!entry) return;
    SendDlgItemMessageW(dlg_, IDC_SPEED, CB_SETCURSEL, static_cast<WPARAM>(entry->speedIndex), 0);
    SendDlgItemMessageW(dlg_, IDC_PROTOCOL, CB_SETCURSEL, static_cast<WPARAM>(entry->protocolIndex), 0);
  }

  PortSelection& selection_;
  HWND dlg_ = nullptr;
  PortList lists_[2];
};

// --- dialogs 570 and 571: saved sets ---

constexpr std::u16string_view kSaveCaption = u"接続の保存";
constexpr std::u16string_view kRecallCaption = u"接続の呼出し";
constexpr std::u16string_view kDeleteCaption = u"保存された設定の削除";
constexpr std::u16string_view kNotWritten =
    u"ConnectionInfo.set に書き込めませんでした。保存された接続情報は変わっていません。";

class SaveDialog {
 public:
  explicit SaveDialog(ClientRegistry& registry) : registry_(registry) {}

  void OnInitDialog(HWND dlg) {
    dlg_ = dlg;
    SendDlgItemMessageW(dlg, IDC_SAVE_NAME, EM_EXLIMITTEXT, 0, kMaxSavedNameChars);
    SetItemText(dlg, IDC_CONNECTION_INFO, SummaryText(registry_.BuildConnectionList()));
  }

  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM) {
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDCANCEL) {
      EndDialog(dlg_, IDCANCEL);
      return TRUE;
    }
    if (LOWORD(wParam) != IDOK) return FALSE;
    SettingsList sets;
    LoadSettingsFile(kSavedConnectionsFile, sets);
    const std::u16string typed = ItemText(dlg_, IDC_SAVE_NAME, kMaxSavedNameChars);
    if (typed.empty()) {
      ShowBox(dlg_, u"この接続を保存するための名前を入力してください。", kSaveCaption, MB_ICONINFORMATION | MB_OKCANCEL);
      return TRUE;
    }
    const std::u16string name = SavedSetName(typed);
    if (HasSetting(sets, name) &&
        ShowBox(dlg_, u"この名前は既に使用されています。上書きしてよろしいですか？", kSaveCaption,
                MB_ICONQUESTION | MB_YESNOCANCEL) != IDYES)
      return TRUE;
    StoreConnectionSet(sets, name, registry_.BuildConnectionList());
    // A set that could not be written is not taken for saved: the dialog
    // stays open with the name as typed.
    if (!SaveSettingsFile(sets, kSavedConnectionsFile)) {
      ShowBox(dlg_, kNotWritten, kSaveCaption, MB_ICONINFORMATION | MB_OK);
      return TRUE;
    }
    EndDialog(dlg_, IDOK);
    return TRUE;
  }

 private:
  ClientRegistry& registry_;
  HWND dlg_ = nullptr;
};

class RecallDialog {
 public:
  RecallDialog(TerminalConnector& connector, SettingsList sets)
      : connector_(connector), sets_(std::move(sets)) {}

  void OnInitDialog(HWND dlg) {
    dlg_ = dlg;
    SetItemText(dlg, IDC_SAVED_COUNT, SavedSetCountText(sets_.Count()));
    for (const SettingEntry& entry : sets_.entries) AddItem(dlg, IDC_SAVED_NAMES, entry.key);
    SendDlgItemMessageW(dlg, IDC_SAVED_NAMES, CB_SETCURSEL, 0, 0);
    ShowSelected();
  }

  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM) {
    if (msg != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
      case IDC_SAVED_NAMES:
        if (HIWORD(wParam) == CBN_SELCHANGE) ShowSelected();
        return TRUE;
      case IDOK:
        if (std::optional<ConnectionRecordList> list = ConnectionSet(sets_, Selected(dlg_, IDC_SAVED_NAMES))) {
          // One connection after another, each given its time to come up,
          // on the connecting thread: closing the talk cancels it.
          connector_.Connect(*list);
          EndDialog(dlg_, IDOK);
        }
        return TRUE;
      case IDC_DELETE_SAVED:
        Delete();
        return TRUE;
      case IDCANCEL:
        EndDialog(dlg_, IDCANCEL);
        return TRUE;
    }
    return FALSE;
  }

 private:
  void ShowSelected() {
    const std::optional<ConnectionRecordList> list = ConnectionSet(sets_, Selected(dlg_, IDC_SAVED_NAMES));
    SetItemText(dlg_, IDC_CONNECTION_INFO, list ? SummaryText(*list) : u"");
  }

  void Delete() {
    const int chosen = Selected(dlg_, IDC_SAVED_NAMES);
    if (chosen < 0 || chosen >= sets_.Count()) return;
    const std::u16string& name = sets_.entries[static_cast<size_t>(chosen)].key;
    if (ShowBox(dlg_, u"この項目 " + name + u" を削除してよろしいですか？", kDeleteCaption,
                MB_ICONQUESTION | MB_YESNOCANCEL) != IDYES)
      return;
    SettingsList remaining = sets_;
    remaining.entries.erase(remaining.entries.begin() + chosen);
    // A set that could not be deleted from the file stays in the list.
    if (!SaveSettingsFile(remaining, kSavedConnectionsFile)) {
      ShowBox(dlg_, kNotWritten, kDeleteCaption, MB_ICONINFORMATION | MB_OK);
      return;
    }
    sets_ = std::move(remaining);
    SendDlgItemMessageW(dlg_, IDC_SAVED_NAMES, CB_DELETESTRING, static_cast<WPARAM>(chosen), 0);
    if (sets_.Count() == 0) {
      PostMessageW(dlg_, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    SetItemText(dlg_, IDC_SAVED_COUNT, SavedSetCountText(sets_.Count()));
    SendDlgItemMessageW(dlg_, IDC_SAVED_NAMES, CB_SETCURSEL,
                        static_cast<WPARAM>(SelectionAfterDeletion(chosen, sets_.Count())), 0);
    ShowSelected();
  }

  TerminalConnector& connector_;
  SettingsList sets_;
  HWND dlg_ = nullptr;
};

}  // namespace

int ShowBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT style) {
  return MessageBoxW(owner, ToWide(text).c_str(), ToWide(caption).c_str(), style);
}

bool ReadSerialDevices(std::vector<std::u16string>& devices) {
  devices.clear();
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  for (DWORD index = 0;; ++index) {
    wchar_t name[1024];
    DWORD nameChars = 1024;
    // Room for the longest name kept (255 characters) and a terminator
    // that the value itself may lack.
    wchar_t data[513] = {};
    DWORD dataBytes = 1024;
    DWORD type = 0;
    const LONG result = RegEnumValueW(key, index, name, &nameChars, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataBytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    std::wstring device(data, std::min<size_t>(dataBytes, 510) / sizeof(wchar_t));
    device.resize(wcsnlen(device.c_str(), device.size()));
    devices.push_back(FromWide(device));
  }
  RegCloseKey(key);
  return true;
}

bool RunPortSelection(HINSTANCE instance, HWND owner, PortSelection& selection) {
  PortDialog dialog(selection);
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PORT_SELECTION), owner, &ObjectDialogProc<PortDialog>,
                         reinterpret_cast<LPARAM>(&dialog)) == IDOK;
}

bool SaveConnections(HINSTANCE instance, HWND owner, ClientRegistry& registry) {
  if (registry.Count() == 0) {
    ShowBox(owner, u"点字端末への接続が指定されていません。", kSaveCaption, MB_ICONINFORMATION | MB_OKCANCEL);
    return false;
  }
  SaveDialog dialog(registry);
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SAVE_CONNECTIONS), owner, &ObjectDialogProc<SaveDialog>,
                         reinterpret_cast<LPARAM>(&dialog)) == IDOK;
}

bool RecallConnections(HINSTANCE instance, HWND owner, TerminalConnector& connector) {
  SettingsList sets;
  LoadSettingsFile(kSavedConnectionsFile, sets);
  if (sets.Count() == 0) {
    ShowBox(owner, u"これまでの接続情報が登録されていません。", kRecallCaption, MB_ICONINFORMATION | MB_OKCANCEL);
    return false;
  }
  RecallDialog dialog(connector, std::move(sets));
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_RECALL_CONNECTIONS), owner, &ObjectDialogProc<RecallDialog>,
                         reinterpret_cast<LPARAM>(&dialog)) == IDOK;
}

}  // namespace mirelon
