// Reading and writing the streams of a talk file, and the numbering rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "talk/records.h"
#include "talk/stream_store.h"

namespace mirelon {

class TalkContext;

// At most this much of one stream is held; a longer record is shown cut.
inline constexpr uint64_t kRecordLimit = 1 << 20;

// Tries of AppendRecord from NextNumber on before it looks for the talk's
// end; also how many denied creates it takes before it gives up.
inline constexpr uint32_t kAppendTries = 100;

// A stream read and decoded. `text` is set for kOk and kUndecodable (the
// latter decoded leniently, with U+FFFD for bad bytes).
struct StreamText {
  enum class Status { kOk, kUndecodable, kMissing, kNotReady } status = Status::kNotReady;
  std::u16string text;
};
StreamText ReadStream(StreamStore& store, const std::u16string& talk, std::u16string_view stream);

// The text of a stream; none when it is missing, empty, still being
// written, unreadable or not decodable.
std::optional<std::u16string> ReadStreamText(StreamStore& store, const std::u16string& talk,
                                             std::u16string_view stream);

// Writes the text as UTF-8 into a stream that must not exist yet.
StreamStore::CreateResult WriteNewStream(StreamStore& store, std::u16string_view text,
                                         const std::u16string& talk, std::u16string_view stream);

// Replaces the talk's "Description" whole.
bool WriteDescriptionStream(StreamStore& store, std::u16string_view text, const std::u16string& talk);

// Stores the record under the first free number from the context's
// NextNumber on. A taken number moves on to the next one; when
// kAppendTries numbers in a row are taken, others have written more than
// this program has read, and claiming goes on at the talk's end. A denied
// create counts as taken while the number's stream exists (it is being
// deleted); the kAppendTries-th denied create ends the attempt, as does any
// other failure at once: false only when the record could not be written.
// On success NextNumber is the number written.
bool AppendRecord(TalkContext& context, std::u16string_view record);

// The PC user's logon name, at most 64 characters; empty when unknown.
std::u16string UserName();

// The local time now, as records show it.
LocalTime CurrentLocalTime();

}  // namespace mirelon
