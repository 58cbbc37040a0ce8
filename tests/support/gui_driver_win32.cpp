#ifdef _WIN32
#include "support/gui_driver_win32.h"

#include <commctrl.h>

#include <richedit.h>

#include <algorithm>
#include <vector>

namespace mirelon::gui {

std::wstring BuildFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  // <build>\tests\<program folder>\<program>.exe
  for (int up = 0; up < 3; ++up) {
    size_t slash = folder.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    folder.resize(slash);
  }
  return folder;
}

ChildProcess::~ChildProcess() {
  if (info_.hProcess) {
    if (Running()) TerminateProcess(info_.hProcess, 1);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
}

bool ChildProcess::Start(const std::wstring& commandLine) {
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info_) != 0;
}

int ChildProcess::Wait(DWORD timeoutMs) {
  if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return static_cast<int>(code);
}

bool ChildProcess::Running() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
}

HWND FindTopWindow(DWORD processId, const std::function<bool(const std::wstring&)>& match) {
  struct Search {
    DWORD processId;
    const std::function<bool(const std::wstring&)>* match;
    HWND found;
  } search{processId, &match, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != s->processId || !IsWindowVisible(window)) return TRUE;
        if (!(*s->match)(WindowText(window))) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForTopWindow(DWORD processId, const std::wstring& title) {
  HWND found = nullptr;
  WaitUntil([&] {
    found = FindTopWindow(processId, [&](const std::wstring& t) { return t == title; });
    return found != nullptr;
  });
  return found;
}

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  // WM_GETTEXT is carried between processes; GetWindowTextW would not ask
  // another process's window for its text.
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, nullptr);
  return text;
}

namespace {

INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

void Send(std::vector<INPUT>& inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  // Let the receiving process take the input before the next step.
  Sleep(150);
}

}  // namespace

void PressKeys(std::initializer_list<WORD> chord) {
  std::vector<INPUT> inputs;
  for (WORD vk : chord) inputs.push_back(KeyInput(vk, false));
  for (auto it = chord.end(); it != chord.begin();) inputs.push_back(KeyInput(*--it, true));
  Send(inputs);
}

void TypeText(std::wstring_view text) {
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    for (bool up : {false, true}) {
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wScan = c;
      in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      inputs.push_back(in);
    }
  }
  Send(inputs);
}

void ClickWindow(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  LONG x = (rect.left + rect.right) / 2, y = (rect.top + rect.bottom) / 2;
  std::vector<INPUT> inputs(3);
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dx = x * 65535 / (screenW - 1);
  inputs[0].mi.dy = y * 65535 / (screenH - 1);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].type = INPUT_MOUSE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[2].type = INPUT_MOUSE;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  Send(inputs);
}

bool BringToForeground(HWND window) {
  SetForegroundWindow(window);
  return WaitUntil([&] { return GetForegroundWindow() == window; }, 5000);
}

HWND FocusedWindow() {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(0, &info)) return nullptr;
  return info.hwndFocus;
}

RemoteRichEdit::RemoteRichEdit(HANDLE process, HWND edit) : process_(process), edit_(edit) {}

RemoteRichEdit::~RemoteRichEdit() {
  if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
}

bool RemoteRichEdit::Put(const void* data, size_t size) {
  if (size > size_) {
    if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    size_ = std::max<size_t>(size, 65536);
    remote_ = VirtualAllocEx(process_, nullptr, size_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote_) {
      size_ = 0;
      return false;
    }
  }
  return WriteProcessMemory(process_, remote_, data, size, nullptr) != 0;
}

bool RemoteRichEdit::Get(void* data, size_t size) {
  return size <= size_ && ReadProcessMemory(process_, remote_, data, size, nullptr) != 0;
}

LRESULT RemoteRichEdit::Send(UINT msg, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(edit_, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &answer);
  return static_cast<LRESULT>(answer);
}

std::wstring RemoteRichEdit::Text() {
  GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
  if (!Put(&how, sizeof(how))) return L"";
  LRESULT length = Send(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(remote_), 0);
  // A TEXTRANGEW followed by its buffer, both in the other process.
  std::vector<char> block(sizeof(TEXTRANGEW) + (length + 1) * sizeof(wchar_t), 0);
  if (!Put(block.data(), block.size())) return L"";
  TEXTRANGEW range{{0, static_cast<LONG>(length)},
                   reinterpret_cast<wchar_t*>(static_cast<char*>(remote_) + sizeof(TEXTRANGEW))};
  if (!Put(&range, sizeof(range))) return L"";
  LRESULT got = Send(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(remote_));
  if (!Get(block.data(), block.size())) return L"";
  const wchar_t* text = reinterpret_cast<const wchar_t*>(block.data() + sizeof(TEXTRANGEW));
  return std::wstring(text, static_cast<size_t>(std::clamp<LRESULT>(got, 0, length)));
}

void RemoteRichEdit::GetSelection(LONG& start, LONG& end) {
  CHARRANGE range{};
  if (Put(&range, sizeof(range))) {
    Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(remote_));
    Get(&range, sizeof(range));
  }
  start = range.cpMin;
  end = range.cpMax;
}

void RemoteRichEdit::SetSelection(LONG start, LONG end) {
  CHARRANGE range{start, end};
  if (Put(&range, sizeof(range))) Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(remote_));
}

bool RemoteRichEdit::IsBold(LONG start, LONG end, LONG* height) {
  LONG oldStart = 0, oldEnd = 0;
  GetSelection(oldStart, oldEnd);
  SetSelection(start, end);
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_BOLD | CFM_SIZE;
  bool ok = Put(&cf, sizeof(cf));
  if (ok) {
    Send(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(remote_));
    ok = Get(&cf, sizeof(cf));
  }
  SetSelection(oldStart, oldEnd);
  if (height) *height = cf.yHeight;
  // CFM_BOLD stays in the mask only when the whole range agrees.
  return ok && (cf.dwMask & CFM_BOLD) && (cf.dwEffects & CFE_BOLD);
}

bool SaveWindowImage(HWND window, const std::wstring& path) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return false;
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != 0;
    GdiFlush();
    SelectObject(memory, old);
    if (ok) {
      DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
      DWORD imageSize = stride * static_cast<DWORD>(height);
      BITMAPFILEHEADER file{};
      file.bfType = 0x4D42;  // "BM"
      file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
      file.bfSize = file.bfOffBits + imageSize;
      HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
      ok = out != INVALID_HANDLE_VALUE;
      if (ok) {
        DWORD written = 0;
        ok = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
             WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
             WriteFile(out, bits, imageSize, &written, nullptr);
        CloseHandle(out);
      }
    }
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

std::wstring ListViewText(HANDLE process, HWND list, int row, int column) {
  constexpr size_t kChars = 512;
  // An LVITEMW followed by its text buffer, both in the other process.
  void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t),
                                MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote) return L"";
  LVITEMW item{};
  item.iSubItem = column;
  item.cchTextMax = kChars;
  item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(LVITEMW));
  std::wstring text;
  if (WriteProcessMemory(process, remote, &item, sizeof(item), nullptr)) {
    DWORD_PTR got = 0;
    SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote),
                        SMTO_ABORTIFHUNG, 5000, &got);
    std::vector<wchar_t> buffer(kChars, L'\0');
    if (ReadProcessMemory(process, item.pszText, buffer.data(), kChars * sizeof(wchar_t), nullptr))
      text.assign(buffer.data(), std::min<size_t>(got, kChars - 1));
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return text;
}

}  // namespace mirelon::gui
#endif
