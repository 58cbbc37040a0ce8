// COM ownership for the Windows code: one interface reference, one
// CoTaskMemAlloc'ed string, and the apartment of the calling thread.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <string>
#include <utility>

#include "base/utf.h"

namespace mirelon {

// Owns one reference to a COM interface.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller owns.
  explicit ComPtr(T* p) : p_(p) {}
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For an out parameter: releases what is held and gives its slot.
  T** Out() {
    Reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

 private:
  T* p_ = nullptr;
};

// Takes a string allocated with CoTaskMemAlloc; null gives an empty text.
inline std::u16string TakeCoTaskString(wchar_t* s) {
  if (!s) return {};
  std::u16string out = FromWide(s);
  CoTaskMemFree(s);
  return out;
}

// Enters a single-threaded apartment on this thread for the guard's life;
// a thread already in one keeps it (the guard then balances its own
// successful call only).
class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

}  // namespace mirelon
