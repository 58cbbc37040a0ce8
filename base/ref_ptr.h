// A holder of one reference to an intrusively counted object (one with
// AddRef and Release, such as a terminal connection): AddRef on taking,
// Release on letting go.
#pragma once

#include <utility>

namespace mirelon {

template <class T>
class RefPtr {
 public:
  RefPtr() = default;
  explicit RefPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  RefPtr(const RefPtr& other) : RefPtr(other.p_) {}
  RefPtr(RefPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  RefPtr& operator=(RefPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~RefPtr() {
    if (p_) p_->Release();
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() { RefPtr().swap(*this); }
  void swap(RefPtr& other) noexcept { std::swap(p_, other.p_); }

 private:
  T* p_ = nullptr;
};

}  // namespace mirelon
