#include "app/talk_controller.h"

#include "app/talk_front_end.h"
#include "app/ui_thread.h"
#include "base/program_folder.h"
#include "braille/braille_line_list.h"
#include "braille/text_to_braille.h"
#include "talk/talk_file.h"

namespace mirelon {

// What the watcher and the clients tell the talk, handed to the front end's
// thread as tasks. Once that thread is closed (at shutdown) nothing they
// say reaches the controller, which may then be gone.
class TalkController::Sink final : public TalkWindowSink {
 public:
  Sink(TalkController& controller, std::shared_ptr<UiThread> thread)
      : controller_(controller), thread_(std::move(thread)) {}

  void PostNewMessages(bool description) override {
    thread_->Post([&c = controller_, description] { c.OnNewMessages(description); });
  }
  void PostScanDone() override {
    thread_->Post([&c = controller_] { c.OnScanDone(); });
  }
  void PostRecordText(std::u16string record) override {
    thread_->Post([&c = controller_, record = std::move(record)] { c.session_.PostText(record); });
  }
  void SendTerminalUser(std::u16string_view name, bool left) override {
    thread_->Send([&c = controller_, name, left] { c.session_.TerminalUser(name, left); });
  }

  void Close() { thread_->Close(); }

 private:
  TalkController& controller_;
  const std::shared_ptr<UiThread> thread_;
};

TalkController::TalkController(std::shared_ptr<StreamStore> store, TalkFrontEnd& frontEnd,
                               TalkControllerOptions options)
    : frontEnd_(frontEnd),
      options_(std::move(options)),
      context_(std::make_shared<TalkContext>(std::move(store))),
      view_(frontEnd.IncomingPane()),
      sink_(std::make_shared<Sink>(*this, frontEnd.Thread())),
      // The input states under their scene, and the announcements, are
      // said as every other text of the run.
      brlInput_(BrlInput::Hooks{&speechSettings_, [this] { frontEnd_.PlaySound(FeedbackSound::kRefusal); }},
                options_.brlInputSettingsPath) {
  context_->userName = options_.userName ? *options_.userName : UserName();
  if (context_->userName.size() > 64) context_->userName.resize(64);
}

TalkController::~TalkController() { Shutdown(); }

LocalTime TalkController::Now() const { return options_.clock ? options_.clock() : CurrentLocalTime(); }

// Without a speech engine the run is silent; without a braille keyboard
// there is no braille input; without the text-to-braille engine the
// braille lines are made by the kana converter.
void TalkController::StartEngines() {
  if (enginesStarted_) return;
  enginesStarted_ = true;
  // Speech: the engine, the detailed readings, then the stored scenes and
  // voices.
  speech_ = frontEnd_.CreateSpeechEngine();
  screenReader_ = frontEnd_.CreateScreenReaderNotifier();
  speechSettings_.engine = speech_.get();
  speechSettings_.screenReader = screenReader_.get();
  speechSettings_.file = options_.speechSettingsFile;
  std::optional<std::u16string> dictionary = options_.detailDictionaryFile;
  if (!dictionary)
    if (std::optional<std::u16string> folder = ProgramFolder()) dictionary = *folder + std::u16string(kDetailDictionaryFile);
  if (dictionary) LoadDetailDictionary(speechSettings_.dictionary, *dictionary);
  LoadSpeechSettings(speechSettings_);
  // Keyboard braille input once the voice is set, then the translator.
  brlInput_.Start(frontEnd_.CreateBrailleKeyboard());
  if (options_.openTranslator) translatorOpen_ = ZerinOpen() != 0;
}

void TalkController::StopEngines() {
  brlInput_.Stop();
  speechSettings_.engine = nullptr;
  speechSettings_.screenReader = nullptr;
  screenReader_.reset();
  speech_.reset();
  if (translatorOpen_) ZerinClose();
  translatorOpen_ = false;
}

TalkController::OpenResult TalkController::Open(const std::optional<std::u16string>& talkPath,
                                                std::vector<std::u16string> terminals) {
  StartEngines();
  const RecentTalks recent = options_.recent ? *options_.recent : RecentTalks::ForUser();
  if (!OpenTalk(*context_, talkPath, frontEnd_.Prompts(), recent)) return OpenResult::kNotOpened;
  watcher_ = std::make_unique<StreamWatcher>(context_, sink_, options_.timing);
  if (!watcher_->Start()) {
    watcher_.reset();
    context_->mainFile.reset();
    return OpenResult::kNoWatcher;
  }
  // What every terminal client is given; they are connected once the first
  // scan is done.
  ClientSetup setup;
  setup.talkWindow = sink_;
  setup.talkPath = context_->talkPath;
  setup.lines = &context_->brailleLines;
  setup.timing = options_.timing;
  setup.opener = options_.opener;
  setup.clock = options_.clock;
  clients_.SetTalk(setup, context_->meeting);
  terminals_ = std::move(terminals);
  return OpenResult::kOpened;
}

TalkSession::SendResult TalkController::Send(std::u16string_view text) { return session_.Send(text, Now()); }

void TalkController::OnNewMessages(bool description) {
  if (!description) {
    DisplayNewMessages();
    return;
  }
  if (std::optional<std::u16string> text = context_->Description()) {
    const std::u16string body = NormalizeLineBreaks(*text);
    AppendBrailleLines(body, context_->brailleLines, 0, 0);
    view_.ShowDescription(body);
    frontEnd_.PaneChanged();
  }
}

int TalkController::DisplayNewMessages() {
  std::vector<MessageNode*> nodes;
  while (MessageNode* node = context_->messages.AdvanceCursor()) nodes.push_back(node);
  if (nodes.empty()) return 0;
  // The terminals read every displayed line in braille, in display order.
  for (MessageNode* node : nodes) {
    AppendBrailleLines(DisplayHeaderLine(node->number, node->header), context_->brailleLines, node->number, 1);
    if (node->body) AppendBrailleLines(NormalizeLineBreaks(*node->body), context_->brailleLines, node->number, 0);
    if (!newest_ || node->number > newest_->number) newest_ = node;
  }
  view_.ShowMessages(nodes);
  frontEnd_.PaneChanged();
  frontEnd_.PlaySound(FeedbackSound::kNewMessages);
  return static_cast<int>(nodes.size());
}

void TalkController::OnScanDone() {
  // Every record already in the talk has been read: a meeting's in record
  // now goes after all of them.
  const bool entered = !options_.enterMeeting || session_.ScanDone();
  // Then the terminals named on the command line join, one at a time.
  if (closing_ == Closing::kNo) connector_.Start(terminals_);
  terminals_.clear();
  frontEnd_.ScanDone(entered);
}

void TalkController::PrepareClose() {
  if (closing_ != Closing::kNo) return;
  closing_ = Closing::kPreparing;
  // No further terminal is connected, nor one deleted on its own: whatever
  // the terminals dialog's thread or the connecting thread is doing ends
  // soon. A client being started finishes starting; that needs nothing of
  // the front end, but the clients already started may send it their
  // users' joining meanwhile.
  clients_.Close();
  connector_.Cancel();
  frontEnd_.CloseTerminalsDialog();
  if (frontEnd_.Pump(options_.timing.connWorkerStartMs + options_.timing.connDispatchStartMs,
                     [this] { return connector_.Done(); }))
    connector_.Join();
  // The clients announce their users' leaving to the front end's thread,
  // which must be dispatching to take it.
  if (clients_.QuitAll() > 0)
    frontEnd_.Pump(options_.timing.closePumpMs, [this] { return !clients_.AnyWorkerRunning(); });
  closing_ = Closing::kPrepared;
}

bool TalkController::Shutdown() {
  if (shutDown_) return leaveStored_;
  PrepareClose();
  shutDown_ = true;
  // Nothing the watcher or a client says reaches the front end any more.
  sink_->Close();
  connector_.Join();
  clients_.RemoveAll();
  // The watcher gives up waiting after the stop polls of the timing, and
  // shutdown goes on.
  if (watcher_) watcher_->Stop();
  if (options_.enterMeeting) leaveStored_ = session_.Leave();
  context_->mainFile.reset();
  StopEngines();
  return leaveStored_;
}

}  // namespace mirelon
