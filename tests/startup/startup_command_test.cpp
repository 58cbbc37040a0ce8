#include <gtest/gtest.h>

#include "app/command_line.h"
#include "startup/startup_command.h"

using namespace mirelon;

TEST(StartupCommand, ExactText) {
  const std::u16string program = u"C:\\Program Files\\Orin\\Mirelon.exe";
  EXPECT_EQ(BuildStartupCommand(program, u"D:\\talks\\a.talk", {}),
            u"\"C:\\Program Files\\Orin\\Mirelon.exe\" \"D:\\talks\\a.talk\" ");
  EXPECT_EQ(BuildStartupCommand(program, u"a.talk",
                                {u"Port:COM3;Port2:NULL;Speed:38400;Protocol:2;User:user1;",
                                 u"Port:COM4;User:A B;"}),
            u"\"C:\\Program Files\\Orin\\Mirelon.exe\" \"a.talk\" "
            u"/t{Port:COM3;Port2:NULL;Speed:38400;Protocol:2;User:user1;} "
            u"\"/t{Port:COM4;User:A B;}\" ");
}

TEST(StartupCommand, RoundTripsThroughTheCommandLineParser) {
  const std::u16string talk = u"\\\\server\\share\\My Talks\\\u4F1A\u8B70 1.meeting";
  const std::vector<std::u16string> descriptions = {
      u"Port:COM3;Port2:NULL;Speed:38400;Protocol:2;User:user1;",
      u"Port:COM4;User:A B;",
      u"User:tab\there;",
      u"User:cr\rlf\n;",
      u"",
      u"  ",
      u"{}}{/t{x}",
      u"/tUser:x;",
  };
  const auto parsed = ParseCommandLine(BuildStartupCommand(u"C:\\Mirelon.exe", talk, descriptions));
  ASSERT_TRUE(parsed.talkPath);
  EXPECT_EQ(*parsed.talkPath, talk);
  EXPECT_EQ(parsed.connections, descriptions);
}

TEST(StartupCommand, QuotesInADescriptionDoNotSwallowTheRest) {
  const auto parsed = ParseCommandLine(
      BuildStartupCommand(u"p.exe", u"a.talk", {u"User:say \"hi;", u"User:\"q\";", u"Port:COM5;"}));
  EXPECT_EQ(*parsed.talkPath, u"a.talk");
  EXPECT_EQ(parsed.connections,
            (std::vector<std::u16string>{u"User:say hi;", u"User:q;", u"Port:COM5;"}));
}
