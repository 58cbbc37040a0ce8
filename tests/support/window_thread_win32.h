// A thread of windows for the tests of this folder: it owns a plain
// top-level window (the owner of the dialogs under test) and runs a task
// there, while the test drives the windows with real keyboard input.
#pragma once
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace mirelon::test {

class WindowThread {
 public:
  // `task` runs on the new thread with the owner window, which exists
  // until the task returns.
  explicit WindowThread(std::function<void(HWND owner)> task);
  ~WindowThread();
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;

  // Waits for the task to return; false when it did not within the bound.
  bool Join();
  bool Done() const { return done_; }
  HWND owner() const { return owner_; }
  DWORD id() const { return id_; }

  // A visible top-level window of the thread with this title, once there.
  HWND WaitForWindow(const std::wstring& title) const;

 private:
  std::atomic<HWND> owner_{nullptr};
  std::atomic<DWORD> id_{0};
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// A visible top-level window of the thread with this title, once there.
HWND WaitForThreadWindow(DWORD thread, const std::wstring& title);

// Real keyboard input, one key at a time.
void KeyDown(WORD vk);
void KeyUp(WORD vk);
void Tap(WORD vk);
// The same by the key's place on the keyboard (its scan code).
void PlaceDown(WORD scanCode);
void PlaceUp(WORD scanCode);
// Six-key braille: each Unicode braille cell as one chord, its keys (F D
// S J K L, A ; for dots 7 and 8, Space for the blank cell) pressed in dot
// order and released in the same order, one key over the next.
void TypeCells(std::u16string_view cells);
// Paces the input; what a test reads back of it, it waits for.
void Settle();

// The text of a window (an edit field) of this process.
std::wstring TextOf(HWND window);

// Whether the window's text comes to be `expected` (keys sent may still be
// waiting in its thread's queue); the text it has otherwise.
::testing::AssertionResult TextBecomes(HWND window, std::wstring_view expected);
// Whether the keyboard focus comes to `window`.
bool FocusComesTo(HWND window);

}  // namespace mirelon::test

#endif
