#include <gtest/gtest.h>

#include "ui/talk_window_title.h"

using namespace mirelon;

TEST(TalkWindowTitle, ModeFromExtensionNameWithoutFolderAndExtension) {
  EXPECT_EQ(TalkWindowTitle(u"C:\\talks\\朝会.talk"), u"トークモード - 朝会");
  EXPECT_EQ(TalkWindowTitle(u"C:\\talks\\Weekly.MEETING"), u"ミーティング - Weekly");
  EXPECT_EQ(TalkWindowTitle(u"Z:/tmp/room.Share"), u"シェアモード - room");
  // Any other extension is cut as well, under the program's own name.
  EXPECT_EQ(TalkWindowTitle(u"C:\\notes\\memo.txt"), u"ミレロン - memo");
  // A dot in a folder name is not an extension.
  EXPECT_EQ(TalkWindowTitle(u"C:\\a.b\\talk1"), u"ミレロン - talk1");
  EXPECT_EQ(TalkWindowTitle(u"talk1"), u"ミレロン - talk1");
  EXPECT_EQ(TalkWindowTitle(u"C:\\x\\.talk"), u"トークモード - ");
}
