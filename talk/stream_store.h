// Access to the named streams of a talk file. A stream is addressed by the
// talk file's path and the stream's name ("Owner", "Description",
// "Msg000012").
//
// Windows keeps the streams as NTFS named data streams ("path:name"). On
// volumes that only emulate streams as sibling files (Wine on a Unix
// folder), and natively on POSIX, stream S of file F is the regular file
// "F:S" beside F; both builds then share one talk folder.
//
// Every operation is safe to call from several threads at once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace mirelon {

// A handle on the talk file held open while the talk is open; closing it is
// destroying it.
class HeldFile {
 public:
  virtual ~HeldFile() = default;
};

class StreamStore {
 public:
  virtual ~StreamStore() = default;

  enum class CreateResult {
    kCreated,  // the stream did not exist and now holds every byte
    kExists,   // the stream exists already (another writer has the name)
    kDenied,   // access denied: the name may be held by a stream being
               // deleted (a writer whose write failed), or the talk may not
               // be writable at all; Exists tells which
    kFailed,   // any other failure; nothing readable is left behind
  };
  // Creates a stream that must not exist yet. Readers never see it partly
  // written: it becomes visible complete, or stays invisible until it is.
  virtual CreateResult CreateNew(const std::u16string& file, std::u16string_view stream,
                                 std::string_view bytes) = 0;

  // Replaces a stream whole (creating it when missing).
  virtual bool Replace(const std::u16string& file, std::u16string_view stream,
                       std::string_view bytes) = 0;

  struct ReadResult {
    enum class Status {
      kOk,
      kMissing,  // the stream does not exist
      kBusy,     // it exists but cannot be read now (still being written, locked)
      kEmpty,    // it exists and holds nothing yet
      kFailed,   // any other failure
    } status = Status::kFailed;
    std::string bytes;  // at most `limit` bytes
    bool cut = false;   // the stream holds more than `limit` bytes
  };
  virtual ReadResult Read(const std::u16string& file, std::u16string_view stream,
                          uint64_t limit) = 0;

  // True when the stream exists, readable or not (one being deleted
  // included).
  virtual bool Exists(const std::u16string& file, std::u16string_view stream) = 0;

  enum class ListResult {
    kListed,     // every stream was reported (or the visitor stopped early)
    kNoStreams,  // the file has no named streams, or does not exist
    kFailed,     // the streams could not be listed
  };
  // Reports each named stream of the file as a listing names it, a colon,
  // the name, a colon and the stream type (":Msg000012:$DATA"), in the
  // order the file system gives. The visitor returns false to stop.
  virtual ListResult List(const std::u16string& file,
                          const std::function<bool(std::u16string_view reported)>& visit) = 0;

  // Makes sure the talk file itself exists (creating it empty), for file
  // systems where creating a stream does not create the file.
  virtual bool EnsureFile(const std::u16string& file) = 0;

  // Opens the talk file for reading, sharing only reading, for as long as
  // the result lives. Null when it cannot be opened.
  virtual std::unique_ptr<HeldFile> Hold(const std::u16string& file) = 0;

  // What is at a talk's path itself. Stores of this machine's folders ask
  // its file system (which is what this does); a store on a server asks
  // the server.
  enum class PathKind { kNothing, kFile, kFolder };
  virtual PathKind Examine(const std::u16string& path);
};

// The store of this platform.
std::unique_ptr<StreamStore> CreatePlatformStreamStore();

// A store's reading of a stream of `size` bytes, at most `limit` of them, in
// pieces: `read` puts up to n bytes at `to` and says how many (0 or less:
// the stream ended early, or the read failed).
StreamStore::ReadResult ReadSized(uint64_t size, uint64_t limit,
                                  const std::function<int64_t(char* to, size_t n)>& read);

}  // namespace mirelon
