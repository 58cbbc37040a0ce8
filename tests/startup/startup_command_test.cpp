#include <gtest/gtest.h>

#include "app/command_line.h"
#include "base/utf.h"
#include "startup/startup_command.h"
#include "startup/startup_file.h"

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

// What cmd makes of one batch line before the program sees it: "%%" is
// one "%" (a lone "%" would start a variable), and outside quotes "^"
// takes the next character as it is while & | < > are operators that
// would cut the command (none: the program would not get the line).
static std::optional<std::u16string> CmdReadsBatchLine(std::u16string_view line) {
  std::u16string expanded;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != u'%') {
      expanded.push_back(line[i]);
      continue;
    }
    if (i + 1 >= line.size() || line[i + 1] != u'%') return std::nullopt;
    expanded.push_back(u'%');
    ++i;
  }
  std::u16string command;
  bool quoted = false;
  for (size_t i = 0; i < expanded.size(); ++i) {
    const char16_t c = expanded[i];
    if (c == u'"') quoted = !quoted;
    if (!quoted && (c == u'&' || c == u'|' || c == u'<' || c == u'>')) return std::nullopt;
    if (!quoted && c == u'^') {
      if (++i < expanded.size()) command.push_back(expanded[i]);
      continue;
    }
    command.push_back(c);
  }
  return command;
}

TEST(BatchCommand, CmdHandsTheProgramTheSameTalkAndTerminals) {
  struct Case {
    std::u16string program, talk;
    std::vector<std::u16string> descriptions;
  } cases[] = {
      {u"C:\\Mirelon\\mirelon.exe", u"D:\\talks\\a.talk", {}},
      {u"C:\\100% tools\\mirelon.exe", u"D:\\50%off\\%PATH%.meeting", {u"User:%USERNAME%;"}},
      {u"C:\\a&b\\mirelon.exe", u"D:\\Tom & Jerry\\x^y (1).share",
       {u"Port:COM3;User:R&D;", u"User:a|b;", u"User:<x>;", u"User:^;", u"User:q \"&\" r;",
        u"Port:COM4;Port2:NULL;Speed:38400;Protocol:2;User:hanako;"}},
  };
  for (const Case& c : cases) {
    const std::optional<std::u16string> line = BuildBatchCommand(c.program, c.talk, c.descriptions);
    ASSERT_TRUE(line);
    const std::optional<std::u16string> command = CmdReadsBatchLine(*line);
    ASSERT_TRUE(command) << Utf16ToUtf8(*line);
    const CommandLine parsed = ParseCommandLine(*command);
    EXPECT_EQ(parsed.talkPath, c.talk);
    std::vector<std::u16string> expected;
    for (std::u16string d : c.descriptions) {
      std::erase(d, u'"');
      expected.push_back(d);
    }
    EXPECT_EQ(parsed.connections, expected);
  }
  // Nothing that cmd would act on needs changing: the line is the command.
  EXPECT_EQ(BuildBatchCommand(u"p.exe", u"a.talk", {u"Port:COM3;"}),
            BuildStartupCommand(u"p.exe", u"a.talk", {u"Port:COM3;"}));
  // A line break cannot be carried by one batch line.
  EXPECT_FALSE(BuildBatchCommand(u"p.exe", u"a.talk", {u"User:a\rb;"}));
  EXPECT_FALSE(BuildBatchCommand(u"p.exe", u"a\n.talk", {}));
}

TEST(StartupFile, ProposalKindAndExtension) {
  EXPECT_EQ(ProposeStartupFile(u"", u"C:\\Users\\u\\Desktop").name, u"C:\\Users\\u\\Desktop\\OrinMirelon.bat");
  EXPECT_EQ(ProposeStartupFile(u"", std::nullopt).name, u"C:\\OrinMirelon.bat");
  EXPECT_EQ(ProposeStartupFile(u"", std::nullopt).filterIndex, 1);
  EXPECT_EQ(ProposeStartupFile(u"D:\\s.LNK", u"X:").name, u"D:\\s.LNK");
  EXPECT_EQ(ProposeStartupFile(u"D:\\s.LNK", u"X:").filterIndex, 2);
  EXPECT_EQ(ProposeStartupFile(u"D:\\s.lnk.bat", u"X:").filterIndex, 1);
  EXPECT_EQ(ProposeStartupFile(u"D:\\s.txt", u"X:").filterIndex, 1);

  struct {
    std::u16string typed;
    int filter;
    std::u16string name;
    StartupFileKind kind;
  } const cases[] = {
      {u"C:\\d\\start", 1, u"C:\\d\\start.bat", StartupFileKind::kBatch},
      {u"C:\\d\\start", 2, u"C:\\d\\start.lnk", StartupFileKind::kShortcut},
      {u"C:\\d\\start", 3, u"C:\\d\\start", StartupFileKind::kOther},
      {u"C:\\d\\start.txt", 3, u"C:\\d\\start.txt", StartupFileKind::kOther},
      {u"C:\\d\\start.txt", 1, u"C:\\d\\start.txt", StartupFileKind::kOther},
      {u"C:\\d\\Start.BaT", 2, u"C:\\d\\Start.BaT", StartupFileKind::kBatch},
      // A dot in a folder name is no extension of the file.
      {u"C:\\v1.2\\start", 2, u"C:\\v1.2\\start.lnk", StartupFileKind::kShortcut},
      {std::u16string(255, u'x'), 1, std::u16string(255, u'x') + u".bat", StartupFileKind::kBatch},
      {std::u16string(256, u'x'), 1, std::u16string(256, u'x'), StartupFileKind::kOther},
  };
  for (const auto& c : cases) {
    const std::u16string name = WithFilterExtension(c.typed, c.filter);
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(StartupFileKindOf(name), c.kind);
  }
}

TEST(StartupFile, Messages) {
  EXPECT_EQ(StartupFileMessage(StartupFileResult::kBatchSaved, u"a.bat"), u"起動用バッチファイルを保存しました。\r\na.bat");
  EXPECT_EQ(StartupFileMessage(StartupFileResult::kShortcutSaved, u"a.lnk"),
            u"起動用ショートカットファイルを保存しました。\r\na.lnk");
  EXPECT_EQ(StartupFileMessage(StartupFileResult::kFailed, u"a.txt"), u"起動用ファイルが作成できませんでした。\r\na.txt");
  EXPECT_EQ(StartupFileMessage(StartupFileResult::kNotRepresentable, u"a.bat"),
            u"起動用ファイルが作成できませんでした。\r\na.bat\r\nショートカットファイル（.lnk）で保存してください。");
}
