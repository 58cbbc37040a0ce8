#ifdef _WIN32
#include "support/talk_window_test_win32.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

#include "app/command_line.h"
#include "base/com_win32.h"
#include "support/fast_timing.h"
#include "talk/talk_file.h"

namespace mirelon::test {

namespace {

// The user's screen reader: takes every text, noted among the engine's calls.
class NoteTaker final : public ScreenReaderNotifier {
 public:
  explicit NoteTaker(RecordingSpeechEngine& engine) : engine_(engine) {}
  bool Notify(std::u16string_view text, Urgency) override {
    engine_.Note(text);
    return true;
  }

 private:
  RecordingSpeechEngine& engine_;
};

}  // namespace

void TalkWindowTest::MakeTalk(std::u16string_view name, std::u16string owner,
                              const std::vector<std::u16string>& records) {
  talk_ = dir_.File(name);
  WriteNewStream(*store_, owner.empty() ? UserName() : owner, talk_, kOwnerStream);
  store_->EnsureFile(talk_);
  uint32_t number = 0;
  for (const std::u16string& record : records) Append(++number, record);
}

void TalkWindowTest::Append(uint32_t number, std::u16string_view record) {
  WriteNewStream(*store_, record, talk_, MessageStreamName(number));
}

std::vector<std::u16string> TalkWindowTest::Records() {
  std::vector<std::u16string> records;
  for (uint32_t n = 1;; ++n) {
    std::optional<std::u16string> text = ReadStreamText(*store_, talk_, MessageStreamName(n));
    if (!text) return records;
    records.push_back(*text);
  }
}

bool TalkWindowTest::Stored(std::u16string_view record) {
  const std::vector<std::u16string> records = Records();
  return std::find(records.begin(), records.end(), record) != records.end();
}

TalkWindowEnvironment TalkWindowTest::Environment() {
  TalkWindowEnvironment environment;
  environment.timing = FastTiming();
  // The engine belongs to the test and outlives the window's thread.
  environment.speechEngine = [this](HWND) { return SpeechEnginePtr(&engine_); };
  environment.screenReader = [this](HWND) -> std::unique_ptr<ScreenReaderNotifier> {
    return std::make_unique<NoteTaker>(engine_);
  };
  environment.sounds = &sounds_;
  environment.speechSettingsFile = dir_.File(u"Speech.set");
  environment.detailDictionaryFile = dir_.File(u"Radova.dic");
  environment.brlInputSettingsPath = dir_.File(u"BrlInput.set");
  return environment;
}

void TalkWindowTest::Start(const TalkWindowEnvironment& environment,
                           std::vector<std::u16string> terminals) {
  // The panes' window class and the common controls, as the program's entry
  // point loads them.
  LoadLibraryW(L"RichEd20.DLL");
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  CommandLine commandLine;
  commandLine.talkPath = talk_;
  commandLine.connections = std::move(terminals);
  ended_ = false;
  thread_ = 0;
  run_ = std::thread([this, commandLine, environment] {
    const ComApartment apartment;
    thread_ = GetCurrentThreadId();
    RunTalkWindow(GetModuleHandleW(nullptr), commandLine, store_, environment);
    ended_ = true;
  });
  ASSERT_TRUE(gui::WaitUntil([&] { return thread_ != 0; }));
}

HWND TalkWindowTest::TalkWindow(const std::wstring& title) {
  window_ = Dialog(title);
  return window_;
}

HWND TalkWindowTest::Dialog(const std::wstring& title) {
  HWND found = WaitForThreadWindow(thread_, title);
  if (found) gui::BringToForeground(found);
  return found;
}

void TalkWindowTest::Close() {
  if (!run_.joinable()) return;
  if (window_ && IsWindow(window_)) PostMessageW(window_, WM_CLOSE, 0, 0);
  run_.join();
}

TalkWindowTest::Texts TalkWindowTest::Said(size_t count, bool screenReader) {
  Texts said;
  gui::WaitUntil(
      [&] {
        said = Spoken(screenReader);
        return said.size() >= count;
      },
      count ? 10000 : 300);
  engine_.ClearCalls();
  return said;
}

TalkWindowTest::Texts TalkWindowTest::Spoken(bool screenReader) {
  Texts texts;
  // "Speak(text,flags)", "Notify(text)"
  const std::u16string_view open = screenReader ? u"Notify(" : u"Speak(";
  const size_t close = screenReader ? 1 : 3;
  for (const std::u16string& call : engine_.Calls())
    if (call.starts_with(open)) texts.push_back(call.substr(open.size(), call.size() - open.size() - close));
  return texts;
}

std::wstring TalkWindowTest::PaneText(HWND pane) {
  std::wstring text(1 << 16, L'\0');
  GETTEXTEX how{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr,
                nullptr};
  text.resize(static_cast<size_t>(SendMessageW(pane, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how),
                                               reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

}  // namespace mirelon::test

#endif
