#include "support/scripted_stream_store.h"

namespace mirelon {

ScriptedStreamStore::ScriptedStreamStore() : real_(CreatePlatformStreamStore()) {}

StreamStore::CreateResult ScriptedStreamStore::CreateNew(const std::u16string& file, std::u16string_view stream,
                                                         std::string_view bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++creates_;
    if (onCreate)
      if (auto scripted = onCreate(stream)) return *scripted;
  }
  return real_->CreateNew(file, stream, bytes);
}

bool ScriptedStreamStore::Replace(const std::u16string& file, std::u16string_view stream, std::string_view bytes) {
  return real_->Replace(file, stream, bytes);
}

StreamStore::ReadResult ScriptedStreamStore::Read(const std::u16string& file, std::u16string_view stream,
                                                  uint64_t limit) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (onRead)
      if (auto scripted = onRead(stream)) return *scripted;
  }
  return real_->Read(file, stream, limit);
}

bool ScriptedStreamStore::Exists(const std::u16string& file, std::u16string_view stream) {
  return real_->Exists(file, stream);
}

StreamStore::ListResult ScriptedStreamStore::List(const std::u16string& file,
                                                  const std::function<bool(std::u16string_view)>& visit) {
  if (!hideFromList) return real_->List(file, visit);
  return real_->List(file, [&](std::u16string_view listed) { return hideFromList(listed) || visit(listed); });
}

bool ScriptedStreamStore::EnsureFile(const std::u16string& file) { return real_->EnsureFile(file); }

std::unique_ptr<HeldFile> ScriptedStreamStore::Hold(const std::u16string& file) { return real_->Hold(file); }

}  // namespace mirelon
