#include "talk/stream_store.h"

#include "base/file_io.h"

namespace mirelon {

StreamStore::PathKind StreamStore::Examine(const std::u16string& path) {
  if (FileExists(path)) return PathKind::kFile;
  return DirectoryExists(path) ? PathKind::kFolder : PathKind::kNothing;
}

StreamStore::ReadResult ReadSized(uint64_t size, uint64_t limit,
                                  const std::function<int64_t(char* to, size_t n)>& read) {
  StreamStore::ReadResult r;
  if (size == 0) {
    r.status = StreamStore::ReadResult::Status::kEmpty;
    return r;
  }
  r.cut = size > limit;
  r.bytes.resize(static_cast<size_t>(r.cut ? limit : size));
  for (size_t done = 0; done < r.bytes.size();) {
    const int64_t n = read(r.bytes.data() + done, r.bytes.size() - done);
    if (n <= 0) {
      r.bytes.clear();
      return r;
    }
    done += static_cast<size_t>(n);
  }
  r.status = StreamStore::ReadResult::Status::kOk;
  return r;
}

}  // namespace mirelon
