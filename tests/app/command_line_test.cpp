#include <gtest/gtest.h>

#include "app/command_line.h"

using namespace mirelon;

TEST(CommandLine, TokensQuotesAndSeparators) {
  auto t = TokenizeCommandLine(u"  prog.exe\t\"C:\\My Talks\\a.talk\"\r\nnext\"x y\"z ");
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0], u"prog.exe");
  EXPECT_EQ(t[1], u"\"C:\\My Talks\\a.talk\"");
  // A quote opens quoting inside a token; the closing quote ends the token.
  EXPECT_EQ(t[2], u"next\"x y\"");
  EXPECT_EQ(t[3], u"z");
  EXPECT_TRUE(TokenizeCommandLine(u" \t\r\n").empty());
  // Unbalanced quote: quoting runs to the end.
  auto u = TokenizeCommandLine(u"p \"a b");
  ASSERT_EQ(u.size(), 2u);
  EXPECT_EQ(u[1], u"\"a b");
}

TEST(CommandLine, TalkPathAndTerminals) {
  auto cl = ParseCommandLine(
      u"\"C:\\prog.exe\" first.talk \"C:\\My Talks\\b.talk\" /t{Port:COM4;Speed:9600;} "
      u"/TPort:COM5; /x /t{abc /t{}");
  ASSERT_TRUE(cl.talkPath);
  EXPECT_EQ(*cl.talkPath, u"C:\\My Talks\\b.talk");
  ASSERT_EQ(cl.connections.size(), 4u);
  EXPECT_EQ(cl.connections[0], u"Port:COM4;Speed:9600;");
  EXPECT_EQ(cl.connections[1], u"Port:COM5;");
  EXPECT_EQ(cl.connections[2], u"abc");
  EXPECT_EQ(cl.connections[3], u"");
}

TEST(CommandLine, UnquotedSpaceCutsTheDescription) {
  auto cl = ParseCommandLine(u"p a.talk /t{Port:COM3;User:A B;}");
  ASSERT_EQ(cl.connections.size(), 1u);
  EXPECT_EQ(cl.connections[0], u"Port:COM3;User:A");
  EXPECT_EQ(*cl.talkPath, u"B;}");
  // Quoted, the same description survives whole.
  cl = ParseCommandLine(u"p a.talk \"/t{Port:COM3;User:A B;}\"");
  EXPECT_EQ(*cl.talkPath, u"a.talk");
  EXPECT_EQ(cl.connections.at(0), u"Port:COM3;User:A B;");
}

TEST(CommandLine, NoArgumentsAndEmptyTokens) {
  auto cl = ParseCommandLine(u"prog.exe");
  EXPECT_FALSE(cl.talkPath);
  EXPECT_TRUE(cl.connections.empty());
  cl = ParseCommandLine(u"prog.exe a.talk \"\"");
  EXPECT_EQ(*cl.talkPath, u"a.talk");  // an empty token names nothing
  // Split by a POSIX system: absolute paths are talk paths, not options.
  cl = ParseArguments({u"/t{}", u"/tmp/x.meeting", u"\"/t{P:1}\"", u"/T{Q}"});
  EXPECT_EQ(*cl.talkPath, u"/tmp/x.meeting");
  ASSERT_EQ(cl.connections.size(), 3u);
  EXPECT_EQ(cl.connections[0], u"");
  EXPECT_EQ(cl.connections[1], u"P:1");
  EXPECT_EQ(cl.connections[2], u"Q");
  cl = ParseArguments({u"/home/a b/t.talk", u"/x"});
  EXPECT_EQ(*cl.talkPath, u"/x");
}

TEST(CommandLine, VeryLongTokens) {
  std::u16string path(10000, u'a');
  std::u16string desc(10000, u'b');
  auto cl = ParseCommandLine(u"p " + path + u" /t{" + desc + u"}");
  EXPECT_EQ(*cl.talkPath, path);
  EXPECT_EQ(cl.connections.at(0), desc);
}
