// A StreamStore that passes everything to the platform store, except where
// a test scripts the answer for a stream.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "talk/stream_store.h"

namespace mirelon {

class ScriptedStreamStore : public StreamStore {
 public:
  ScriptedStreamStore();

  // Return an answer to replace the real one, or none to pass through.
  std::function<std::optional<ReadResult>(std::u16string_view stream)> onRead;
  std::function<std::optional<CreateResult>(std::u16string_view stream)> onCreate;
  // True for a name, as listed, that the listing leaves out.
  std::function<bool(std::u16string_view listed)> hideFromList;

  CreateResult CreateNew(const std::u16string& file, std::u16string_view stream,
                         std::string_view bytes) override;
  bool Replace(const std::u16string& file, std::u16string_view stream, std::string_view bytes) override;
  ReadResult Read(const std::u16string& file, std::u16string_view stream, uint64_t limit) override;
  bool Exists(const std::u16string& file, std::u16string_view stream) override;
  ListResult List(const std::u16string& file,
                  const std::function<bool(std::u16string_view)>& visit) override;
  bool EnsureFile(const std::u16string& file) override;
  std::unique_ptr<HeldFile> Hold(const std::u16string& file) override;

  int creates() const { return creates_; }

 private:
  std::unique_ptr<StreamStore> real_;
  std::mutex mutex_;  // the scripts run on the watcher thread too
  int creates_ = 0;
};

}  // namespace mirelon
