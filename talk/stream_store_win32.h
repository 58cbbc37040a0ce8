// The Windows stream store with the choices the tests need: the named
// stream discipline forced on a volume that would get sibling files (so
// that it runs under Wine too), and the write of a new stream replaced.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string_view>

#include "talk/stream_store.h"

namespace mirelon {

struct Win32StreamStoreOptions {
  bool forceNamedStreams = false;
  // Writes a new stream's bytes through its handle; null: a plain write.
  std::function<bool(HANDLE stream, std::string_view bytes)> write;
};

std::unique_ptr<StreamStore> CreateWin32StreamStore(Win32StreamStoreOptions options);

}  // namespace mirelon
