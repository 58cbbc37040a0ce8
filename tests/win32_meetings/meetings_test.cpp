// Meetings and start-up files in the talk window, used as a person does:
// the start dialog as owner and as another member, the member list while
// members come and go, start-up files and the talk as text saved through
// the save dialog.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/ansi.h"
#include "base/com_win32.h"
#include "base/file_io.h"
#include "base/program_folder.h"
#include "base/unique_handle_win32.h"
#include "base/utf.h"
#include "resources/resource.h"
#include "settings/text_file.h"
#include "support/talk_window_test_win32.h"
#include "talk/meeting_start.h"
#include "talk/open_talk.h"
#include "talk/records.h"
#include "talk/talk_file.h"
#include "ui/text_documents_win32.h"

namespace mirelon {
namespace {

using test::Tap;
using test::TextOf;
using test::WaitForThreadWindow;

constexpr wchar_t kStartTitle[] = L"OrinMirelon ミーティングの開始";

class MeetingWindow : public test::TalkWindowTest {
 protected:
  std::optional<std::u16string> Stream(std::u16string_view name) { return ReadStreamText(*store_, talk_, name); }
};

TEST_F(MeetingWindow, TheOwnerEditsTheDescriptionAndEntersWithAltEnter) {
  MakeTalk(u"会議.meeting");
  Start();
  HWND dialog = Dialog(kStartTitle);
  ASSERT_TRUE(dialog);
  HWND pane = GetDlgItem(dialog, IDC_MEETING_DESCRIPTION);
  // The talk window waits, disabled, behind the dialog.
  HWND talkWindow = WaitForThreadWindow(thread_, L"トークウィンドウ");
  EXPECT_TRUE(talkWindow && !IsWindowEnabled(talkWindow));
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_MEETING_PROMPT)), L"このミーティングの説明を入力してください。");
  EXPECT_EQ(NormalizeLineBreaks(FromWide(TextOf(pane))), kMeetingWelcome);
  EXPECT_EQ(gui::FocusedWindow(), pane);

  // Typed at the end; F2 there switches keyboard braille input, whose
  // chords reach the pane through the dialog's own loop.
  gui::PressKeys({VK_CONTROL, VK_END});
  gui::TypeText(L"議題は予算");
  Tap(VK_F2);
  test::TypeCells(u"⠃");
  Tap(VK_F2);
  gui::PressKeys({VK_MENU, VK_RETURN});
  ASSERT_TRUE(TalkWindow(L"ミーティング - 会議"));
  EXPECT_TRUE(IsWindowEnabled(window_));
  EXPECT_EQ(Stream(kDescriptionStream), u"ミレロン・ミーティングへようこそ。\r議題は予算⠃");
  EXPECT_TRUE(gui::WaitUntil([&] { return Stored(u"in\t" + UserName()); }));
}

TEST_F(MeetingWindow, AnotherMembersOkEntersWithoutStoringTheText) {
  MakeTalk(u"m.meeting", u"主催者");
  WriteDescriptionStream(*store_, u"定例会\r", talk_);
  Start();
  HWND dialog = Dialog(kStartTitle);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_MEETING_PROMPT)), L"［OK］ボタンを押すと、このミーティングに入室します。");
  EXPECT_EQ(NormalizeLineBreaks(FromWide(TextOf(GetDlgItem(dialog, IDC_MEETING_DESCRIPTION)))), u"定例会\r");
  gui::TypeText(L"書き換え");
  gui::ClickWindow(GetDlgItem(dialog, IDOK));
  ASSERT_TRUE(TalkWindow(L"ミーティング - m"));
  EXPECT_TRUE(gui::WaitUntil([&] { return Stored(u"in\t" + UserName()); }));
  EXPECT_EQ(Stream(kDescriptionStream), u"定例会\r");
}

// Keyboard braille input switched in the start dialog reports to it: the
// input states are spoken and a refused chord sounds while it is up.
TEST_F(MeetingWindow, BrailleInputSwitchedInTheStartDialogReportsThere) {
  ASSERT_TRUE(WriteUtf8TextFile(u"SpeakInputMode,1\r", dir_.File(u"Speech.set")));
  ASSERT_TRUE(WriteUtf8TextFile(u"BrlInputType,1\r", dir_.File(u"BrlInput.set")));
  MakeTalk(u"r.meeting", u"主催者");
  Start();
  HWND dialog = Dialog(kStartTitle);
  ASSERT_TRUE(dialog);
  Tap(VK_F2);
  // A yōon prefix waits for its cell, and cannot take ア.
  test::TypeCells(u"⠈⠁");
  EXPECT_EQ(Said(2), (Texts{u"点字入力開始（ASCIIカナ入力）", u"拗音"}));
  EXPECT_TRUE(gui::WaitUntil([&] { return sounds_.Count(FeedbackSound::kRefusal) == 1; }));
  gui::PressKeys({VK_MENU, VK_RETURN});
  EXPECT_TRUE(TalkWindow(L"ミーティング - r"));
}

// Cancel and the close button end the run: no in record, nothing stored.
TEST_F(MeetingWindow, CancelOrCloseEndsTheRunWithoutEntering) {
  for (bool closeButton : {false, true}) {
    SCOPED_TRACE(closeButton ? "close button" : "cancel");
    MakeTalk(closeButton ? u"c.meeting" : u"k.meeting");
    Start();
    HWND dialog = Dialog(kStartTitle);
    ASSERT_TRUE(dialog);
    gui::TypeText(L"x");
    if (closeButton)
      PostMessageW(dialog, WM_CLOSE, 0, 0);
    else
      gui::ClickWindow(GetDlgItem(dialog, IDCANCEL));
    ASSERT_TRUE(gui::WaitUntil([&] { return ended_.load(); }));
    run_.join();
    EXPECT_FALSE(Stream(kDescriptionStream));
    EXPECT_FALSE(Stream(MessageStreamName(1)));
  }
}

// The rows of the member list: number, name, state as shown.
std::vector<std::wstring> Rows(HWND list) {
  std::vector<std::wstring> rows;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    std::wstring line;
    for (int sub : {1, 0, 2}) {
      wchar_t text[128] = {};
      LVITEMW item{};
      item.iSubItem = sub;
      item.pszText = text;
      item.cchTextMax = 128;
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
      line += (line.empty() ? L"" : L" ") + std::wstring(text);
    }
    rows.push_back(line);
  }
  return rows;
}

TEST_F(MeetingWindow, F4ListsTheMembersAndFollowsThemWhileOpen) {
  MakeTalk(u"list.meeting", u"user1");
  Append(1, u"in\tuser1");
  Append(2, u"in\tuser2");
  Append(3, u"out\tuser1");
  Start();
  HWND start = Dialog(kStartTitle);
  ASSERT_TRUE(start);
  gui::PressKeys({VK_MENU, VK_RETURN});
  ASSERT_TRUE(TalkWindow(L"ミーティング - list"));
  const std::wstring me = ToWide(UserName());
  ASSERT_TRUE(gui::WaitUntil([&] { return Stored(u"in\t" + UserName()); }));
  ASSERT_TRUE(gui::WaitUntil([&] {
    return TextOf(GetDlgItem(window_, IDC_INCOMING)).find(L"入室 " + me) != std::wstring::npos;
  }));

  Tap(VK_F4);
  HWND dialog = Dialog(L"OrinMirelon 参加メンバー一覧");
  ASSERT_TRUE(dialog);
  HWND list = GetDlgItem(dialog, IDC_MEMBER_LIST);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_MEMBER_COUNT)), L"参加人数: 3");
  EXPECT_EQ(Rows(list), (std::vector<std::wstring>{L"1 user1 退室", L"2 user2 入室", L"3 " + me + L" 入室"}));
  // Shown as 番号, 名前, 状態.
  int order[3] = {};
  SendMessageW(list, LVM_GETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order));
  EXPECT_EQ(std::vector<int>(order, order + 3), (std::vector<int>{1, 0, 2}));

  // Someone enters and someone leaves while the list is open.
  Append(5, u"in\tuser9");
  Append(6, u"out\tuser2");
  EXPECT_TRUE(gui::WaitUntil([&] {
    return Rows(list) == std::vector<std::wstring>{L"1 user1 退室", L"2 user2 退室", L"3 " + me + L" 入室", L"4 user9 入室"};
  })) << Rows(list).size();
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_MEMBER_COUNT)), L"参加人数: 3");
  Tap(VK_ESCAPE);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));

  // Closed, the list still follows the members: the next opening shows them.
  Append(7, u"out\tuser9");
  ASSERT_TRUE(gui::WaitUntil([&] {
    return TextOf(GetDlgItem(window_, IDC_INCOMING)).find(L"退室 user9") != std::wstring::npos;
  }));
  Tap(VK_F4);
  dialog = Dialog(L"OrinMirelon 参加メンバー一覧");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_MEMBER_COUNT)), L"参加人数: 4");
  EXPECT_EQ(Rows(GetDlgItem(dialog, IDC_MEMBER_LIST)).back(), L"4 user9 退室");
  Tap(VK_RETURN);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
}

TEST_F(MeetingWindow, F4InAPlainTalkDoesNothing) {
  MakeTalk(u"plain.talk");
  Start();
  ASSERT_TRUE(TalkWindow(L"トークモード - plain"));
  Tap(VK_F4);
  // A window the F4 would open would be there before the About box is.
  PostMessageW(window_, WM_COMMAND, CMD_ABOUT, 0);
  HWND about = Dialog(L"このプログラムについて");
  ASSERT_TRUE(about);
  EXPECT_FALSE(FindWindowW(nullptr, L"OrinMirelon 参加メンバー一覧"));
  Tap(VK_RETURN);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(about); }));
}

// --- Start-up files ---

// The text a message box of the talk window shows, and its OK pressed.
std::wstring AnswerMessageBox(DWORD thread) {
  HWND box = WaitForThreadWindow(thread, L"OrinMirelon");
  if (!box) return L"(no message)";
  gui::BringToForeground(box);
  std::wstring text = TextOf(GetDlgItem(box, 0xFFFF));
  if (text.empty()) text = TextOf(GetDlgItem(box, 100));
  Tap(VK_RETURN);
  gui::WaitUntil([&] { return !IsWindow(box); });
  return text;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What cmd hands the program from one line of a batch file: "%%" is "%",
// "^" outside quotes takes the next character, and an operator outside
// quotes would cut the command (none then).
std::optional<std::u16string> CmdReadsBatchLine(std::u16string_view line) {
  std::u16string command;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char16_t c = line[i];
    if (c == u'%') {
      if (i + 1 >= line.size() || line[i + 1] != u'%') return std::nullopt;
      ++i;
    } else if (c == u'"') {
      quoted = !quoted;
    } else if (!quoted && (c == u'&' || c == u'|' || c == u'<' || c == u'>')) {
      return std::nullopt;
    } else if (!quoted && c == u'^' && ++i < line.size()) {
      c = line[i];
    }
    command.push_back(c);
  }
  return command;
}

struct ShortcutFile {
  std::wstring path, arguments, folder, description;
};
std::optional<ShortcutFile> ReadShortcut(const std::u16string& file) {
  const ComApartment apartment;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.OutVoid())))
    return std::nullopt;
  ComPtr<IPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.OutVoid()))) return std::nullopt;
  if (FAILED(persist->Load(ToWide(file).c_str(), STGM_READ))) return std::nullopt;
  ShortcutFile s;
  wchar_t text[2048] = {};
  link->GetPath(text, 2048, nullptr, 0);
  s.path = text;
  link->GetArguments(text, 2048);
  s.arguments = text;
  link->GetWorkingDirectory(text, 2048);
  s.folder = text;
  link->GetDescription(text, 2048);
  s.description = text;
  return s;
}

class StartupFiles : public MeetingWindow {
 protected:
  // Command 110 from the system menu; types `name` into the save dialog.
  std::wstring Save(const std::u16string& name, std::wstring* offered = nullptr) {
    PostMessageW(window_, WM_SYSCOMMAND, CMD_STARTUP_FILE, 0);
    HWND dialog = Dialog(L"起動用ファイルの作成");
    if (!dialog) return L"(no dialog)";
    // The file name field has the focus, with the name offered.
    if (offered) *offered = TextOf(gui::FocusedWindow());
    Tap(VK_END);
    gui::PressKeys({VK_SHIFT, VK_HOME});
    gui::TypeText(ToWide(name));
    Tap(VK_RETURN);
    return AnswerMessageBox(thread_);
  }
};

TEST_F(StartupFiles, BatchAndShortcutReopenTheTalkWithItsTerminals) {
  MakeTalk(u"100% R&D.talk");
  const std::vector<std::u16string> terminals = {u"Port:COM97;Port2:NULL;Speed:38400;Protocol:2;User:R&D;",
                                                 u"Port:COM98;Port2:NULL;Speed:9600;Protocol:0;User:A B;"};
  Start(Environment(), terminals);
  ASSERT_TRUE(TalkWindow(L"トークモード - 100% R&D"));

  // Filter 1 and no extension: a batch file, in the ANSI code page.
  const std::u16string bat = dir_.File(u"起動");
  EXPECT_EQ(Save(bat), L"起動用バッチファイルを保存しました。\r\n" + ToWide(bat) + L".bat");
  const std::optional<std::string> bytes = ReadWholeFile(bat + u".bat", 10000);
  ASSERT_TRUE(bytes);
  const std::optional<std::u16string> line = AnsiToUtf16(*bytes);
  ASSERT_TRUE(line);
  const std::optional<std::u16string> command = CmdReadsBatchLine(*line);
  ASSERT_TRUE(command) << Utf16ToUtf8(*line);
  const CommandLine parsed = ParseCommandLine(*command);
  EXPECT_EQ(parsed.talkPath, talk_);
  EXPECT_EQ(parsed.connections, terminals);

  // The name is offered again; a shortcut keeps the command as it is.
  std::wstring offered;
  const std::u16string lnk = dir_.File(u"link.LNK");
  EXPECT_EQ(Save(lnk, &offered), L"起動用ショートカットファイルを保存しました。\r\n" + ToWide(lnk));
  EXPECT_TRUE(EndsWith(offered, L"起動.bat")) << offered;
  const std::optional<ShortcutFile> link = ReadShortcut(lnk);
  ASSERT_TRUE(link);
  EXPECT_EQ(link->description, L"OrinMirelon起動リンク");
  EXPECT_EQ(link->folder + L"win32_meetings_tests.exe", link->path);
  const CommandLine fromLink = ParseCommandLine(u"\"" + FromWide(link->path) + u"\" " + FromWide(link->arguments));
  EXPECT_EQ(fromLink.talkPath, talk_);
  EXPECT_EQ(fromLink.connections, terminals);

  // The last name, a shortcut, brings its filter back: a name without an
  // extension becomes a shortcut. Another extension writes nothing.
  EXPECT_EQ(Save(dir_.File(u"again"), &offered),
            L"起動用ショートカットファイルを保存しました。\r\n" + ToWide(dir_.File(u"again.lnk")));
  EXPECT_TRUE(EndsWith(offered, L"link.LNK")) << offered;
  EXPECT_TRUE(ReadShortcut(dir_.File(u"again.lnk")));
  EXPECT_EQ(Save(dir_.File(u"notes.txt")), L"起動用ファイルが作成できませんでした。\r\n" + ToWide(dir_.File(u"notes.txt")));
  EXPECT_FALSE(FileExists(dir_.File(u"notes.txt")));
}

// A character outside the ANSI code page cannot go into a batch file: it
// is refused with a pointer to the shortcut, which keeps it.
TEST_F(StartupFiles, ATalkNamedOutsideTheCodePageIsRefusedForBatchAndKeptInAShortcut) {
  MakeTalk(u"caf\u00E9 \u0E01.talk");
  Start();
  ASSERT_TRUE(TalkWindow(L"トークモード - caf\u00E9 \u0E01"));
  const std::u16string bat = dir_.File(u"s.bat");
  EXPECT_EQ(Save(bat), L"起動用ファイルが作成できませんでした。\r\n" + ToWide(bat) +
                           L"\r\nショートカットファイル（.lnk）で保存してください。");
  EXPECT_FALSE(FileExists(bat));
  const std::u16string lnk = dir_.File(u"s.lnk");
  EXPECT_EQ(Save(lnk), L"起動用ショートカットファイルを保存しました。\r\n" + ToWide(lnk));
  const std::optional<ShortcutFile> link = ReadShortcut(lnk);
  ASSERT_TRUE(link);
  EXPECT_EQ(ParseCommandLine(u"p " + FromWide(link->arguments)).talkPath, talk_);
}

// --- The talk as text ---

// The minutes of a meeting with a description, in and out records and a
// message of two lines, once this user entered as another member.
TEST_F(StartupFiles, TheTalkSavedAsTextIsWhatThePaneShowsAndAFailedSaveKeepsTheFile) {
  MakeTalk(u"議事.meeting", u"主催者", {u"in\t主催者", u"talk\t主催者さん 3/05 9:07\t予算の件\r二行目", u"out\t主催者"});
  WriteDescriptionStream(*store_, u"定例会\r", talk_);
  Start();
  ASSERT_TRUE(Dialog(kStartTitle));
  gui::PressKeys({VK_MENU, VK_RETURN});
  ASSERT_TRUE(TalkWindow(L"ミーティング - 議事"));
  const std::u16string me = UserName(), file = dir_.File(u"議事録.txt");
  ASSERT_TRUE(gui::WaitUntil([&] { return PaneText(GetDlgItem(window_, IDC_INCOMING)).find(ToWide(me)) != std::wstring::npos; }));
  const std::string expected = "\xEF\xBB\xBF" + Utf16ToUtf8(u"定例会\r\n\r\n1: 入室 主催者さん\r\n\r\n"
                                                             u"2: 主催者さん 3/05 9:07\r\n予算の件\r\n二行目\r\n\r\n"
                                                             u"3: 退室 主催者さん\r\n\r\n4: 入室 " + me + u"さん\r\n\r\n");
  // The system menu's item by its key; the name offered, then "議事録"
  // typed (".txt" is added).
  auto save = [&](std::wstring* offered) {
    gui::PressKeys({VK_MENU, VK_SPACE});
    Tap('T');
    HWND dialog = Dialog(L"トークをテキストで保存");
    wchar_t folder[MAX_PATH] = {};
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    if (offered) *offered = std::wstring(folder) + L"\\" + TextOf(gui::FocusedWindow());
    gui::PressKeys({VK_CONTROL, 'A'});
    gui::TypeText(ToWide(dir_.File(u"議事録")));
    Tap(VK_RETURN);
  };
  std::wstring offered;
  wchar_t documents[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents);
  sounds_.Take();
  save(&offered);
  EXPECT_EQ(offered, std::wstring(documents) + L"\\議事.txt");
  EXPECT_TRUE(gui::WaitUntil([&] {
    const Texts said = Spoken();
    return std::count(said.begin(), said.end(), u"保存しました") == 1;
  }));
  EXPECT_EQ(sounds_.Take(), std::vector<FeedbackSound>{FeedbackSound::kConfirm});
  EXPECT_EQ(ReadWholeFile(file, 1 << 20), expected);

  // The runner writes the same.
  gui::ChildProcess runner;
  ASSERT_TRUE(runner.Start(L"\"" + gui::BuildFolder() + L"\\app\\mirelon-cli.exe\" --save \"" +
                           ToWide(dir_.File(u"runner.txt")) + L"\" \"" + ToWide(talk_) + L"\""));
  EXPECT_EQ(runner.Wait(60000), 0);
  EXPECT_EQ(ReadWholeFile(dir_.File(u"runner.txt"), 1 << 20), expected);

  // A file another program holds is named in the message and keeps its
  // text; no temporary file is left.
  const std::vector<std::u16string> before = dir_.List();
  UniqueHandle held(CreateFileW(ToWide(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  save(nullptr);
  EXPECT_EQ(AnswerMessageBox(thread_), L"トークを保存できませんでした。\r\n" + ToWide(file));
  held.Close();
  EXPECT_EQ(ReadWholeFile(file, 1 << 20), expected);
  EXPECT_EQ(dir_.List(), before);
}

// F1 where no read-me lies beside the program (as beside this test) says
// where it should be.
TEST_F(StartupFiles, F1WithoutTheReadmeSaysWhereItShouldBe) {
  MakeTalk(u"h.talk");
  Start();
  ASSERT_TRUE(TalkWindow(L"トークモード - h"));
  Tap(VK_F1);
  EXPECT_EQ(AnswerMessageBox(thread_), L"はじめにお読みください.txt が見つかりません。\r\nプログラムと同じフォルダの次の場所にあるはずです。\r\n" +
                                           ToWide(ProgramFolder().value_or(u"") + kReadmeFileName));
}

}  // namespace
}  // namespace mirelon
#endif
