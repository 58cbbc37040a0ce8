#ifdef _WIN32
#include <gtest/gtest.h>

#include <cwctype>
#include <memory>

#include "base/utf.h"
#include "support/gui_driver_win32.h"
#include "support/temp_dir.h"
#include "talk/records.h"
#include "talk/stream_store.h"
#include "talk/talk_file.h"

using namespace mirelon;
using namespace mirelon::gui;

namespace {

constexpr int kIncoming = 201;
constexpr int kOutgoing = 202;

// "<n>: <name>さん M/DD H:MM\r": the header line the pane shows.
bool IsHeaderLine(const std::wstring& line, int number, const std::wstring& name) {
  std::wstring prefix = std::to_wstring(number) + L": " + name + L"さん ";
  if (line.rfind(prefix, 0) != 0 || line.empty() || line.back() != L'\r') return false;
  std::wstring time = line.substr(prefix.size(), line.size() - prefix.size() - 1);
  // M/DD H:MM
  size_t slash = time.find(L'/'), space = time.find(L' '), colon = time.find(L':');
  if (slash == std::wstring::npos || space == std::wstring::npos || colon == std::wstring::npos)
    return false;
  auto digits = [&](size_t from, size_t to) {
    if (from >= to) return false;
    for (size_t i = from; i < to; ++i)
      if (!std::iswdigit(time[i])) return false;
    return true;
  };
  return digits(0, slash) && space - slash == 3 && digits(slash + 1, space) &&
         digits(space + 1, colon) && time.size() - colon == 3 && digits(colon + 1, time.size());
}

class TalkWindowGui : public ::testing::Test {
 protected:
  void SetUp() override {
    talk_ = ToWide(dir_.File(u"窓口.talk"));
    ASSERT_TRUE(app_.Start(L"\"" + BuildFolder() + L"\\mirelon.exe\" \"" + talk_ + L"\""));
  }

  // A top-level window of the program with exactly this title.
  HWND WaitForWindow(const std::wstring& title) { return WaitForTopWindow(app_.id(), title); }

  std::optional<std::u16string> StoredRecord(uint32_t number) {
    return ReadStreamText(*store_, ToU16(talk_), MessageStreamName(number));
  }

  static std::u16string ToU16(const std::wstring& s) { return FromWide(s); }

  TempDir dir_;
  std::wstring talk_;
  ChildProcess app_;
  std::unique_ptr<StreamStore> store_ = CreatePlatformStreamStore();
};

// A new talk from start to finish, driven by real keyboard and mouse input.
TEST_F(TalkWindowGui, CreateChatAndReadAsAUserDoes) {
  // The path given does not exist yet, so the open dialog comes first.
  HWND open = WaitForWindow(L"トークファイルの選択");
  ASSERT_TRUE(open);
  HWND name = GetDlgItem(open, 0x47C);  // the file name box
  if (HWND edit = FindWindowExW(name, nullptr, L"Edit", nullptr)) name = edit;
  if (!name) name = GetDlgItem(open, 0x480);
  ASSERT_TRUE(name);
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(talk_.c_str()));
  ASSERT_TRUE(BringToForeground(open));
  PressKeys({VK_RETURN});

  // The create question; Yes is its default button.
  HWND question = WaitForWindow(L"OrinMirelon");
  ASSERT_TRUE(question);
  EXPECT_NE(WindowText(GetDlgItem(question, 0xFFFF)).find(L"この名前で新規トークを作成しますか？"),
            std::wstring::npos);
  ASSERT_TRUE(BringToForeground(question));
  PressKeys({VK_RETURN});

  HWND window = WaitForWindow(L"トークモード - 窓口");
  ASSERT_TRUE(window);
  ASSERT_TRUE(BringToForeground(window));
  HWND incoming = GetDlgItem(window, kIncoming), outgoing = GetDlgItem(window, kOutgoing);
  RemoteRichEdit in(app_.handle(), incoming), out(app_.handle(), outgoing);
  const std::wstring user = ToWide(UserName());

  // Escape neither closes the window nor clears the outgoing pane.
  ClickWindow(outgoing);
  ASSERT_EQ(FocusedWindow(), outgoing);
  TypeText(L"こんにちは、世界");
  PressKeys({VK_ESCAPE});
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(out.Text(), L"こんにちは、世界");

  // Alt+Enter stores the record; the watcher reads it back into the pane.
  PressKeys({VK_MENU, VK_RETURN});
  ASSERT_TRUE(WaitUntil([&] { return StoredRecord(1).has_value(); }));
  EXPECT_NE(StoredRecord(1)->find(u"\tこんにちは、世界"), std::u16string::npos);
  EXPECT_TRUE(WaitUntil([&] { return out.Text().empty(); }));
  std::wstring header;
  ASSERT_TRUE(WaitUntil([&] { return in.Text().find(L"こんにちは、世界") != std::wstring::npos; }));
  std::wstring text = in.Text();
  header = text.substr(0, text.find(L'\r') + 1);
  EXPECT_TRUE(IsHeaderLine(header, 1, user)) << ToU16(header).size();
  EXPECT_EQ(text.substr(header.size()), L"こんにちは、世界\r\r");
  LONG height = 0;
  EXPECT_TRUE(in.IsBold(0, static_cast<LONG>(header.size()), &height));
  EXPECT_EQ(height, 320);
  EXPECT_FALSE(in.IsBold(static_cast<LONG>(header.size()), static_cast<LONG>(text.size())));

  // Space in the incoming pane goes to the outgoing pane; after sending the
  // focus comes back.
  ClickWindow(incoming);
  ASSERT_EQ(FocusedWindow(), incoming);
  PressKeys({VK_SPACE});
  ASSERT_EQ(FocusedWindow(), outgoing);
  TypeText(L"二通目");
  PressKeys({VK_MENU, VK_RETURN});
  ASSERT_TRUE(WaitUntil([&] { return StoredRecord(2).has_value(); }));
  EXPECT_TRUE(WaitUntil([&] { return FocusedWindow() == incoming; }));
  ASSERT_TRUE(WaitUntil([&] { return in.Text().find(L"二通目") != std::wstring::npos; }));
  // The space itself went nowhere.
  EXPECT_EQ(out.Text(), L"");
  EXPECT_EQ(in.Text().find(L' ' + std::wstring(L"二通目")), std::wstring::npos);

  // Another writer appends while the user reads the first message: the new
  // record appears, the caret stays.
  in.SetSelection(4, 4);
  ChildProcess cli;
  ASSERT_TRUE(cli.Start(L"\"" + BuildFolder() + L"\\app\\mirelon-cli.exe\" --post 外からの発言 \"" +
                        talk_ + L"\""));
  ASSERT_EQ(cli.Wait(30000), 0);
  ASSERT_TRUE(WaitUntil([&] { return in.Text().find(L"外からの発言") != std::wstring::npos; }));
  LONG start = -1, end = -1;
  in.GetSelection(start, end);
  EXPECT_EQ(start, 4);
  EXPECT_EQ(end, 4);
  std::wstring all = in.Text();
  size_t third = all.find(L"\r\r3: ");
  ASSERT_NE(third, std::wstring::npos);
  EXPECT_TRUE(in.IsBold(static_cast<LONG>(third + 2), static_cast<LONG>(third + 4)));

  // Enter in the incoming pane jumps to the newest message; Ctrl+Up steps
  // back to the header before it, Ctrl+Down forward again.
  ClickWindow(incoming);
  PressKeys({VK_RETURN});
  in.GetSelection(start, end);
  EXPECT_EQ(start, static_cast<LONG>(third + 2));
  PressKeys({VK_CONTROL, VK_UP});
  size_t second = all.find(L"\r\r2: ");
  in.GetSelection(start, end);
  EXPECT_EQ(start, static_cast<LONG>(second + 2));
  PressKeys({VK_CONTROL, VK_DOWN});
  in.GetSelection(start, end);
  EXPECT_EQ(start, static_cast<LONG>(third + 2));
  // Past the newest header there is nothing: the caret stays.
  PressKeys({VK_CONTROL, VK_DOWN});
  in.GetSelection(start, end);
  EXPECT_EQ(start, static_cast<LONG>(third + 2));
  EXPECT_EQ(in.Text(), all);

  EXPECT_TRUE(SaveWindowImage(window, BuildFolder() + L"\\talk_window.bmp"));

  // Alt+F4 closes the window through the system command; the run ends.
  ASSERT_TRUE(BringToForeground(window));
  PressKeys({VK_MENU, VK_F4});
  EXPECT_EQ(app_.Wait(30000), 0);
}

}  // namespace
#endif
