#include "talk/talk_file.h"

#include "talk/talk_context.h"
#include "base/utf.h"

namespace mirelon {

StreamText ReadStream(StreamStore& store, const std::u16string& talk, std::u16string_view stream) {
  StreamText out;
  StreamStore::ReadResult r = store.Read(talk, stream, kRecordLimit);
  using S = StreamStore::ReadResult::Status;
  if (r.status == S::kMissing) {
    out.status = StreamText::Status::kMissing;
    return out;
  }
  if (r.status != S::kOk) return out;  // busy, empty or failed: not there yet
  DecodedStream decoded = DecodeStreamBytes(r.bytes, r.cut);
  out.status = decoded.exact ? StreamText::Status::kOk : StreamText::Status::kUndecodable;
  out.text = std::move(decoded.text);
  return out;
}

std::optional<std::u16string> ReadStreamText(StreamStore& store, const std::u16string& talk,
                                             std::u16string_view stream) {
  StreamText t = ReadStream(store, talk, stream);
  if (t.status != StreamText::Status::kOk) return std::nullopt;
  return std::move(t.text);
}

StreamStore::CreateResult WriteNewStream(StreamStore& store, std::u16string_view text,
                                         const std::u16string& talk, std::u16string_view stream) {
  return store.CreateNew(talk, stream, Utf16ToUtf8(text));
}

bool WriteDescriptionStream(StreamStore& store, std::u16string_view text,
                            const std::u16string& talk) {
  return store.Replace(talk, kDescriptionStream, Utf16ToUtf8(text));
}

namespace {

// The first number above `taken` (whose stream exists) without a stream:
// probing forward in doubling steps, then bisecting between the last number
// found and the first one missing. In a dense talk, one past its last
// record; above kMaxMessageNumber when the talk is full.
uint64_t TalkEnd(TalkContext& context, uint32_t taken) {
  const auto exists = [&](uint64_t n) {
    return n <= kMaxMessageNumber &&
           context.store.Exists(context.talkPath, MessageStreamName(static_cast<uint32_t>(n)));
  };
  uint64_t found = taken, missing = uint64_t{taken} + 1;
  for (uint64_t step = 2; exists(missing); step *= 2) {
    found = missing;
    missing = found + step;
  }
  while (missing - found > 1) {
    const uint64_t middle = found + (missing - found) / 2;
    (exists(middle) ? found : missing) = middle;
  }
  return missing;
}

}  // namespace

bool AppendRecord(TalkContext& context, std::u16string_view record) {
  if (!context.IsOpen()) return false;
  const std::string bytes = Utf16ToUtf8(record);
  uint64_t n = context.nextNumber.load();
  uint32_t denied = 0;
  for (;;) {
    for (uint32_t i = 0; i < kAppendTries; ++i, ++n) {
      if (n == 0 || n > kMaxMessageNumber) return false;
      const std::u16string stream = MessageStreamName(static_cast<uint32_t>(n));
      switch (context.store.CreateNew(context.talkPath, stream, bytes)) {
        case StreamStore::CreateResult::kCreated:
          // Not n + 1: the watcher moves past n when it reads the record back.
          context.nextNumber.store(static_cast<uint32_t>(n));
          return true;
        case StreamStore::CreateResult::kExists:
          break;
        case StreamStore::CreateResult::kDenied:
          // Taken while its stream is there; a talk that denies every
          // create fails here, not after a search through the numbers.
          if (++denied == kAppendTries || !context.store.Exists(context.talkPath, stream))
            return false;
          break;
        case StreamStore::CreateResult::kFailed:
          return false;
      }
    }
    n = TalkEnd(context, static_cast<uint32_t>(n - 1));
  }
}

}  // namespace mirelon
