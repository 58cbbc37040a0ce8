// Command lines from arbitrary text: tokens never hold a separator outside
// quotes, the talk path and descriptions never hold a double quote, and a
// start-up command built from the result parses back to the same talk path
// and descriptions.
#include "app/command_line.h"
#include "base/utf.h"
#include "fuzz/fuzz_target.h"
#include "startup/startup_command.h"

using namespace mirelon;

std::vector<std::string> FuzzDictionary() {
  return {" ", "\t", "\r", "\n",     "\"",         "/t",        "/T",    "/t{",
          "}", "{",  "/x", "a.talk", "Port:COM3;", "User:A B;", "\"/t{", "}\" "};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string line =
      Utf8ToUtf16Lenient(std::string_view(reinterpret_cast<const char*>(data), size));

  for (const auto& token : TokenizeCommandLine(line)) {
    FuzzCheck(!token.empty());
    bool quoting = false;
    int quotes = 0;
    for (size_t i = 0; i < token.size(); ++i) {
      if (token[i] == u'"') {
        ++quotes;
        quoting = !quoting;
        // A closing quote ends the token.
        FuzzCheck(quoting || i + 1 == token.size());
      } else {
        FuzzCheck(quoting || !IsCommandLineSeparator(token[i]));
      }
    }
    FuzzCheck(quotes <= 2);
  }

  const CommandLine cl = ParseCommandLine(line);
  if (cl.talkPath) {
    FuzzCheck(!cl.talkPath->empty());
    FuzzCheck(cl.talkPath->find(u'"') == std::u16string::npos);
    FuzzCheck((*cl.talkPath)[0] != u'/');
  }
  for (const auto& d : cl.connections) FuzzCheck(d.find(u'"') == std::u16string::npos);

  const CommandLine back = ParseCommandLine(
      BuildStartupCommand(u"C:\\Mirelon.exe", cl.talkPath.value_or(u""), cl.connections));
  FuzzCheck(back.talkPath == cl.talkPath);
  FuzzCheck(back.connections == cl.connections);
  return 0;
}
