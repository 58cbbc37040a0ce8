// Readings from the Japanese IME's language interface ("MSIME.Japan"),
// which Japanese Windows installs: the fallback when the program's own
// dictionary is missing. It gives the reading of a whole piece of text, not
// its words, so the translator gets one token per piece and no word spacing
// within it.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <memory>
#include <mutex>

#include "base/com_win32.h"
#include "base/utf.h"
#include "braille/reading_provider.h"

namespace mirelon {

namespace {

// The interface as the IME declares it; MinGW ships no header for it.
struct MORRSLT;
MIDL_INTERFACE("019F7152-E6DB-11d0-83C3-00C04FDDB82E")
IFELanguage : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Open() = 0;
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetJMorphResult(
      DWORD request, DWORD mode, INT length, const WCHAR* input, DWORD* info, MORRSLT** result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetConversionModeCaps(DWORD * caps) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPhonetic(BSTR text, LONG start, LONG length,
                                                BSTR * phonetic) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetConversion(BSTR text, LONG start, LONG length,
                                                  BSTR * result) = 0;
};
const IID kIidFeLanguage = {
    0x019F7152, 0xE6DB, 0x11D0, {0x83, 0xC3, 0x00, 0xC0, 0x4F, 0xDD, 0xB8, 0x2E}};

class Bstr {
 public:
  explicit Bstr(BSTR s = nullptr) : s_(s) {}
  ~Bstr() { SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return s_; }
  BSTR* out() { return &s_; }

 private:
  BSTR s_;
};

class ImeReadingProvider : public ReadingProvider {
 public:
  ImeReadingProvider(std::unique_ptr<ComApartment> apartment, ComPtr<IFELanguage> language)
      : apartment_(std::move(apartment)), language_(std::move(language)) {}
  ~ImeReadingProvider() override { language_->Close(); }

  std::optional<std::vector<ReadingToken>> Analyse(std::u16string_view text) override {
    std::wstring wide = ToWide(text);
    Bstr input(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
    if (!input.get()) return std::nullopt;
    Bstr phonetic;
    std::lock_guard<std::mutex> lock(mutex_);
    // Positions are counted from 1; -1 is the rest of the text.
    if (FAILED(language_->GetPhonetic(input.get(), 1, -1, phonetic.out())) || !phonetic.get())
      return std::nullopt;
    ReadingToken token;
    token.surface.assign(text);
    token.reading = FromWide(std::wstring_view(phonetic.get(), SysStringLen(phonetic.get())));
    return std::vector<ReadingToken>{std::move(token)};
  }

 private:
  // Left last: the interface is released inside the apartment.
  std::unique_ptr<ComApartment> apartment_;
  ComPtr<IFELanguage> language_;
  std::mutex mutex_;
};

}  // namespace

std::unique_ptr<ReadingProvider> CreateImeReadingProvider() {
  auto apartment = std::make_unique<ComApartment>();
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"MSIME.Japan", &clsid))) return nullptr;
  ComPtr<IFELanguage> language;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, kIidFeLanguage, language.OutVoid())) || !language ||
      language->Open() != S_OK)
    return nullptr;
  return std::make_unique<ImeReadingProvider>(std::move(apartment), std::move(language));
}

}  // namespace mirelon
