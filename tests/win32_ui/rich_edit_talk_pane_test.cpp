#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <memory>

#include <vector>

#include "talk/message_list.h"
#include "ui/header_navigation.h"
#include "ui/memory_talk_pane.h"
#include "ui/rich_edit_talk_pane_win32.h"
#include "ui/talk_view.h"

using namespace mirelon;

namespace {

// A RichEdit 2.0 control like the incoming pane, in this process.
class RichEditWindow {
 public:
  RichEditWindow() {
    LoadLibraryW(L"RichEd20.DLL");
    edit_ = CreateWindowExW(0, L"RichEdit20W", L"",
                            WS_POPUP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY |
                                ES_SAVESEL,
                            0, 0, 300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    // Narrow enough that long lines wrap: the pane's lines must still be
    // the text's CR-separated lines.
    SendMessageW(edit_, EM_SETTARGETDEVICE, 0, 0);
  }
  ~RichEditWindow() { DestroyWindow(edit_); }
  HWND get() const { return edit_; }

 private:
  HWND edit_;
};

// One talk shown through a TalkView into the given pane.
struct Shown {
  explicit Shown(TalkPane& pane) : view(pane) {}
  void Add(uint32_t number, std::u16string header, std::optional<std::u16string> body) {
    auto node = std::make_unique<MessageNode>();
    node->number = number;
    node->header = std::move(header);
    node->body = std::move(body);
    messages.Append(std::move(node));
  }
  void ShowNew() {
    std::vector<MessageNode*> nodes;
    while (MessageNode* node = messages.AdvanceCursor()) nodes.push_back(node);
    view.ShowMessages(nodes);
  }
  MessageList messages;
  TalkView view;
};

// The same messages, shown in a batch and one by one.
void ShowSample(Shown& s, TalkPane& pane) {
  s.view.ShowDescription(u"シェアセッションです。\r\n発言の一行目には名前を。");
  s.Add(1, u"user1さん 3/05 9:07", u"Hello");
  s.Add(2, u"", u"見出しの無い発言\r\n二行目\n三行目\r");
  s.Add(3, u"入室 端末一さん", std::nullopt);
  s.ShowNew();
  // The reader sits in the middle of the talk while more arrive.
  pane.SetSelection({12, 15});
  s.Add(4, u"guest2さん 3/05 9:10",
        u"とても長い一行の発言が折り返して表示されても、ペインの行は改行で区切られたままであること。"
        u"とても長い一行の発言が折り返して表示されても、ペインの行は改行で区切られたままであること。");
  s.Add(5, u"⠓⠑⠇⠇⠕ 点字", u"");
  s.ShowNew();
}

}  // namespace

TEST(RichEditTalkPane, ShowsTheSameAsTheMemoryPane) {
  RichEditWindow window;
  RichEditTalkPane rich(window.get());
  MemoryTalkPane memory;
  Shown onRich(rich), onMemory(memory);
  ShowSample(onRich, rich);
  ShowSample(onMemory, memory);

  ASSERT_EQ(rich.TextLength(), memory.TextLength());
  EXPECT_EQ(rich.Text(0, rich.TextLength()), memory.Text(0, memory.TextLength()));
  EXPECT_EQ(onRich.view.InsertionPosition(), rich.TextLength());
  EXPECT_EQ(onRich.view.InsertionPosition(), onMemory.view.InsertionPosition());
  EXPECT_EQ(rich.Selection(), memory.Selection());
  EXPECT_EQ(rich.Selection(), (PaneSelection{12, 15}));
  for (int p = 0; p <= rich.TextLength(); ++p) {
    ASSERT_EQ(rich.FormatAt(p), memory.FormatAt(p)) << "position " << p;
    ASSERT_EQ(rich.LineFromPosition(p), memory.LineFromPosition(p)) << "position " << p;
  }
  for (int line = 0; line <= memory.LineFromPosition(memory.TextLength()) + 1; ++line)
    EXPECT_EQ(rich.LineStart(line), memory.LineStart(line)) << "line " << line;
  // Reading formats leaves the reader's selection alone.
  EXPECT_EQ(rich.Selection(), (PaneSelection{12, 15}));

  MessageNode* a = onRich.messages.First();
  MessageNode* b = onMemory.messages.First();
  for (; a && b; a = MessageList::Next(a), b = MessageList::Next(b)) {
    EXPECT_EQ(a->startPosition, b->startPosition);
    EXPECT_EQ(a->bodyPosition, b->bodyPosition);
    EXPECT_EQ(rich.FormatAt(a->startPosition), (CharFormat{true, false}));
  }
  EXPECT_FALSE(a || b);

  // Header moves find the same lines on both.
  int last = rich.LineFromPosition(rich.TextLength());
  for (int line = 0; line <= last; ++line) {
    EXPECT_EQ(PreviousHeaderLine(rich, line), PreviousHeaderLine(memory, line));
    EXPECT_EQ(NextHeaderLine(rich, line, last), NextHeaderLine(memory, line, last));
  }
}

// A long talk shown in one batch, as a talk with history opens: far beyond
// the control's default limit, every position still exact.
TEST(RichEditTalkPane, ABatchOfTenThousandMessagesShowsAsInMemory) {
  RichEditWindow window;
  RichEditTalkPane rich(window.get());
  MemoryTalkPane memory;
  Shown onRich(rich), onMemory(memory);
  for (Shown* s : {&onRich, &onMemory}) {
    for (uint32_t n = 1; n <= 10000; ++n)
      s->Add(n, u"user" + std::u16string(1, static_cast<char16_t>(u'0' + n % 10)) + u"さん 3/05 9:07",
             n % 100 == 0 ? std::optional<std::u16string>() : u"本文 {\\} と\t記号 " + std::u16string(n % 7, u'字'));
    s->ShowNew();
  }
  ASSERT_GT(rich.TextLength(), 100000);
  ASSERT_EQ(rich.TextLength(), memory.TextLength());
  EXPECT_EQ(rich.Text(0, rich.TextLength()), memory.Text(0, memory.TextLength()));
  const int last = memory.LineFromPosition(memory.TextLength());
  for (int line = 0; line <= last + 1; ++line) ASSERT_EQ(rich.LineStart(line), memory.LineStart(line)) << line;
  const MessageNode* newest = nullptr;
  for (MessageNode *a = onRich.messages.First(), *b = onMemory.messages.First(); a && b;
       a = MessageList::Next(a), b = MessageList::Next(b)) {
    ASSERT_EQ(a->startPosition, b->startPosition);
    ASSERT_EQ(a->bodyPosition, b->bodyPosition);
    newest = a;
  }
  // Formats of the first and the last messages, header moves at the end,
  // and the newest message where the jump puts the caret.
  for (int p : {0, 1, 30, 40, 80}) EXPECT_EQ(rich.FormatAt(p), memory.FormatAt(p)) << p;
  for (int p = newest->startPosition - 200; p < rich.TextLength(); ++p) ASSERT_EQ(rich.FormatAt(p), memory.FormatAt(p)) << p;
  for (int line = last - 12; line <= last; ++line) {
    EXPECT_EQ(PreviousHeaderLine(rich, line), PreviousHeaderLine(memory, line));
    EXPECT_EQ(NextHeaderLine(rich, line, last), NextHeaderLine(memory, line, last));
  }
  rich.MoveCaret(newest->startPosition);
  EXPECT_EQ(rich.Selection(), (PaneSelection{newest->startPosition, newest->startPosition}));
  EXPECT_EQ(rich.Text(newest->startPosition, newest->startPosition + 7), u"10000: ");
}

TEST(RichEditTalkPane, UnderlinedMarkAndLineFeedsKeepPositions) {
  RichEditWindow window;
  RichEditTalkPane rich(window.get());
  rich.InsertText(0, u"1: a\r");
  rich.FormatRange(0, 5, CharFormat{true, true});
  EXPECT_EQ(rich.FormatAt(0), (CharFormat{true, true}));
  // Text inserted after a header does not take its format.
  rich.InsertText(5, u"body\r");
  EXPECT_EQ(rich.FormatAt(5), CharFormat{});
  // A line feed the control would merge into one paragraph mark must not
  // shift what follows: every unit inserted is one position.
  rich.InsertText(10, u"x\r\ny\nz");
  EXPECT_EQ(rich.TextLength(), 16);
  EXPECT_EQ(rich.Text(15, 16), u"z");
  EXPECT_EQ(rich.LineStart(rich.LineFromPosition(15)), 15);
}
#endif
