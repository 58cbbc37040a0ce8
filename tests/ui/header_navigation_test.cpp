#include <gtest/gtest.h>

#include "ui/header_navigation.h"
#include "ui/memory_talk_pane.h"

using namespace mirelon;

namespace {

// Lines: 0 description, 1 empty, 2 header, 3 body, 4 empty, 5 header
// (marked), 6 body that starts bold-free, 7 empty, 8 the end.
MemoryTalkPane SampleTalk(int& end) {
  MemoryTalkPane pane;
  const std::u16string parts[] = {u"説明\r",      u"\r",  u"1: a\r", u"本文\r", u"\r",
                                  u"2: b\r",      u"x\r", u"\r"};
  int at = 0;
  for (const auto& part : parts) {
    pane.InsertText(at, part);
    at += static_cast<int>(part.size());
  }
  pane.FormatRange(pane.LineStart(2), pane.LineStart(3), CharFormat{true, false});
  pane.FormatRange(pane.LineStart(5), pane.LineStart(6), CharFormat{true, true});
  end = at;
  return pane;
}

}  // namespace

TEST(HeaderNavigation, StepsBetweenBoldLineStartsWithinTheTalk) {
  int end = 0;
  MemoryTalkPane pane = SampleTalk(end);
  const int endLine = pane.LineFromPosition(end);

  EXPECT_EQ(PreviousHeaderLine(pane, 7), pane.LineStart(5));
  EXPECT_EQ(PreviousHeaderLine(pane, 5), pane.LineStart(2));
  EXPECT_EQ(PreviousHeaderLine(pane, 3), pane.LineStart(2));
  // Nothing above the first header: the description is not one.
  EXPECT_EQ(PreviousHeaderLine(pane, 2), std::nullopt);
  EXPECT_EQ(PreviousHeaderLine(pane, 0), std::nullopt);

  EXPECT_EQ(NextHeaderLine(pane, 0, endLine), pane.LineStart(2));
  EXPECT_EQ(NextHeaderLine(pane, 2, endLine), pane.LineStart(5));
  EXPECT_EQ(NextHeaderLine(pane, 5, endLine), std::nullopt);
  // The search stops before the line of the insertion position.
  EXPECT_EQ(NextHeaderLine(pane, 0, 2), std::nullopt);
}

TEST(HeaderNavigation, BoldInsideALineIsNoHeader) {
  MemoryTalkPane pane;
  pane.InsertText(0, u"abc\rdef\r");
  pane.FormatRange(1, 3, CharFormat{true, false});
  EXPECT_EQ(NextHeaderLine(pane, -1, 2), std::nullopt);
  pane.FormatRange(4, 5, CharFormat{true, false});
  EXPECT_EQ(NextHeaderLine(pane, 0, 2), 4);
}
