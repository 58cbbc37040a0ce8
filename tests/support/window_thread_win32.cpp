#ifdef _WIN32
#include "support/window_thread_win32.h"

#include <vector>

#include "base/utf.h"
#include "support/gui_driver_win32.h"

namespace mirelon::test {

WindowThread::WindowThread(std::function<void(HWND owner)> task) {
  thread_ = std::thread([this, task = std::move(task)] {
    id_ = GetCurrentThreadId();
    // Not shown: under Wine without a window manager, taking a shown
    // window down waits seconds for the manager's answer.
    HWND owner = CreateWindowExW(0, L"STATIC", L"テストの親", WS_OVERLAPPEDWINDOW, 40, 40, 300, 200,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    owner_ = owner;
    task(owner);
    DestroyWindow(owner);
    done_ = true;
  });
}

WindowThread::~WindowThread() {
  if (thread_.joinable()) thread_.join();
}

bool WindowThread::Join() {
  if (!gui::WaitUntil([&] { return done_.load(); }, 30000)) return false;
  thread_.join();
  return true;
}

HWND WindowThread::WaitForWindow(const std::wstring& title) const {
  gui::WaitUntil([&] { return id_ != 0; });
  return WaitForThreadWindow(id_, title);
}

HWND WaitForThreadWindow(DWORD thread, const std::wstring& title) {
  struct Search {
    const std::wstring& title;
    HWND found;
  } search{title, nullptr};
  gui::WaitUntil([&] {
    EnumThreadWindows(
        thread,
        [](HWND w, LPARAM p) -> BOOL {
          auto* s = reinterpret_cast<Search*>(p);
          if (!IsWindowVisible(w) || TextOf(w) != s->title) return TRUE;
          s->found = w;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

namespace {

void SendKey(WORD vk, WORD scan, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = scan;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(in));
}

void SendKey(WORD vk, bool up) {
  SendKey(vk, static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), up);
}

void SendPlace(WORD scan, bool up) {
  SendKey(static_cast<WORD>(MapVirtualKeyW(scan, MAPVK_VSC_TO_VK)), scan, up);
}

// F D S J K L A ; by dot, then Space.
constexpr WORD kDotPlaces[] = {0x21, 0x20, 0x1F, 0x24, 0x25, 0x26, 0x1E, 0x27};
constexpr WORD kSpacePlace = 0x39;

}  // namespace

void KeyDown(WORD vk) {
  SendKey(vk, false);
}
void KeyUp(WORD vk) {
  SendKey(vk, true);
}

void Tap(WORD vk) {
  KeyDown(vk);
  KeyUp(vk);
  Settle();
}

void PlaceDown(WORD scanCode) {
  SendPlace(scanCode, false);
}
void PlaceUp(WORD scanCode) {
  SendPlace(scanCode, true);
}

void TypeCells(std::u16string_view cells) {
  for (char16_t cell : cells) {
    const unsigned dots = cell - 0x2800u;
    std::vector<WORD> keys;
    for (unsigned dot = 0; dot < 8; ++dot)
      if (dots & (1u << dot)) keys.push_back(kDotPlaces[dot]);
    if (keys.empty()) keys.push_back(kSpacePlace);
    for (WORD key : keys) PlaceDown(key);
    for (WORD key : keys) PlaceUp(key);
  }
  Settle();
}

void Settle() {
  Sleep(150);
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, nullptr);
  return text;
}

::testing::AssertionResult TextBecomes(HWND window, std::wstring_view expected) {
  std::wstring text;
  if (gui::WaitUntil([&] { return (text = TextOf(window)) == expected; }, 10000))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the text is \"" << Utf16ToUtf8(FromWide(text)) << "\", not \""
                                       << Utf16ToUtf8(FromWide(expected)) << "\"";
}

bool FocusComesTo(HWND window) {
  return gui::WaitUntil([&] { return gui::FocusedWindow() == window; }, 10000);
}

}  // namespace mirelon::test

#endif
