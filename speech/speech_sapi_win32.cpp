#include "speech/speech_sapi_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <sapi.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/com_win32.h"
#include "base/utf.h"
#include "resources/resource.h"

namespace mirelon {

namespace {

constexpr int kMinRate = -10, kMaxRate = 10;  // SAPI's rate scale
constexpr int kMinVolume = 0, kMaxVolume = 100;
constexpr int kDefaultVolume = 100;

struct InstalledVoice {
  std::u16string id;           // the token identifier: our speech mode text
  std::u16string description;  // shown in the settings dialog
  LANGID language = 0;
};

// Lists the voices registered with SAPI with the language of each.
std::vector<InstalledVoice> ListVoices() {
  std::vector<InstalledVoice> voices;
  ComPtr<ISpObjectTokenCategory> category;
  if (FAILED(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                              IID_ISpObjectTokenCategory,
                              category.OutVoid())) ||
      FAILED(category->SetId(SPCAT_VOICES, FALSE)))
    return voices;
  ComPtr<IEnumSpObjectTokens> tokens;
  if (FAILED(category->EnumTokens(nullptr, nullptr, tokens.Out()))) return voices;
  ComPtr<ISpObjectToken> token;
  while (tokens->Next(1, token.Out(), nullptr) == S_OK) {
    InstalledVoice voice;
    wchar_t* text = nullptr;
    if (FAILED(token->GetId(&text)) || !text) continue;
    voice.id = TakeCoTaskString(text);
    text = nullptr;
    if (SUCCEEDED(token->GetStringValue(nullptr, &text)) && text)
      voice.description = TakeCoTaskString(text);
    else
      voice.description = voice.id;
    ComPtr<ISpDataKey> attributes;
    text = nullptr;
    if (SUCCEEDED(token->OpenKey(L"Attributes", attributes.Out())) &&
        SUCCEEDED(attributes->GetStringValue(L"Language", &text)) && text) {
      // Hexadecimal language ids separated by ";"; the first one counts.
      voice.language = static_cast<LANGID>(wcstoul(text, nullptr, 16));
      CoTaskMemFree(text);
    }
    voices.push_back(std::move(voice));
  }
  return voices;
}

class SapiSpeechEngine final : public SpeechEngine {
 public:
  SapiSpeechEngine(std::unique_ptr<ComApartment> apartment, ComPtr<ISpVoice> voice)
      : apartment_(std::move(apartment)), voice_(std::move(voice)), voices_(ListVoices()) {
    // Initial voices: the first Japanese and the first English one
    // installed; the main voice falls back to the system's default voice.
    auto firstOf = [this](WORD primary) -> std::optional<std::u16string> {
      for (const InstalledVoice& v : voices_)
        if (PRIMARYLANGID(v.language) == primary) return v.id;
      return std::nullopt;
    };
    main_.mode = firstOf(LANG_JAPANESE);
    if (!main_.mode) {
      ComPtr<ISpObjectToken> current;
      wchar_t* id = nullptr;
      if (SUCCEEDED(voice_->GetVoice(current.Out())) && SUCCEEDED(current->GetId(&id)) && id)
        main_.mode = TakeCoTaskString(id);
    }
    english_.mode = firstOf(LANG_ENGLISH);
    useEnglish_ = english_.mode ? 1 : 0;
  }

  void DestroyEngine() override {
    delete this;
  }

  void SelectVoice(std::u16string_view speechMode) override {
    if (selected_ && *selected_ == speechMode) return;
    ComPtr<ISpObjectToken> token;
    if (FAILED(CoCreateInstance(CLSID_SpObjectToken, nullptr, CLSCTX_ALL, IID_ISpObjectToken,
                                token.OutVoid())))
      return;
    std::wstring id = ToWide(speechMode);
    if (FAILED(token->SetId(nullptr, id.c_str(), FALSE))) return;
    if (SUCCEEDED(voice_->SetVoice(token.get()))) selected_ = std::u16string(speechMode);
  }

  void SetRate(int rate) override { voice_->SetRate(std::clamp(rate, kMinRate, kMaxRate)); }

  void SetVolume(int volume) override {
    voice_->SetVolume(static_cast<USHORT>(std::clamp(volume, kMinVolume, kMaxVolume)));
  }

  int ShowSettingsDialog(void* owner) override {
    return static_cast<int>(DialogBoxParamW(GetModuleHandleW(nullptr),
                                            MAKEINTRESOURCEW(IDD_VOICE_SETTINGS),
                                            static_cast<HWND>(owner), &SettingsProc,
                                            reinterpret_cast<LPARAM>(this)) == IDOK);
  }

  void Speak(std::u16string_view text, int /*flags: always 1, asynchronous*/) override {
    // A new utterance replaces the one in progress, as a screen reader does.
    std::wstring wide = ToWide(text);
    voice_->Speak(wide.c_str(), SPF_ASYNC | SPF_PURGEBEFORESPEAK | SPF_IS_NOT_XML, nullptr);
  }

  void StopSpeech() override { voice_->Speak(nullptr, SPF_ASYNC | SPF_PURGEBEFORESPEAK, nullptr); }

  std::optional<std::u16string> GetSpeechMode() override { return main_.mode; }
  void SetSpeechMode(std::u16string_view m) override { main_.mode = std::u16string(m); }
  int GetSpeechVolume() override { return main_.volume; }
  void SetSpeechVolume(int v) override { main_.volume = std::clamp(v, kMinVolume, kMaxVolume); }
  int GetSpeechSpeed() override { return main_.speed; }
  void SetSpeechSpeed(int s) override { main_.speed = std::clamp(s, kMinRate, kMaxRate); }
  int GetUseEngSpeech() override { return useEnglish_; }
  void SetUseEngSpeech(int use) override { useEnglish_ = use; }
  std::optional<std::u16string> GetEngSpeechMode() override { return english_.mode; }
  void SetEngSpeechMode(std::u16string_view m) override { english_.mode = std::u16string(m); }
  int GetEngSpeechVolume() override { return english_.volume; }
  void SetEngSpeechVolume(int v) override { english_.volume = std::clamp(v, kMinVolume, kMaxVolume); }
  int GetEngSpeechSpeed() override { return english_.speed; }
  void SetEngSpeechSpeed(int s) override { english_.speed = std::clamp(s, kMinRate, kMaxRate); }
  SpeechOutput GetSpeechOutput() override { return output_; }
  void SetSpeechOutput(SpeechOutput output) override { output_ = output; }

 private:
  struct VoiceSet {
    std::optional<std::u16string> mode;
    int speed = 0;
    int volume = kDefaultVolume;
  };

  // Controls of one voice in the settings dialog.
  struct VoiceControls {
    int list, rate, rateSpin, volume, volumeSpin;
  };
  static constexpr VoiceControls kMainControls = {IDC_MAIN_VOICE, IDC_MAIN_RATE,
                                                  IDC_MAIN_RATE_SPIN, IDC_MAIN_VOLUME,
                                                  IDC_MAIN_VOLUME_SPIN};
  static constexpr VoiceControls kEnglishControls = {IDC_ENGLISH_VOICE, IDC_ENGLISH_RATE,
                                                     IDC_ENGLISH_RATE_SPIN, IDC_ENGLISH_VOLUME,
                                                     IDC_ENGLISH_VOLUME_SPIN};

  void FillVoiceControls(HWND dlg, const VoiceControls& c, const VoiceSet& set) const {
    HWND list = GetDlgItem(dlg, c.list);
    for (size_t i = 0; i < voices_.size(); ++i) {
      std::wstring name = ToWide(voices_[i].description);
      LRESULT at = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
      if (at >= 0) {
        SendMessageW(list, CB_SETITEMDATA, at, static_cast<LPARAM>(i));
        if (set.mode && *set.mode == voices_[i].id) SendMessageW(list, CB_SETCURSEL, at, 0);
      }
    }
    SendDlgItemMessageW(dlg, c.rateSpin, UDM_SETRANGE32, kMinRate, kMaxRate);
    SendDlgItemMessageW(dlg, c.rateSpin, UDM_SETPOS32, 0, set.speed);
    SendDlgItemMessageW(dlg, c.volumeSpin, UDM_SETRANGE32, kMinVolume, kMaxVolume);
    SendDlgItemMessageW(dlg, c.volumeSpin, UDM_SETPOS32, 0, set.volume);
  }

  void ReadVoiceControls(HWND dlg, const VoiceControls& c, VoiceSet& set) const {
    LRESULT at = SendDlgItemMessageW(dlg, c.list, CB_GETCURSEL, 0, 0);
    if (at != CB_ERR) {
      auto i = static_cast<size_t>(SendDlgItemMessageW(dlg, c.list, CB_GETITEMDATA, at, 0));
      if (i < voices_.size()) set.mode = voices_[i].id;
    }
    // A number the up-down control cannot read keeps the stored value.
    BOOL invalid = FALSE;
    int rate = static_cast<int>(SendDlgItemMessageW(dlg, c.rateSpin, UDM_GETPOS32, 0,
                                                    reinterpret_cast<LPARAM>(&invalid)));
    if (!invalid) set.speed = std::clamp(rate, kMinRate, kMaxRate);
    int volume = static_cast<int>(SendDlgItemMessageW(dlg, c.volumeSpin, UDM_GETPOS32, 0,
                                                      reinterpret_cast<LPARAM>(&invalid)));
    if (!invalid) set.volume = std::clamp(volume, kMinVolume, kMaxVolume);
  }

  static INT_PTR CALLBACK SettingsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<SapiSpeechEngine*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
      case WM_INITDIALOG:
        self = reinterpret_cast<SapiSpeechEngine*>(lParam);
        SetWindowLongPtrW(dlg, DWLP_USER, lParam);
        self->FillVoiceControls(dlg, kMainControls, self->main_);
        self->FillVoiceControls(dlg, kEnglishControls, self->english_);
        CheckDlgButton(dlg, IDC_USE_ENGLISH, self->useEnglish_ ? BST_CHECKED : BST_UNCHECKED);
        CheckRadioButton(dlg, IDC_OUTPUT_VOICE, IDC_OUTPUT_SCREEN_READER,
                         self->output_ == SpeechOutput::kScreenReader ? IDC_OUTPUT_SCREEN_READER : IDC_OUTPUT_VOICE);
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && self) {
          self->ReadVoiceControls(dlg, kMainControls, self->main_);
          self->ReadVoiceControls(dlg, kEnglishControls, self->english_);
          self->useEnglish_ = IsDlgButtonChecked(dlg, IDC_USE_ENGLISH) == BST_CHECKED ? 1 : 0;
          self->output_ = IsDlgButtonChecked(dlg, IDC_OUTPUT_SCREEN_READER) == BST_CHECKED
                              ? SpeechOutput::kScreenReader
                              : SpeechOutput::kVoice;
          EndDialog(dlg, IDOK);
          return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          EndDialog(dlg, IDCANCEL);
          return TRUE;
        }
        break;
    }
    return FALSE;
  }

  // Left last: the voice is released inside the apartment.
  std::unique_ptr<ComApartment> apartment_;
  ComPtr<ISpVoice> voice_;
  std::vector<InstalledVoice> voices_;
  VoiceSet main_;
  VoiceSet english_;
  int useEnglish_ = 0;
  SpeechOutput output_ = SpeechOutput::kVoice;
  std::optional<std::u16string> selected_;  // the voice SAPI speaks with now
};

}  // namespace

SpeechEnginePtr CreateVoxmira(void* /*talkWindow: dialogs take their owner when shown*/) {
  auto apartment = std::make_unique<ComApartment>();
  ComPtr<ISpVoice> voice;
  // A voice that cannot take a rate or start an utterance cannot speak:
  // Wine's SAPI creates voices but answers E_NOTIMPL to both.
  if (FAILED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                              voice.OutVoid())) ||
      FAILED(voice->SetRate(0)) ||
      FAILED(voice->Speak(L"", SPF_ASYNC | SPF_PURGEBEFORESPEAK | SPF_IS_NOT_XML, nullptr))) {
    return nullptr;
  }
  return SpeechEnginePtr(new SapiSpeechEngine(std::move(apartment), std::move(voice)));
}

}  // namespace mirelon
