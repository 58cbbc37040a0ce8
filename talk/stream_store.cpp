#include "talk/stream_store.h"

#include "base/file_io.h"

namespace mirelon {

StreamStore::PathKind StreamStore::Examine(const std::u16string& path) {
  if (FileExists(path)) return PathKind::kFile;
  return DirectoryExists(path) ? PathKind::kFolder : PathKind::kNothing;
}

}  // namespace mirelon
