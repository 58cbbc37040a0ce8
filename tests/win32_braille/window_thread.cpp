#ifdef _WIN32
#include "window_thread.h"

#include "win32_ui/gui_driver.h"

namespace mirelon::test {

WindowThread::WindowThread(std::function<void(HWND owner)> task) {
  thread_ = std::thread([this, task = std::move(task)] {
    id_ = GetCurrentThreadId();
    // Not shown: under Wine without a window manager, taking a shown
    // window down waits seconds for the manager's answer.
    HWND owner = CreateWindowExW(0, L"STATIC", L"テストの親", WS_OVERLAPPEDWINDOW, 40, 40, 300, 200, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
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
  struct Search {
    const std::wstring& title;
    HWND found;
  } search{title, nullptr};
  gui::WaitUntil([&] {
    if (!id_) return false;
    EnumThreadWindows(
        id_,
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

void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(in));
}

}  // namespace

void KeyDown(WORD vk) { SendKey(vk, false); }
void KeyUp(WORD vk) { SendKey(vk, true); }

void Tap(WORD vk) {
  KeyDown(vk);
  KeyUp(vk);
  Settle();
}

void Settle() { Sleep(150); }

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  return text;
}

}  // namespace mirelon::test

#endif
