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

bool AppendRecord(TalkContext& context, std::u16string_view record) {
  if (!context.IsOpen()) return false;
  const std::string bytes = Utf16ToUtf8(record);
  const uint32_t first = context.nextNumber.load();
  for (uint32_t i = 0; i < kAppendTries; ++i) {
    const uint32_t n = first + i;
    if (n == 0 || n > kMaxMessageNumber) return false;
    switch (context.store.CreateNew(context.talkPath, MessageStreamName(n), bytes)) {
      case StreamStore::CreateResult::kCreated:
        // Not n + 1: the watcher moves past n when it reads the record back.
        context.nextNumber.store(n);
        return true;
      case StreamStore::CreateResult::kExists:
        continue;
      case StreamStore::CreateResult::kFailed:
        return false;
    }
  }
  return false;
}

}  // namespace mirelon
