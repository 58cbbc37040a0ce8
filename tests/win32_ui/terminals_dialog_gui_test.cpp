// The terminals of a talk managed from the talk window with real input:
// the connected-terminals dialog (F5), adding a terminal on a COM port
// through the port selection, watching its row, disconnecting and
// reconnecting it, saving the set, deleting the terminal, recalling the
// set and deleting it. COM41 is the program's port; the terminal simulator
// sits on COM42, joined to it by the test's relay.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <memory>

#include "base/utf.h"
#include "support/gui_driver_win32.h"
#include "modes/wire_protocol.h"
#include "serial/serial_device.h"
#include "settings/settings_list.h"
#include "settings/text_file.h"
#include "support/temp_dir.h"
#include "support/terminal_simulator.h"
#include "talk/records.h"
#include "talk/stream_store.h"
#include "talk/talk_file.h"

using namespace mirelon;
using namespace mirelon::gui;

namespace {

constexpr int kList = 562, kCount = 561, kKana = 568;

// The system's list of serial ports, as a user's Windows has it for the
// two ports of the relay.
void ListTestPorts() {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (const wchar_t* port : {L"COM41", L"COM42"}) {
    const std::wstring value = std::wstring(L"\\Device\\MirelonTest") + port;
    RegSetValueExW(key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                   static_cast<DWORD>((wcslen(port) + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}

std::filesystem::path SettingsFile(std::u16string_view name) {
  std::optional<std::u16string> path = GetUserSettingsPath(name);
  return path ? std::filesystem::path(ToWide(*path)) : std::filesystem::path();
}

void RemoveSettings() {
  std::error_code ignored;
  for (std::u16string_view name : {u"PortDescription.set", u"ConnectionInfo.set"})
    std::filesystem::remove_all(SettingsFile(name), ignored);
}

class TerminalsDialogGui : public ::testing::Test {
 protected:
  void SetUp() override {
    ListTestPorts();
    RemoveSettings();
    terminalPort_ = OpenSystemSerialDevice(u"COM42", DeviceTimeouts{});
    ASSERT_NE(terminalPort_, nullptr) << "COM42 missing: the relay of com_pair.sh is not running";
    terminalPort_->Configure(9600);
    terminal_ = std::make_unique<TerminalSimulator>(MakeDeviceTerminalLink(terminalPort_));

    talk_ = dir_.File(u"端末.talk");
    WriteNewStream(*store_, u"主催者", talk_, kOwnerStream);
    store_->EnsureFile(talk_);
    ASSERT_TRUE(app_.Start(L"\"" + BuildFolder() + L"\\mirelon.exe\" \"" + ToWide(talk_) + L"\""));
  }

  void TearDown() override {
    terminal_.reset();
    RemoveSettings();
  }

  HWND WaitForWindow(const std::wstring& title) { return WaitForTopWindow(app_.id(), title); }
  int CountWindows(const std::wstring& title) {
    struct Search {
      DWORD process;
      const std::wstring* title;
      int count;
    } search{app_.id(), &title, 0};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner == s->process && IsWindowVisible(window) && WindowText(window) == *s->title) ++s->count;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
  }
  // Answers a message box with Enter (its default button); its text.
  std::wstring Answer(const std::wstring& caption) {
    HWND box = WaitForWindow(caption);
    if (!box) return L"(no message box)";
    std::wstring text = WindowText(GetDlgItem(box, 0xFFFF));
    BringToForeground(box);
    PressKeys({VK_RETURN});
    WaitUntil([&] { return !IsWindow(box); });
    return text;
  }
  std::wstring Cell(int row, int column) { return ListViewText(app_.handle(), list_, row, column); }
  int Rows() { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }
  bool RowShows(int column, const std::wstring& text) {
    return WaitUntil([&] { return Rows() == 1 && Cell(0, column) == text; });
  }
  std::u16string SavedSets() {
    SettingsList sets;
    LoadSettingsFile(u"ConnectionInfo.set", sets);
    std::u16string keys;
    for (const SettingEntry& entry : sets.entries) keys += entry.key + u";";
    return keys;
  }

  TempDir dir_;
  std::u16string talk_;
  std::unique_ptr<StreamStore> store_ = CreatePlatformStreamStore();
  std::shared_ptr<SerialDevice> terminalPort_;
  std::unique_ptr<TerminalSimulator> terminal_;
  ChildProcess app_;
  HWND list_ = nullptr;
};

TEST_F(TerminalsDialogGui, AddWatchDisconnectSaveDeleteAndRecallATerminal) {
  HWND window = WaitForWindow(L"トークモード - 端末");
  ASSERT_TRUE(window);
  ASSERT_TRUE(BringToForeground(window));

  // F5 opens the dialog on its own thread; a second F5 makes no second one.
  const std::wstring title = L"OrinMirelon 接続している点字端末";
  PressKeys({VK_F5});
  HWND dialog = WaitForWindow(title);
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(BringToForeground(window));
  PressKeys({VK_F5});
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }, 5000));
  EXPECT_EQ(CountWindows(title), 1);
  list_ = GetDlgItem(dialog, kList);
  EXPECT_EQ(WindowText(GetDlgItem(dialog, kCount)), L"0台の端末に接続中です。");

  // A chat terminal on COM41 for hanako, through the port selection.
  ASSERT_TRUE(BringToForeground(dialog));
  PressKeys({VK_MENU, 'A'});
  HWND ports = WaitForWindow(L"OrinMirelon 点字端末 接続ポートの選択");
  ASSERT_TRUE(ports);
  ASSERT_TRUE(BringToForeground(ports));
  EXPECT_EQ(WindowText(GetDlgItem(ports, 541)), L"なし");
  PressKeys({VK_END});  // the ports in numeric order: COM42 last, COM41 before it
  PressKeys({VK_UP});
  EXPECT_EQ(WindowText(GetDlgItem(ports, 541)), L"COM41: ");
  PressKeys({VK_TAB});
  PressKeys({VK_TAB});
  TypeText(L"hanako");
  PressKeys({VK_TAB});
  PressKeys({VK_TAB});
  PressKeys({VK_TAB});
  PressKeys({VK_END});  // 点字チャット, remembered for the port at once
  EXPECT_EQ(WindowText(GetDlgItem(ports, 544)), L"点字チャット");
  EXPECT_TRUE(WaitUntil([] {
    SettingsList remembered;
    LoadSettingsFile(u"PortDescription.set", remembered);
    const SettingEntry* protocol = FindSetting(remembered, u"COM41_protocol");
    return protocol && protocol->value == u"2";
  }));
  PressKeys({VK_RETURN});
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(ports); }));

  // Its row goes to "接続" with its user.
  ASSERT_TRUE(RowShows(1, L"接続"));
  EXPECT_EQ(Cell(0, 0), L"COM41");
  EXPECT_EQ(Cell(0, 2), L"hanako");
  EXPECT_EQ(WindowText(GetDlgItem(dialog, kCount)), L"1台の端末に接続中です。");

  // The terminal's user writes; the line comes back to the terminal and
  // the row shows where it is and what it shows, as kana and as braille.
  terminal_->SendFrame(FRAME_TEXT_BEGIN, 0);
  terminal_->SendFrame(FRAME_TEXT_CELL, 0x10);
  terminal_->SendFrame(FRAME_TEXT_CELL, 0x30);
  terminal_->SendFrame(FRAME_TEXT_CELL, 0);
  ASSERT_TRUE(RowShows(4, L"アイ")) << Utf16ToUtf8(FromWide(Cell(0, 3) + L" " + Cell(0, 4)));
  EXPECT_EQ(Cell(0, 3), L"1");
  ClickWindow(GetDlgItem(dialog, kKana));
  EXPECT_TRUE(RowShows(4, L"⠁⠃"));
  EXPECT_EQ(SendDlgItemMessageW(dialog, kKana, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // Adding the same port again is refused.
  ASSERT_TRUE(BringToForeground(dialog));
  PressKeys({VK_MENU, 'A'});
  ports = WaitForWindow(L"OrinMirelon 点字端末 接続ポートの選択");
  ASSERT_TRUE(ports);
  ASSERT_TRUE(BringToForeground(ports));
  EXPECT_EQ(WindowText(GetDlgItem(ports, 541)), L"COM41: ");  // the last choice
  PressKeys({VK_RETURN});
  EXPECT_EQ(Answer(L"接続の追加"), L"ポート COM41 は既に使用中です。");
  EXPECT_EQ(Rows(), 1);

  // Disconnect and connect again.
  ASSERT_TRUE(BringToForeground(dialog));
  PressKeys({VK_MENU, 'C'});
  ASSERT_TRUE(RowShows(1, L"切断"));
  EXPECT_EQ(Cell(0, 4), L"");
  PressKeys({VK_MENU, 'C'});
  ASSERT_TRUE(RowShows(1, L"接続"));

  // Saving the set: a file that cannot be written is told and the dialog
  // stays; then it is saved.
  std::filesystem::create_directories(SettingsFile(u"ConnectionInfo.set"));
  PressKeys({VK_MENU, 'S'});
  HWND save = WaitForWindow(L"接続の保存");
  ASSERT_TRUE(save);
  ASSERT_TRUE(BringToForeground(save));
  TypeText(L"会議室");
  PressKeys({VK_RETURN});
  // The message box has the dialog's caption: wait until it is in front.
  ASSERT_TRUE(WaitUntil([&] {
    HWND front = GetForegroundWindow();
    return front != save && WindowText(front) == L"接続の保存";
  }));
  EXPECT_NE(Answer(L"接続の保存").find(L"ConnectionInfo.set"), std::wstring::npos);
  EXPECT_TRUE(IsWindow(save));
  std::filesystem::remove(SettingsFile(u"ConnectionInfo.set"));
  ASSERT_TRUE(BringToForeground(save));
  PressKeys({VK_RETURN});
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(save); }));
  EXPECT_EQ(SavedSets(), U16("会議室;"));

  // Deleting the terminal.
  ASSERT_TRUE(BringToForeground(dialog));
  for (int i = 0; i < 10 && FocusedWindow() != list_; ++i) PressKeys({VK_TAB});
  ASSERT_EQ(FocusedWindow(), list_);
  PressKeys({VK_DELETE});
  EXPECT_EQ(Answer(L"接続中の端末の削除"), L"この接続を削除してよろしいですか？");
  ASSERT_TRUE(WaitUntil([&] { return Rows() == 0; }));
  EXPECT_EQ(WindowText(GetDlgItem(dialog, kCount)), L"0台の端末に接続中です。");

  // Recalling the set connects it again.
  ASSERT_TRUE(BringToForeground(dialog));
  PressKeys({VK_MENU, 'R'});
  HWND recall = WaitForWindow(L"接続の呼出し");
  ASSERT_TRUE(recall);
  EXPECT_EQ(WindowText(GetDlgItem(recall, 572)), L"1件の接続情報が登録されています。");
  ASSERT_TRUE(BringToForeground(recall));
  PressKeys({VK_RETURN});
  ASSERT_TRUE(RowShows(1, L"接続"));
  EXPECT_EQ(Cell(0, 2), L"hanako");

  // Deleting the only saved set closes the recall dialog.
  ASSERT_TRUE(BringToForeground(dialog));
  PressKeys({VK_MENU, 'R'});
  recall = WaitForWindow(L"接続の呼出し");
  ASSERT_TRUE(recall);
  ASSERT_TRUE(BringToForeground(recall));
  PressKeys({VK_MENU, 'D'});
  EXPECT_EQ(Answer(L"保存された設定の削除"), L"この項目 会議室 を削除してよろしいですか？");
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(recall); }));
  EXPECT_EQ(SavedSets(), u"");

  EXPECT_TRUE(SaveWindowImage(dialog, BuildFolder() + L"\\terminals_dialog.bmp"));

  // Escape closes the dialog; opened again it lists the terminal as it is.
  ASSERT_TRUE(BringToForeground(dialog));
  PressKeys({VK_ESCAPE});
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  ASSERT_TRUE(BringToForeground(window));
  PressKeys({VK_F5});
  dialog = WaitForWindow(title);
  ASSERT_TRUE(dialog);
  list_ = GetDlgItem(dialog, kList);
  EXPECT_TRUE(RowShows(1, L"接続"));
  EXPECT_EQ(SendDlgItemMessageW(dialog, kKana, BM_GETCHECK, 0, 0), BST_CHECKED);

  // Closing the talk window closes the dialog first and lets the terminal go.
  ASSERT_TRUE(BringToForeground(window));
  PressKeys({VK_MENU, VK_F4});
  EXPECT_EQ(app_.Wait(30000), 0);
  EXPECT_TRUE(WaitUntil([&] {
    for (const ReceivedFrame& f : terminal_->frames())
      if (f.command == FRAME_CHAT_END) return true;
    return false;
  }));
}

}  // namespace
#endif
