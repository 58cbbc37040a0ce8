// mirelon-cli: the headless runner. Opens a talk as the talk window would,
// prints it as the incoming pane shows it, and sends each line read from
// standard input as a message.
//
//   mirelon-cli [--user NAME] [--create] [--description TEXT]
//               [--dump | --members | --post TEXT | --save FILE] [--smb-auth FILE] TALK
//               [/t{DESCRIPTION} ...]
//
// A talk on a file server is given as smb://server/share/folder/talk (or
// //server/share/folder/talk) and reached over SMB: with a Kerberos ticket
// when there is one, else as the user of the authentication file FILE,
// else as a guest. A server that cannot be reached counts as a talk that
// cannot be opened.
//
// On POSIX a terminal is named only in the braced form /t{...}, since
// absolute paths begin with "/" as well (ParseArguments).
//
// Terminals named with /t{...} are connected once the talk has been read;
// their status changes are shown on standard error. On POSIX a port name is
// a device path (a serial adapter, an rfcomm device or a pty).
//
// --save writes the talk as text (what the talk window's "save as text"
// writes) and exits.
//
// A line that cannot be stored is kept, with the lines after it, and tried
// again now and then, as the talk window keeps the text in its outgoing
// pane; at the end of input the runner waits until they are stored.
//
// --members prints who entered a meeting, one line each ("NAME<TAB>入室" or
// "NAME<TAB>退室"), as the member list dialog shows them once the talk is read.
//
// Exit codes: 0 done; 1 --post could not store its message, --save could
// not write its file, lines were still unstored when the runner was
// interrupted, or the watcher could not be started; 2 wrong arguments or
// the talk could not be opened.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <deque>
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
#include "app/talk_controller.h"
#include "app/talk_front_end.h"
#include "app/talk_store.h"
#include "app/ui_thread.h"
#include "base/timing.h"
#include "base/utf.h"
#include "client/client_registry.h"
#include "talk/meeting_start.h"
#include "talk/open_talk.h"
#include "talk/talk_file.h"
#include "ui/member_list_view.h"
#include "ui/memory_talk_pane.h"
#include "ui/minutes.h"

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
  bool members = false;
  std::optional<std::u16string> post;
  std::optional<std::u16string> save;
  std::optional<std::u16string> smbAuth;
  CommandLine commandLine;
};

const char kUsage[] =
    "usage: mirelon-cli [--user NAME] [--create] [--description TEXT] "
    "[--dump | --members | --post TEXT | --save FILE] [--smb-auth FILE] TALK [/t{DESCRIPTION} ...]\n";

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
    } else if (a == u"--save") {
      if (!(o.save = value())) return std::nullopt;
    } else if (a == u"--smb-auth") {
      if (!(o.smbAuth = value())) return std::nullopt;
    } else if (a == u"--create") {
      o.create = true;
    } else if (a == u"--dump") {
      o.dump = true;
    } else if (a == u"--members") {
      o.members = true;
    } else if (a.size() >= 2 && a[0] == u'-' && a[1] == u'-') {
      return std::nullopt;
    } else {
      rest.push_back(a);
    }
  }
  if (int(o.dump) + int(o.members) + int(o.post.has_value()) + int(o.save.has_value()) > 1)
    return std::nullopt;
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
  RunnerPrompts(StreamStore& store, const Options& options) : store_(store), options_(options) {}

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
    // Saving the talk as text or listing its members only reads it.
    if (options_.save || options_.members) return true;
    MeetingStart start = PrepareMeetingStart(store_, owner, talkPath, welcome);
    std::u16string shown = start.description;
    if (owner && options_.description) shown = NormalizeLineBreaks(*options_.description);
    start.result = MeetingStart::Result::kOk;
    const bool entered = FinishMeetingStart(store_, start, shown);
    Print(stderr, u"[start] " + shown + u"\n");
    return entered;
  }

 private:
  StreamStore& store_;
  const Options& options_;
  bool asked_ = false;
};

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
void ReadInput(std::shared_ptr<UiThread> thread, std::function<void(std::optional<std::u16string>)> deliver) {
  std::string line;
  char chunk[4096];
  while (std::fgets(chunk, sizeof chunk, stdin)) {
    line += chunk;
    if (line.empty() || line.back() != '\n') continue;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    thread->Post([deliver, text = Utf8ToUtf16Lenient(line)] { deliver(text); });
    line.clear();
  }
  if (!line.empty()) thread->Post([deliver, text = Utf8ToUtf16Lenient(line)] { deliver(text); });
  thread->Post([deliver] { deliver(std::nullopt); });
}

// The runner as the talk's front end: the talk is printed as the incoming
// pane shows it, typed lines are sent, and what the talk window would show
// in message boxes goes to standard error.
class Runner final : public TalkFrontEnd {
 public:
  Runner(StreamStore& store, const Options& options, const Timing& timing)
      : prompts_(store, options), options_(options), timing_(timing) {}

  int Run(std::shared_ptr<StreamStore> store);

  // --- TalkFrontEnd ---
  OpenTalkPrompts& Prompts() override { return prompts_; }
  TalkPane& IncomingPane() override { return pane_; }
  void PlaySound(FeedbackSound) override {}
  std::shared_ptr<UiThread> Thread() override { return thread_; }
  bool Pump(int64_t ms, const std::function<bool()>& enough) override {
    thread_->RunFor(ms, enough, timing_.runnerSignalPollMs);
    return true;
  }
  void PaneChanged() override {
    if (options_.post || options_.save || options_.members) return;
    Print(stdout, pane_.Text(printed_, pane_.TextLength()));
    printed_ = pane_.TextLength();
  }
  void ScanDone(bool entered) override;

 private:
  void Deliver(std::optional<std::u16string> line);
  // Sends the waiting lines in order; one that cannot be stored stays
  // first and is tried again after the retry pause.
  void SendWaiting();
  // In a share talk the text before the first TAB of a line names the
  // speaker, standing in for the first line of the outgoing pane.
  std::u16string OutgoingText(std::u16string line) const {
    if (controller_->Context().share)
      if (size_t tab = line.find(u'\t'); tab != std::u16string::npos) line[tab] = u'\r';
    return line;
  }

  RunnerPrompts prompts_;
  const Options& options_;
  const Timing timing_;
  MemoryTalkPane pane_;
  int printed_ = 0;
  std::shared_ptr<QueuedUiThread> thread_ = std::make_shared<QueuedUiThread>();
  TalkController* controller_ = nullptr;
  bool done_ = false;
  bool scanDone_ = false;
  // Lines typed before the talk is read wait until the PC user has entered
  // (as the talk window is not usable before), and so does the end of input.
  std::vector<std::optional<std::u16string>> early_;
  std::deque<std::u16string> unsent_;
  bool inputEnded_ = false;
  int64_t retryAt_ = -1;  // when the first waiting line is tried again; -1: none waits for that
  int exitCode_ = 0;
};

void Runner::ScanDone(bool entered) {
  if (options_.dump) {
    done_ = true;
  } else if (options_.members) {
    for (const MemberEntry& member : controller_->Context().members.Snapshot())
      Print(stdout, member.name + u"\t" + std::u16string(MemberStateText(member.state)) + u"\n");
    done_ = true;
  } else if (options_.post) {
    const bool stored = controller_->Send(OutgoingText(*options_.post)) == TalkSession::SendResult::kStored;
    exitCode_ = stored ? 0 : 1;
    done_ = true;
  } else if (options_.save) {
    exitCode_ = SaveMinutes(pane_, *options_.save) ? 0 : 1;
    if (exitCode_) Print(stderr, u"mirelon-cli: could not write " + *options_.save + u"\n");
    done_ = true;
  } else {
    if (!entered)
      std::fputs(
          "mirelon-cli: the in record could not be stored; it is tried again with the next line\n",
          stderr);
    scanDone_ = true;
    for (std::optional<std::u16string>& line : early_) Deliver(std::move(line));
    early_.clear();
  }
}

void Runner::Deliver(std::optional<std::u16string> line) {
  if (!scanDone_) {
    early_.push_back(std::move(line));
  } else {
    if (line)
      unsent_.push_back(std::move(*line));
    else
      inputEnded_ = true;
    if (retryAt_ < 0) SendWaiting();
  }
}

void Runner::SendWaiting() {
  const bool retrying = retryAt_ >= 0;
  retryAt_ = -1;
  for (bool kept = retrying; !unsent_.empty(); kept = false) {
    if (controller_->Send(OutgoingText(unsent_.front())) == TalkSession::SendResult::kFailed) {
      if (!kept)
        std::fputs("mirelon-cli: the message could not be stored; it is kept and tried again\n",
                   stderr);
      retryAt_ = NowMs() + timing_.runnerRetryMs;
      return;
    }
    if (kept) std::fputs("mirelon-cli: the kept message was stored\n", stderr);
    unsent_.pop_front();
  }
  done_ = inputEnded_;
}

int Runner::Run(std::shared_ptr<StreamStore> store) {
  const bool interactive = !options_.dump && !options_.members && !options_.post && !options_.save;
  std::vector<std::u16string> terminals;
  if (interactive) {
    const ClientRegistry known;
    for (const std::u16string& description : options_.commandLine.connections) {
      const int protocol = ParseDescription(description).protocol;
      if (known.HasMode(protocol))
        terminals.push_back(description);
      else
        Print(stderr, u"mirelon-cli: terminal " + description + u": protocol " +
                          Utf8ToUtf16Lenient(std::to_string(protocol)) + u" is not available\n");
    }
  } else if (!options_.commandLine.connections.empty()) {
    std::fputs("mirelon-cli: terminals are connected only in the interactive mode\n", stderr);
  }

  // Outlives the controller, whose registry tells it of status changes.
  StatusPrinter statusPrinter;
  TalkControllerOptions setup;
  setup.timing = timing_;
  setup.userName = options_.user;
  setup.enterMeeting = interactive;
  // Terminals read the talk in braille: translate it with the system's
  // analyser when there is one (the kana converter serves otherwise).
  setup.openTranslator = !terminals.empty();
  TalkController controller(std::move(store), *this, setup);
  controller_ = &controller;
  controller.Clients().SetDialog(&statusPrinter);

  switch (controller.Open(options_.commandLine.talkPath, std::move(terminals))) {
    case TalkController::OpenResult::kOpened:
      break;
    case TalkController::OpenResult::kNotOpened:
      Print(stderr, u"mirelon-cli: could not open " + *options_.commandLine.talkPath + u"\n");
      return 2;
    case TalkController::OpenResult::kNoWatcher:
      return 1;
  }
  if (interactive) {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    // The reader may still be blocked in a read when the runner ends.
    std::thread(ReadInput, thread_, [this](std::optional<std::u16string> line) { Deliver(std::move(line)); })
        .detach();
  }
  while (!done_ && !g_interrupted) {
    thread_->RunNext(retryAt_ < 0
                         ? timing_.runnerSignalPollMs
                         : std::clamp<int64_t>(retryAt_ - NowMs(), 0, timing_.runnerSignalPollMs));
    if (retryAt_ >= 0 && NowMs() >= retryAt_) SendWaiting();
  }
  if (!unsent_.empty()) {
    Print(stderr, u"mirelon-cli: " + Utf8ToUtf16Lenient(std::to_string(unsent_.size())) +
                      u" lines were not stored\n");
    exitCode_ = 1;
  }

  if (!controller.Shutdown() && interactive) std::fputs("mirelon-cli: the out record could not be stored\n", stderr);
  return exitCode_;
}

int Run(const std::vector<std::u16string>& args) {
  std::optional<Options> options = ParseOptions(args);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  TalkStore talk = OpenTalkStore(*options->commandLine.talkPath, options->smbAuth);
  if (!talk.store) {
    Print(stderr, u"mirelon-cli: " + Utf8ToUtf16Lenient(talk.error) + u"\n");
    return 2;
  }
  options->commandLine.talkPath = talk.talkPath;
  const std::shared_ptr<StreamStore> store = std::move(talk.store);
  Runner runner(*store, *options, Timing());
  return runner.Run(store);
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
