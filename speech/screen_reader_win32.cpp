#include "speech/screen_reader_win32.h"

#include <oleauto.h>

#include <string>

#include "base/utf.h"

namespace mirelon {

namespace {

// NotificationKind_Other, and the two NotificationProcessing values used.
constexpr int kNotificationKindOther = 4;
constexpr int kProcessingImportantMostRecent = 1;
constexpr int kProcessingAll = 2;

// The provider is passed as IRawElementProviderSimple*; the program only
// hands it on and releases it.
using HostProviderFromHwnd = HRESULT(WINAPI*)(HWND, IUnknown**);
using RaiseNotificationEvent = HRESULT(WINAPI*)(IUnknown*, int, int, BSTR, BSTR);

class Bstr {
 public:
  explicit Bstr(std::u16string_view text) : value_(SysAllocStringLen(ToWide(text).c_str(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

class UiaNotifier final : public ScreenReaderNotifier {
 public:
  UiaNotifier(HWND window, HMODULE library, HostProviderFromHwnd host, RaiseNotificationEvent raise)
      : window_(window), library_(library), host_(host), raise_(raise) {}
  ~UiaNotifier() override { FreeLibrary(library_); }

  bool Notify(std::u16string_view text, Urgency urgency) override {
    HWND target = window_;
    HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) target = focus;
    IUnknown* provider = nullptr;
    if (FAILED(host_(target, &provider)) || !provider) return false;
    const Bstr display(text), activity(u"Mirelon.Speech");
    const HRESULT hr = raise_(provider, kNotificationKindOther,
                              urgency == Urgency::kAll ? kProcessingAll : kProcessingImportantMostRecent,
                              display.get(), activity.get());
    provider->Release();
    return SUCCEEDED(hr);
  }

 private:
  const HWND window_;
  const HMODULE library_;
  const HostProviderFromHwnd host_;
  const RaiseNotificationEvent raise_;
};

}  // namespace

std::unique_ptr<ScreenReaderNotifier> CreateUiaNotifier(HWND window) {
  HMODULE library = LoadLibraryW(L"uiautomationcore.dll");
  if (!library) return nullptr;
  auto host = reinterpret_cast<HostProviderFromHwnd>(
      reinterpret_cast<void*>(GetProcAddress(library, "UiaHostProviderFromHwnd")));
  auto raise = reinterpret_cast<RaiseNotificationEvent>(
      reinterpret_cast<void*>(GetProcAddress(library, "UiaRaiseNotificationEvent")));
  if (!host || !raise) {
    FreeLibrary(library);
    return nullptr;
  }
  return std::make_unique<UiaNotifier>(window, library, host, raise);
}

}  // namespace mirelon
