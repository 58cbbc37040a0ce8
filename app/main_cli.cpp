// mirelon-cli: the headless runner. Opens a talk as the talk window would,
// prints it as the incoming pane shows it, and sends each line read from
// standard input as a message.
//
//   mirelon-cli [--user NAME] [--create] [--description TEXT]
//               [--dump | --post TEXT] TALK [/t{DESCRIPTION} ...]
//
// On POSIX a terminal is named only in the braced form /t{...}, since
// absolute paths begin with "/" as well (ParseArguments).
//
// Terminals named with /t{...} are connected once the talk has been read;
// their status changes are shown on standard error. On POSIX a port name is
// a device path (a serial adapter, an rfcomm device or a pty).
//
// Exit codes: 0 done; 1 --post could not store its message, or the watcher
// could not be started; 2 wrong arguments or the talk could not be opened.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "app/console.h"
#include "app/talk_context.h"
#include "base/timing.h"
#include "base/utf.h"
#include "braille/text_to_braille.h"
#include "client/client_registry.h"
#include "talk/open_talk.h"
#include "talk/queued_talk_sink.h"
#include "talk/stream_watcher.h"
#include "talk/talk_file.h"
#include "talk/talk_session.h"
#include "ui/memory_talk_pane.h"

namespace mirelon {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnSignal(int) { g_interrupted = 1; }

void Print(std::FILE* to, std::u16string_view text) {
  std::u16string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    lines += text[i] == u'\r' ? u'\n' : text[i];
  }
  const std::string bytes = Utf16ToUtf8(lines);
  std::fwrite(bytes.data(), 1, bytes.size(), to);
  std::fflush(to);
}

struct Options {
  std::optional<std::u16string> user;
  bool create = false;
  std::optional<std::u16string> description;
  bool dump = false;
  std::optional<std::u16string> post;
  CommandLine commandLine;
};

const char kUsage[] =
    "usage: mirelon-cli [--user NAME] [--create] [--description TEXT] [--dump | --post TEXT] "
    "TALK [/t{DESCRIPTION} ...]\n";

std::optional<Options> ParseOptions(const std::vector<std::u16string>& args) {
  Options o;
  std::vector<std::u16string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::u16string& a = args[i];
    auto value = [&]() -> std::optional<std::u16string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (a == u"--user") {
      if (!(o.user = value())) return std::nullopt;
    } else if (a == u"--description") {
      if (!(o.description = value())) return std::nullopt;
    } else if (a == u"--post") {
      if (!(o.post = value())) return std::nullopt;
    } else if (a == u"--create") {
      o.create = true;
    } else if (a == u"--dump") {
      o.dump = true;
    } else if (a.size() >= 2 && a[0] == u'-' && a[1] == u'-') {
      return std::nullopt;
    } else {
      rest.push_back(a);
    }
  }
  if (o.dump && o.post) return std::nullopt;
#ifdef _WIN32
  for (const auto& a : rest) AddArgument(a, o.commandLine);
#else
  o.commandLine = ParseArguments(rest);
#endif
  if (!o.commandLine.talkPath) return std::nullopt;
  return o;
}

// The runner's answers to OpenTalk: the open dialog "returns" the talk
// given, once; the create question is answered by --create; message boxes
// go to standard error; the start dialog is confirmed, and the owner
// stores --description (or the text shown) as OK would.
class RunnerPrompts : public OpenTalkPrompts {
 public:
  RunnerPrompts(TalkContext& context, const Options& options) : context_(context), options_(options) {}

  std::optional<Choice> ChooseFile(const std::u16string&, int) override {
    if (asked_) return std::nullopt;
    asked_ = true;
    const std::u16string& path = *options_.commandLine.talkPath;
    return Choice{path, FilterIndexOf(path).value_or(1)};
  }

  Answer ShowMessage(const std::u16string& text, Box style) override {
    Print(stderr, text + u"\n");
    if (style == Box::kYesNoCancelQuestion) {
      if (options_.create) return Answer::kYes;
      Print(stderr, u"mirelon-cli: the talk does not exist (--create creates it)\n");
      return Answer::kNo;
    }
    return Answer::kOk;
  }

  bool RunStartDialog(bool owner, const std::u16string& talkPath, const std::u16string& welcome) override {
    std::u16string shown = ReadStreamText(context_.store, talkPath, kDescriptionStream).value_or(welcome);
    if (owner) {
      if (options_.description) shown = NormalizeLineBreaks(*options_.description);
      WriteDescriptionStream(context_.store, shown, talkPath);
    }
    Print(stderr, u"[start] " + shown + u"\n");
    return true;
  }

 private:
  TalkContext& context_;
  const Options& options_;
  bool asked_ = false;
};

// In a share talk the text before the first TAB of a line names the
// speaker, standing in for the first line of the outgoing pane.
std::u16string OutgoingText(const TalkContext& context, std::u16string line) {
  if (context.share)
    if (size_t tab = line.find(u'\t'); tab != std::u16string::npos) line[tab] = u'\r';
  return line;
}

// Shows each terminal's status on standard error when it changes (what the
// connected-terminals dialog shows in its list).
class StatusPrinter : public ClientChangeSink {
 public:
  void PostClientChanged(I_PortClient* client) override {
    const std::u16string status = client->GetStatusText();
    std::lock_guard<std::mutex> guard(lock_);
    std::u16string& last = shown_[client];
    if (last == status) return;
    last = status;
    std::u16string line = u"mirelon-cli: terminal " + client->GetActivePortName();
    if (std::optional<std::u16string> user = client->GetUserName(); user && !user->empty())
      line += u" (" + *user + u")";
    Print(stderr, line + u": " + status + u"\n");
  }

 private:
  std::mutex lock_;
  std::map<const I_PortClient*, std::u16string> shown_;
};

// Reads standard input line by line and hands each line to the main
// thread; an empty optional marks the end of input.
void ReadInput(std::shared_ptr<QueuedTalkSink> sink,
               std::function<void(std::optional<std::u16string>)> deliver) {
  std::string line;
  char chunk[4096];
  while (std::fgets(chunk, sizeof chunk, stdin)) {
    line += chunk;
    if (line.empty() || line.back() != '\n') continue;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::u16string text = Utf8ToUtf16Lenient(line);
    line.clear();
    sink->PostCall([deliver, text] { deliver(text); });
  }
  if (!line.empty()) {
    std::u16string text = Utf8ToUtf16Lenient(line);
    sink->PostCall([deliver, text] { deliver(text); });
  }
  sink->PostCall([deliver] { deliver(std::nullopt); });
}

int Run(const std::vector<std::u16string>& args) {
  std::optional<Options> options = ParseOptions(args);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const Timing timing;
  // Outlives the talk context, whose registry tells it of status changes.
  StatusPrinter statusPrinter;
  std::unique_ptr<StreamStore> store = CreatePlatformStreamStore();
  TalkContext context(*store);
  context.userName = options->user ? *options->user : UserName();
  if (context.userName.size() > 64) context.userName.resize(64);

  RunnerPrompts prompts(context, *options);
  if (!OpenTalk(context, options->commandLine.talkPath, prompts, RecentTalks::ForUser())) {
    Print(stderr, u"mirelon-cli: could not open " + *options->commandLine.talkPath + u"\n");
    return 2;
  }
  auto sink = std::make_shared<QueuedTalkSink>();
  MemoryTalkPane pane;
  TalkSession session(context, pane);
  int printed = 0;
  auto printNew = [&] {
    Print(stdout, pane.Text(printed, pane.TextLength()));
    printed = pane.TextLength();
  };

  const bool interactive = !options->dump && !options->post;
  std::vector<std::u16string> terminals;
  if (interactive) {
    ClientSetup setup;
    setup.talkWindow = sink;
    setup.talkPath = context.talkPath;
    setup.lines = &context.brailleLines;
    setup.timing = timing;
    context.clients.SetTalk(setup, context.meeting);
    context.clients.SetDialog(&statusPrinter);
    for (const std::u16string& description : options->commandLine.connections) {
      const int protocol = ParseDescription(description).protocol;
      if (context.clients.HasMode(protocol))
        terminals.push_back(description);
      else
        Print(stderr, u"mirelon-cli: terminal " + description + u": protocol " +
                          Utf8ToUtf16Lenient(std::to_string(protocol)) + u" is not available\n");
    }
  } else if (!options->commandLine.connections.empty()) {
    std::fputs("mirelon-cli: terminals are connected only in the interactive mode\n", stderr);
  }
  // Terminals read the talk in braille: translate it with the system's
  // analyser when there is one (the kana converter serves otherwise).
  struct TranslatorGuard {
    bool open = false;
    ~TranslatorGuard() {
      if (open) ZerinClose();
    }
  } translator;
  if (!terminals.empty()) translator.open = ZerinOpen() != 0;

  context.watcher = std::make_unique<StreamWatcher>(context, sink.get(), timing);
  if (!context.watcher->Start()) return 1;

  bool done = false;
  bool scanDone = false;
  std::vector<std::function<void()>> early;
  int exitCode = 0;
  if (interactive) {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    auto deliver = [&](std::optional<std::u16string> line) {
      if (!line) {
        done = true;
        return;
      }
      if (session.Send(OutgoingText(context, *line), CurrentLocalTime()) == TalkSession::SendResult::kFailed)
        std::fputs("mirelon-cli: the message could not be stored\n", stderr);
    };
    // The reader may still be blocked in a read when the runner ends.
    std::thread(ReadInput, sink, deliver).detach();
  }

  std::function<void(int64_t)> pump;
  auto handle = [&](TalkEvent& event) {
    switch (event.kind) {
      case TalkEvent::Kind::kNewMessages:
        if (event.flag)
          session.ShowDescription();
        else
          session.DisplayNewMessages();
        if (!options->post) printNew();
        break;
      case TalkEvent::Kind::kScanDone:
        if (options->dump) {
          session.DisplayNewMessages();
          printNew();
          done = true;
        } else if (options->post) {
          exitCode = session.Send(OutgoingText(context, *options->post), CurrentLocalTime()) ==
                             TalkSession::SendResult::kStored
                         ? 0
                         : 1;
          done = true;
        } else {
          if (!session.ScanDone()) std::fputs("mirelon-cli: the in record could not be stored\n", stderr);
          scanDone = true;
          for (auto& call : early) call();
          early.clear();
          // The terminals named on the command line, each given its time to
          // come up while the runner goes on handling what arrives.
          context.clients.ApplyDescriptions(terminals, pump);
        }
        break;
      case TalkEvent::Kind::kPostText:
        session.PostText(event.text);
        break;
      case TalkEvent::Kind::kTerminalUser:
        session.TerminalUser(event.text, event.flag);
        break;
      case TalkEvent::Kind::kCall:
        // Lines typed before the talk is read wait until the PC user has
        // entered (as the talk window is not usable before).
        if (scanDone)
          event.call();
        else
          early.push_back(std::move(event.call));
        break;
    }
    sink->Done(event);
  };
  // Handles what arrives for `ms` milliseconds, or until `enough` holds.
  auto pumpUntil = [&](int64_t ms, const std::function<bool()>& enough) {
    const int64_t end = NowMs() + ms;
    for (int64_t left = ms; left > 0 && !(enough && enough()); left = end - NowMs()) {
      std::optional<TalkEvent> event = sink->Wait(std::min(left, timing.runnerSignalPollMs));
      if (event) handle(*event);
    }
  };
  pump = [&](int64_t ms) { pumpUntil(ms, nullptr); };

  while (!done && !g_interrupted) {
    std::optional<TalkEvent> event = sink->Wait(timing.runnerSignalPollMs);
    if (event) handle(*event);
  }

  // Shutdown: the terminals first, while their users' leave can still be
  // recorded (each client waits until its notification is handled); then
  // the watcher, then the out record of a meeting.
  if (context.clients.QuitAll() > 0)
    pumpUntil(timing.closePumpMs, [&] { return !context.clients.AnyWorkerRunning(); });
  sink->Close();
  context.clients.RemoveAll();
  context.watcher->Stop();
  if (interactive && !session.Leave()) std::fputs("mirelon-cli: the out record could not be stored\n", stderr);
  context.mainFile.reset();
  return exitCode;
}

}  // namespace
}  // namespace mirelon

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  mirelon::UseBinaryStdio();
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(mirelon::FromWide(argv[i]));
  return mirelon::Run(args);
}
#else
int main(int argc, char** argv) {
  mirelon::UseBinaryStdio();
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(mirelon::Utf8ToUtf16Lenient(argv[i]));
  return mirelon::Run(args);
}
#endif
