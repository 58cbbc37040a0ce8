// The talk window as the Windows GUI tests drive it: the program's own
// window on a thread of its own (as the program runs it on its main thread)
// on a talk in a temporary folder, with a recording speech engine and
// recording sounds, and what the tests read back of it.
#pragma once
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/gui_driver_win32.h"
#include "support/recording_sounds.h"
#include "support/recording_speech_engine.h"
#include "support/temp_dir.h"
#include "support/window_thread_win32.h"
#include "talk/stream_store.h"
#include "window/talk_window_win32.h"

namespace mirelon::test {

class TalkWindowTest : public ::testing::Test {
 protected:
  using Texts = std::vector<std::u16string>;

  ~TalkWindowTest() override { Close(); }

  // A talk `name` in the test folder owned by `owner` (the logon user when
  // empty), with `records` as its first messages.
  void MakeTalk(std::u16string_view name, std::u16string owner = {},
                const std::vector<std::u16string>& records = {});
  void Append(uint32_t number, std::u16string_view record);
  // Every record of the talk, in number order; whether one is there.
  std::vector<std::u16string> Records();
  bool Stored(std::u16string_view record);

  // What the tests start from: short timings, the recording engine and
  // sounds, a screen reader that takes every text (used when Speech.set
  // chooses it), the settings files in the test folder.
  TalkWindowEnvironment Environment();
  // Runs the talk window on the talk with the terminals given.
  void Start(const TalkWindowEnvironment& environment, std::vector<std::u16string> terminals = {});
  void Start() { Start(Environment()); }
  // The talk window once it is open with this title, in front.
  HWND TalkWindow(const std::wstring& title);
  // A window of the talk window's thread with this title, in front.
  HWND Dialog(const std::wstring& title);
  // Closes the talk window and waits for its run to end.
  void Close();

  // The texts spoken since the last look, once `count` of them are there
  // (with 0: after a short while, to see that nothing more comes); those
  // spoken so far, left for the next look. `screenReader`: those handed to
  // the screen reader instead.
  Texts Said(size_t count, bool screenReader = false);
  Texts Spoken(bool screenReader = false);
  // What a pane holds, its lines ended by CR as positions count them.
  static std::wstring PaneText(HWND pane);

  TempDir dir_;
  std::shared_ptr<StreamStore> store_ = CreatePlatformStreamStore();
  std::u16string talk_;
  RecordingSpeechEngine engine_;
  RecordingSounds sounds_;
  std::atomic<DWORD> thread_{0};
  std::atomic<bool> ended_{false};
  std::thread run_;
  HWND window_ = nullptr;
};

}  // namespace mirelon::test

#endif
