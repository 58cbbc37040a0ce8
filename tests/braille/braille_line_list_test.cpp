#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "braille/braille_line_list.h"
#include "braille/text_to_braille.h"
#include "braille_test_util.h"
#include "support/fake_reading_provider.h"

using namespace mirelon;

namespace {

struct Line {
  std::u16string text;
  uint32_t messageNumber;
  uint32_t messageStart;
  bool operator==(const Line&) const = default;
};

std::vector<Line> Lines(const BrailleLineList& list) {
  std::vector<Line> out;
  for (const BrailleLine* l = list.First(); l; l = list.Next(l))
    out.push_back({l->text, l->messageNumber, l->messageStart});
  return out;
}

std::vector<std::u16string> Cut(std::u16string_view text) {
  BrailleLineList list;
  AppendBrailleLines(text, list, 0, 0);
  std::vector<std::u16string> out;
  for (const auto& l : Lines(list)) out.push_back(l.text);
  return out;
}

using Texts = std::vector<std::u16string>;

}  // namespace

TEST(BrailleLineList, HeaderThenBodyLines) {
  BrailleLineList list;
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.Sentinel().older.load(), &list.Sentinel());
  AppendBrailleLines(u"7: たなかさん 12/08 9:05\r", list, 7, 1);
  AppendBrailleLines(u"おはよう\rきょうは\rかいぎ", list, 7, 0);
  EXPECT_EQ(Lines(list), (std::vector<Line>{{u"7: たなかさん 12/08 9:05", 7, 1},
                                            {u"おはよう", 7, 0},
                                            {u"きょうは", 7, 0},
                                            {u"かいぎ", 7, 0}}));
  // Serial numbers grow by one per line, after the sentinel's.
  uint32_t serial = list.Sentinel().serial;
  for (const BrailleLine* l = list.First(); l; l = list.Next(l)) EXPECT_EQ(l->serial, ++serial);
  // Links both ways: the sentinel's older link is the newest line.
  const BrailleLine* newest = list.Newest();
  ASSERT_TRUE(newest);
  EXPECT_EQ(newest->text, u"かいぎ");
  EXPECT_EQ(newest->newer.load(), &list.Sentinel());
  EXPECT_EQ(newest->older.load()->text, u"きょうは");
  EXPECT_EQ(list.First()->older.load(), &list.Sentinel());
}

TEST(BrailleLineList, LineCutting) {
  EXPECT_EQ(Cut(u""), Texts{});
  EXPECT_EQ(Cut(u"ひとつ"), Texts{u"ひとつ"});
  EXPECT_EQ(Cut(u"a\rb\rc"), (Texts{u"a", u"b", u"c"}));
  EXPECT_EQ(Cut(u"a\r\nb\r\nc\r\n"), (Texts{u"a", u"b", u"c"}));
  EXPECT_EQ(Cut(u"a\nb\n"), (Texts{u"a", u"b"}));
  // An empty line is not made on its own: its line end starts the next line.
  EXPECT_EQ(Cut(u"a\r\rb"), (Texts{u"a", u"\rb"}));
  EXPECT_EQ(Cut(u"\rb"), Texts{u"\rb"});
  EXPECT_EQ(Cut(u"\r"), Texts{u"\r"});
  EXPECT_EQ(Cut(u"a\n\rb"), (Texts{u"a", u"\rb"}));  // LF then CR is two line ends
}

TEST(BrailleLineList, WithoutTheTranslatorTheKanaConverterWrites) {
  ZerinClose();
  BrailleLineList list;
  AppendBrailleLines(u"ABC 12えん\r漢字", list, 3, 0);
  const BrailleLine* first = list.First();
  ASSERT_TRUE(first);
  EXPECT_EQ(AsUnicode(first->Braille()), u"⠰⠠⠠⠁⠃⠉⠀⠼⠁⠃⠤⠋⠴");  // option 3: numbers and letters
  const BrailleLine* second = list.Next(first);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Braille(), nullptr);  // no cells: no braille
}

TEST(BrailleLineList, TheTranslatorWritesWhenOpen) {
  auto provider = std::make_unique<FakeReadingProvider>();
  provider->Add(u"今日", {Word(u"今日", u"キョウ", u"キョー")});
  ASSERT_TRUE(ZerinOpenWith(std::move(provider)));
  BrailleLineList list;
  AppendBrailleLines(u"今日", list, 1, 1);
  ZerinClose();
  ASSERT_TRUE(list.First());
  EXPECT_EQ(AsUnicode(list.First()->Braille()), u"⠈⠪⠒");
}

TEST(BrailleLineList, ReaderOnAnotherThreadSeesOnlyCompleteLines) {
  ZerinClose();
  BrailleLineList list;
  constexpr int kMessages = 300;
  std::atomic<bool> done{false};
  std::atomic<int> faults{0};
  std::thread reader([&] {
    size_t seen = 0;
    while (true) {
      bool finished = done.load(std::memory_order_acquire);
      size_t count = 0;
      uint32_t serial = list.Sentinel().serial;
      for (const BrailleLine* l = list.First(); l; l = list.Next(l)) {
        // Every reachable line is whole: text, braille and links set.
        if (l->serial <= serial || l->text.size() != 4 || !l->Braille() || l->newer.load() == l)
          ++faults;
        serial = l->serial;
        ++count;
      }
      if (count < seen) ++faults;  // links only grow
      seen = count;
      if (finished) break;
    }
    if (seen != 2 * kMessages) ++faults;
  });
  for (int m = 1; m <= kMessages; ++m)
    AppendBrailleLines(u"あいうえ\rかきくけ", list, static_cast<uint32_t>(m), 0);
  done.store(true, std::memory_order_release);
  reader.join();
  EXPECT_EQ(faults.load(), 0);
}

TEST(BrailleLineList, SystemTranslatorOrTheFallback) {
  // Under Wine the IME's reading interface is missing and the open fails;
  // on Linux and on Japanese Windows it succeeds. Either way the lines get
  // their braille.
  int opened = ZerinOpen();
  EXPECT_EQ(opened != 0, ZerinIsOpen());
  BrailleLineList list;
  AppendBrailleLines(u"はい。", list, 1, 0);
  ZerinClose();
  ASSERT_TRUE(list.First());
  EXPECT_EQ(AsUnicode(list.First()->Braille()), u"⠥⠃⠲");
}
