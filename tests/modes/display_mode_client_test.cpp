// The display-mode client against the terminal simulator on an in-memory
// line: every key goes out as a key frame, and what the program sends back
// (display frames decoded into cells and marks, announcements, signals) is
// compared.
#include "modes/display_mode_client.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/ref_ptr.h"
#include "base/utf.h"
#include "braille/cells.h"
#include "client/client_registry.h"
#include "modes/wire_protocol.h"
#include "support/fast_timing.h"
#include "support/client_rig.h"
#include "talk_lines.h"

using namespace mirelon;
using mirelon::testing::AddLine;
using mirelon::testing::Shows;
using mirelon::testing::WordCells;

namespace {

using Bytes = std::vector<uint8_t>;

// A display frame's payload read back: cells and overlay in library layout.
struct Display {
  Bytes cells;
  Bytes overlay;
  int MarkAt(uint8_t mark) const {
    for (size_t i = 0; i < overlay.size(); ++i)
      if ((overlay[i] & mark) == mark) return static_cast<int>(i);
    return -1;
  }
  int CursorAt() const { return MarkAt(0x88); }
  int EndMarkAt() const { return MarkAt(0x0D); }
};

Display Decode(const ReceivedFrame& frame) {
  Display d;
  const size_t n = frame.payload.size() / 2;
  for (size_t i = 0; i < n; ++i) d.cells.push_back(SwapCellLayout(frame.payload[i]));
  for (size_t i = n; i < 2 * n; ++i) d.overlay.push_back(SwapCellLayout(frame.payload[i]));
  return d;
}

Bytes Utf8Z(std::u16string_view text) {
  const std::string s = Utf16ToUtf8(text);
  Bytes b(s.begin(), s.end());
  b.push_back(0);
  return b;
}

constexpr uint8_t kWord = 0x04;

struct DisplayClientTest : ::testing::Test {
  ClientRig rig;
  TerminalSimulator& sim = rig.Terminal(u"COM3");
  BrailleLineList& list = rig.lines;
  std::shared_ptr<RecordingTalkSink> sink = rig.sink;
  RefPtr<CQZClient_DisplayMode> client;
  size_t seen = 0;  // frames already looked at

  // Connects a client of `protocol` and checks the opening sequence: the
  // identity, the session, the view opening and the current line.
  void Connect(int protocol, uint8_t cells = 40) {
    sim.SetCellCount(cells);
    sim.RaiseLines();
    client = RefPtr<CQZClient_DisplayMode>(new CQZClient_DisplayMode(rig.Setup(), u"はなこ", protocol == 1));
    client->SetConnection(u"COM3", u"NULL", 19200, protocol);
    ASSERT_TRUE(client->Start());
    Expect({FRAME_IDENTIFY, FRAME_SESSION, FRAME_VIEW_OPEN, FRAME_DISPLAY});
    const auto frames = sim.frames();
    EXPECT_EQ(frames[1].parameter, 1);
    EXPECT_EQ(frames[2].payload, (Bytes{0x00, 0x01}));
    EXPECT_EQ(frames[3].payload.size(), 2u * cells);
  }
  void TearDown() override {
    if (client) client->Stop();
  }

  // The next frames the terminal receives must have these commands.
  std::vector<ReceivedFrame> Expect(const Bytes& commands) {
    const size_t want = seen + commands.size();
    EXPECT_TRUE(sim.WaitForFrames(want, 10000)) << "waiting for " << commands.size() << " frames";
    auto frames = sim.frames();
    std::vector<ReceivedFrame> got(frames.begin() + static_cast<long>(std::min(seen, frames.size())),
                                   frames.begin() + static_cast<long>(std::min(want, frames.size())));
    Bytes kinds;
    for (const auto& f : got) kinds.push_back(f.command);
    EXPECT_EQ(kinds, commands);
    seen = want;
    return got;
  }
  // A key: sent, and the frames it causes awaited and checked.
  std::vector<ReceivedFrame> Key(uint8_t kind, uint8_t code, uint8_t mods, const Bytes& answer) {
    sim.SendFrame(FRAME_KEY, 0, {kind, code, mods, 0});
    return Expect(answer);
  }
  Display KeyShows(uint8_t kind, uint8_t code, uint8_t mods = 0) {
    auto frames = Key(kind, code, mods, {FRAME_DISPLAY});
    return frames.empty() ? Display{} : Decode(frames.back());
  }
  // A move to another line: its display and its announcement.
  Display MoveShows(uint8_t kind, uint8_t code, uint8_t mods, std::u16string_view announced) {
    auto frames = Key(kind, code, mods, {FRAME_DISPLAY, FRAME_ANNOUNCE});
    if (frames.size() != 2) return {};
    EXPECT_EQ(frames[1].parameter, 2);
    EXPECT_EQ(frames[1].payload, Utf8Z(announced));
    return Decode(frames[0]);
  }
  void Refused(uint8_t kind, uint8_t code, uint8_t mods = 0) {
    auto frames = Key(kind, code, mods, {FRAME_SIGNAL});
    if (!frames.empty()) {
      EXPECT_EQ(frames[0].payload, (Bytes{0x2D, 0x47, 0x31, 0x36, 0x00}));
    }
  }
  void Modifiers(bool on, uint8_t bits) {
    sim.SendFrame(on ? FRAME_MODIFIERS_ON : FRAME_MODIFIERS_OFF, 0, {0, 0, bits, 0});
  }
  std::vector<ReceivedFrame> CommandKey(char letter, const Bytes& answer) {
    sim.SendFrame(FRAME_COMMAND_KEY, 0, {1, static_cast<uint8_t>(letter), 0, 0});
    return Expect(answer);
  }
  // A cell typed into a field (library layout; a blank as no dots).
  void Type(uint8_t cell) {
    KeyShows(KeyEvent::kChord, IsBlankCell(cell) ? 0 : SwapCellLayout(cell));
  }
};

}  // namespace

TEST_F(DisplayClientTest, LayoutAndPanningAcrossLinesOnTheWire) {
  const Bytes words = WordCells(100, 5);
  const Bytes solid(50, 0x3F);
  AddLine(list, 1, true, u"1: ながい", words);
  AddLine(list, 1, false, u"⠁⠃", solid);
  Connect(1);
  // The newest line is shown at the opening: 50 cells cut hard at 40.
  EXPECT_EQ(Decode(sim.frames()[3]).cells, Shows(solid, 0, 40, 40));
  EXPECT_EQ(KeyShows(KeyEvent::kPan, 0, KeyEvent::kForward).cells, Shows(solid, 40, 10, 40));
  Refused(KeyEvent::kPan, 0, KeyEvent::kForward);

  // Back at the start of the line: the last page of the previous one. The
  // announcement reads braille in the text as kana.
  KeyShows(KeyEvent::kPan, 0, KeyEvent::kBackward);
  Display d = MoveShows(KeyEvent::kPan, 0, KeyEvent::kBackward, u"1: ながい");
  EXPECT_EQ(d.cells, Shows(words, 60, 40, 40));
  EXPECT_EQ(d.CursorAt(), -1);
  KeyShows(KeyEvent::kPan, 0, KeyEvent::kBackward);
  d = KeyShows(KeyEvent::kPan, 0, KeyEvent::kBackward);
  EXPECT_EQ(d.cells, Shows(words, 0, 36, 40)) << "words are not broken at the edge";
  KeyShows(KeyEvent::kPan, 0, KeyEvent::kForward);
  KeyShows(KeyEvent::kPan, 0, KeyEvent::kForward);
  d = MoveShows(KeyEvent::kPan, 0, KeyEvent::kForward, u"アイ");
  EXPECT_EQ(d.cells, Shows(solid, 0, 40, 40)) << "the next line from its start";
  EXPECT_EQ(client->GetCurrentMessage(), list.Newest());
}

TEST_F(DisplayClientTest, MessagesBookmarksAndNumbers) {
  for (uint32_t n : {99u, 100u, 123u}) {
    AddLine(list, n, true, u"header " + Utf8ToUtf16Lenient(std::to_string(n)), {0x11, 0x80, 0x21});
    AddLine(list, n, false, u"body", {0x12});
  }
  Connect(0);
  // Dot 7 from the body of the newest message: its header.
  MoveShows(KeyEvent::kChord, 0x10, 0, u"header 123");
  MoveShows(KeyEvent::kCursor, 1, kWord, u"header 100");

  // Bookmark: set, removed, set again; alone on the current line it is
  // found in neither direction.
  Key(KeyEvent::kChord, 0xC0, kWord, {FRAME_ANNOUNCE});
  auto removed = Key(KeyEvent::kChord, 0xC0, kWord, {FRAME_ANNOUNCE});
  EXPECT_EQ(removed.at(0).payload, Utf8Z(u"ブックマークを解除しました。"));
  auto set = Key(KeyEvent::kChord, 0xC0, kWord, {FRAME_ANNOUNCE});
  EXPECT_EQ(set.at(0).payload, Utf8Z(u"ブックマークを設定しました。"));
  CommandKey('w', {FRAME_SIGNAL});
  Modifiers(true, kWord);
  CommandKey('w', {FRAME_SIGNAL});
  Modifiers(false, kWord);
  MoveShows(KeyEvent::kCursor, 2, 0, u"body");
  Modifiers(true, kWord);
  sim.SendFrame(FRAME_COMMAND_KEY, 0, {1, 'w', 0, 0});
  Expect({FRAME_DISPLAY, FRAME_ANNOUNCE});
  EXPECT_EQ(client->GetCurrentMessage()->messageNumber, 100u);
  Modifiers(false, kWord);

  // Number entry starts with the current message's number; 100 - 1 = 99.
  auto start = Key(KeyEvent::kChord, 0xCC, kWord, {FRAME_DISPLAY, FRAME_DISPLAY, FRAME_ANNOUNCE});
  ASSERT_EQ(start.size(), 3u);
  Display number = Decode(start[1]);
  Bytes prefix(EditField::kNumberPrefix.begin(), EditField::kNumberPrefix.end());
  prefix[7] = 0;  // its blank is shown empty
  EXPECT_EQ(Bytes(number.cells.begin(), number.cells.begin() + 8), prefix);
  EXPECT_EQ(Bytes(number.cells.begin() + 8, number.cells.begin() + 12),
            (Bytes{EditField::kNumberSign, EditField::kDigitCells[1], EditField::kDigitCells[0],
                   EditField::kDigitCells[0]}));
  EXPECT_EQ(number.CursorAt(), 12);
  EXPECT_EQ(start[2].payload, Utf8Z(u"番号入力"));
  number = KeyShows(KeyEvent::kPan, 0, KeyEvent::kBackward);
  EXPECT_EQ(number.cells[9], EditField::kDigitCells[9]);
  EXPECT_EQ(number.cells[10], EditField::kDigitCells[9]);
  EXPECT_EQ(number.cells[11], 0);
  MoveShows(KeyEvent::kChord, 0x10, 0, u"header 99");

  // A number nobody wrote: the signal, then the current line again.
  Key(KeyEvent::kRouting, 1, 1, {FRAME_DISPLAY, FRAME_DISPLAY, FRAME_ANNOUNCE});
  KeyShows(KeyEvent::kPan, 0, KeyEvent::kForward);  // 100
  KeyShows(KeyEvent::kPan, 0, KeyEvent::kForward);  // 101
  auto missing = Key(KeyEvent::kChord, 0x10, 0, {FRAME_SIGNAL, FRAME_DISPLAY});
  ASSERT_EQ(missing.size(), 2u);
  EXPECT_EQ(Decode(missing[1]).cells[0], 0x11);
  EXPECT_EQ(Decode(missing[1]).CursorAt(), -1);

  // Protocol 0: the posting keys do nothing at all; the next frame on the
  // line is the answer to the key after them.
  sim.SendFrame(FRAME_KEY, 0, {KeyEvent::kChord, 0x01, 0, 0});
  sim.SendFrame(FRAME_KEY, 0, {KeyEvent::kChord, 0xC8, kWord, 0});
  sim.SendFrame(FRAME_KEY_OTHER, 0, {1, 2, 3});
  Refused(KeyEvent::kCursor, 1, kWord);
  EXPECT_EQ(client->mode().State(), DisplayState::kViewing);
}

TEST_F(DisplayClientTest, IncrementsAndDecrementsAtTheLimits) {
  AddLine(list, 123, true, u"123", {0x11});
  Connect(1);
  Key(KeyEvent::kChord, 0xCC, kWord, {FRAME_DISPLAY, FRAME_DISPLAY, FRAME_ANNOUNCE});
  Display d = KeyShows(KeyEvent::kCursor, 1);  // 124, the cursor on the 4
  EXPECT_EQ(d.cells[11], EditField::kDigitCells[4]);
  EXPECT_EQ(d.CursorAt(), 11);
  // 999 -> 1000 with the cursor on the last 0.
  KeyShows(KeyEvent::kCursor, 9);
  for (int i = 0; i < 3; ++i) KeyShows(KeyEvent::kEdit, 4);
  for (int i = 0; i < 3; ++i) Type(EditField::kDigitCells[9]);
  d = KeyShows(KeyEvent::kPan, 0, KeyEvent::kForward);
  EXPECT_EQ(Bytes(d.cells.begin() + 9, d.cells.begin() + 13),
            (Bytes{EditField::kDigitCells[1], EditField::kDigitCells[0], EditField::kDigitCells[0],
                   EditField::kDigitCells[0]}));
  EXPECT_EQ(d.CursorAt(), 12);
  // 0 cannot go lower, 99999999 not higher.
  KeyShows(KeyEvent::kCursor, 9);
  for (int i = 0; i < 4; ++i) KeyShows(KeyEvent::kEdit, 4);
  Type(EditField::kDigitCells[0]);
  Refused(KeyEvent::kCursor, 2);
  KeyShows(KeyEvent::kEdit, 4);
  for (int i = 0; i < 8; ++i) Type(EditField::kDigitCells[9]);
  Refused(KeyEvent::kCursor, 1);
  Refused(KeyEvent::kChord, SwapCellLayout(0x70));  // dots 1-2-3: not a digit
  auto cancel = Key(KeyEvent::kEdit, 1, 0, {FRAME_DISPLAY, FRAME_ANNOUNCE});
  EXPECT_EQ(cancel.at(1).payload, Utf8Z(u"キャンセル"));
  // FF FF 64 02 10 00, then the five katakana in 15 bytes and the NUL.
  EXPECT_EQ(cancel.at(1).payload.size(), 16u);
}

TEST_F(DisplayClientTest, KeywordSearchesAndPostingOnTheWire) {
  AddLine(list, 1, true, u"1: あ", {0x11, 0x80, 0x21});
  AddLine(list, 1, false, u"ねこ", {0x14, 0x23, 0x24});
  AddLine(list, 2, true, u"2: い", {0x15, 0x80, 0x22});
  AddLine(list, 2, false, u"こねこ", {0x23, 0x24, 0x16, 0x23, 0x24});
  AddLine(list, 2, false, u"おわり", {0x31});
  Connect(1);
  CommandKey('r', {});  // no keyword yet: nothing
  auto started = Key(KeyEvent::kChord, 0xC8, kWord, {FRAME_DISPLAY, FRAME_ANNOUNCE});
  EXPECT_EQ(started.at(1).payload, Utf8Z(u"キーワード編集"));
  Type(0x23);
  Type(0x24);
  // Dot 7: from the top; the cursor on the occurrence, the end mark after
  // the text.
  Display d = MoveShows(KeyEvent::kChord, 0x10, 0, u"ねこ");
  EXPECT_EQ(d.CursorAt(), 1);
  EXPECT_EQ(d.EndMarkAt(), 3);
  d = Decode(CommandKey('r', {FRAME_DISPLAY, FRAME_ANNOUNCE}).at(0));  // forward
  EXPECT_EQ(d.CursorAt(), 0);
  CommandKey('r', {FRAME_SIGNAL});
  Modifiers(true, 0x10);  // backward, from the last occurrence
  d = Decode(CommandKey('r', {FRAME_DISPLAY, FRAME_ANNOUNCE}).at(0));
  EXPECT_EQ(d.CursorAt(), 1);
  EXPECT_EQ(client->GetCurrentMessage()->text, u"ねこ");
  Modifiers(true, 0x04);  // from the top wins
  CommandKey('r', {FRAME_DISPLAY, FRAME_ANNOUNCE});
  EXPECT_EQ(client->GetCurrentMessage()->text, u"ねこ");
  Modifiers(false, 0x14);

  // Editing and posting: the record goes to the talk, the display stays.
  auto editing = Key(KeyEvent::kChord, 0x01, 0, {FRAME_DISPLAY, FRAME_ANNOUNCE});
  EXPECT_EQ(editing.at(1).payload, Utf8Z(u"編集開始"));
  d = Decode(editing.at(0));
  EXPECT_EQ(d.CursorAt(), 0);
  EXPECT_EQ(d.EndMarkAt(), 0);
  Type(0x10);
  Type(0x30);
  int start = -1, end = -1;
  std::optional<Bytes> edited;
  // The copy for other threads is made right after the display went out.
  ASSERT_TRUE(Eventually([&] {
    edited = client->GetEditLine(&start, &end);
    return edited && edited->size() == 2;
  }));
  EXPECT_EQ(*edited, (Bytes{0x10, 0x30}));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 2);
  d = KeyShows(KeyEvent::kChord, 0x10);
  EXPECT_EQ(d.cells[0], 0x14) << "back on the current line";
  EXPECT_EQ(client->GetCurrentMessage()->text, u"ねこ");
  EXPECT_TRUE(Eventually([&] { return !client->GetEditLine(nullptr, nullptr).has_value(); }));
  ASSERT_TRUE(sink->WaitForRecords(1));
  EXPECT_EQ(sink->records(), std::vector<std::u16string>{u"talk\tはなこさん 3/07 9:05\t⠁⠃"});
}

TEST_F(DisplayClientTest, ClosingSendsStopThenCloseAndReconnectingShowsTheLine) {
  AddLine(list, 1, true, u"1: あ", {0x11});
  AddLine(list, 1, false, u"い", {0x12});
  Connect(1);
  using Presence = RecordingTalkSink::Presence;
  EXPECT_EQ(sink->presence(), (std::vector<Presence>{{u"はなこ", false}}));
  Key(KeyEvent::kChord, 0x01, 0, {FRAME_DISPLAY, FRAME_ANNOUNCE});
  Modifiers(true, 0x04);
  sim.SendFrame(FRAME_DISCONNECT, 0, {});
  Expect({FRAME_VIEW_STOP, FRAME_VIEW_CLOSE});
  ASSERT_TRUE(Eventually([&] { return client->GetStatusText() == u"切断"; }));
  EXPECT_EQ(sink->presence(), (std::vector<Presence>{{u"はなこ", false}, {u"はなこ", true}}));

  // The state survives; the new connection shows the current line on the
  // new display size and forgets the modifiers.
  sim.SetCellCount(20);
  client->PostCommand({CMD_CLIENT_OPEN_PORT, 0});
  auto frames = Expect({FRAME_IDENTIFY, FRAME_SESSION, FRAME_VIEW_OPEN, FRAME_DISPLAY});
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(Decode(frames[3]).cells, Shows({0x12}, 0, 1, 20));
  EXPECT_EQ(client->mode().State(), DisplayState::kEditing);
  // Without the modifier "v" is next message: there is none, so the field
  // gives way to the current line again.
  CommandKey('v', {FRAME_SIGNAL, FRAME_DISPLAY});
  EXPECT_EQ(client->mode().State(), DisplayState::kViewing);
}

TEST(DisplayClientRegistry, ProtocolsZeroAndOneMakeDisplayClients) {
  ClientRig rig;  // knows no ports: nothing opens
  ClientRegistry registry;
  registry.SetTalk(rig.Setup(), false);
  for (int protocol : {0, 1}) {
    ConnectionRecord record;
    record.port = u"NULL";
    record.port2 = u"NULL";
    record.speed = 9600;
    record.protocol = protocol;
    ClientNode* node = registry.CreateClient(record);
    ASSERT_NE(node, nullptr);
    auto* display = dynamic_cast<CQZClient_DisplayMode*>(node->client.get());
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->mode().PostingAllowed(), protocol == 1);
    EXPECT_EQ(display->GetProtocol(), protocol);
  }
  EXPECT_EQ(registry.Count(), 2);
}
