// Streams on Windows. On NTFS each stream is a named data stream of the
// talk file, created with CREATE_NEW and written under share mode 0, so
// readers are kept out until the record is complete. Volumes that do not
// report named streams (Wine on a Unix folder, where "F:S" is the sibling
// file F:S) get the sibling-file discipline of the POSIX build: write a
// hidden temporary file, publish it with a hard link, list the folder.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

#include "base/unique_handle_win32.h"
#include "base/utf.h"
#include "talk/stream_store_win32.h"

namespace mirelon {
namespace {

class HeldHandle : public HeldFile {
 public:
  explicit HeldHandle(HANDLE h) : h_(h) {}

 private:
  UniqueHandle h_;
};

std::wstring StreamPath(const std::u16string& file, std::u16string_view stream) {
  return ToWide(file) + L":" + ToWide(stream);
}

// What a failed create of a new stream means for its name.
StreamStore::CreateResult CreateFailure(DWORD e) {
  if (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS || e == ERROR_SHARING_VIOLATION)
    return StreamStore::CreateResult::kExists;
  // A stream whose writer failed is deleted as its handle closes; until
  // then every create of its name is denied, as is every create on a talk
  // that may not be written.
  if (e == ERROR_ACCESS_DENIED || e == ERROR_DELETE_PENDING)
    return StreamStore::CreateResult::kDenied;
  return StreamStore::CreateResult::kFailed;
}

size_t NameStart(const std::wstring& path) {
  size_t sep = path.find_last_of(L"\\/");
  return sep == std::wstring::npos ? 0 : sep + 1;
}

class Win32StreamStore : public StreamStore {
 public:
  explicit Win32StreamStore(Win32StreamStoreOptions options) : options_(std::move(options)) {}

  CreateResult CreateNew(const std::u16string& file, std::u16string_view stream,
                         std::string_view bytes) override {
    const std::wstring target = StreamPath(file, stream);
    if (SiblingFiles(file)) {
      // A taken name needs no temporary file to find out; the link decides.
      if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return CreateResult::kExists;
      std::wstring temp;
      std::unique_ptr<UniqueHandle> written = WriteTemporary(ToWide(file), bytes, temp);
      if (!written) return CreateResult::kFailed;
      BOOL ok = CreateHardLinkW(target.c_str(), temp.c_str(), nullptr);
      DWORD err = GetLastError();
      return ok ? CreateResult::kCreated : CreateFailure(err);
    }
    UniqueHandle h(CreateFileW(target.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return CreateFailure(GetLastError());
    // Once every byte is written the record is there for everybody, whatever
    // closing the handle says.
    if (options_.write ? options_.write(h.get(), bytes) : WriteAll(h.get(), bytes)) return CreateResult::kCreated;
    // Nobody may ingest a truncated record: the stream goes away as this
    // handle closes, before any reader can open it. Only through the handle:
    // by name, it could be another writer's record by then.
    FILE_DISPOSITION_INFO dispose{};
    dispose.DeleteFile = TRUE;
    SetFileInformationByHandle(h.get(), FileDispositionInfo, &dispose, sizeof dispose);
    return CreateResult::kFailed;
  }

  bool Replace(const std::u16string& file, std::u16string_view stream,
               std::string_view bytes) override {
    const std::wstring target = StreamPath(file, stream);
    if (SiblingFiles(file)) {
      // Linked under a fresh name first, which then replaces the old one.
      std::wstring temp;
      std::unique_ptr<UniqueHandle> written = WriteTemporary(ToWide(file), bytes, temp);
      if (!written) return false;
      const std::wstring fresh = temp + L"r";
      if (!CreateHardLinkW(fresh.c_str(), temp.c_str(), nullptr)) return false;
      if (MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
      DeleteFileW(fresh.c_str());
      return false;
    }
    UniqueHandle h(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return false;
    bool ok = WriteAll(h.get(), bytes);
    return h.Close() && ok;
  }

  ReadResult Read(const std::u16string& file, std::u16string_view stream, uint64_t limit) override {
    ReadResult r;
    UniqueHandle h(CreateFileW(StreamPath(file, stream).c_str(), GENERIC_READ, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
      DWORD e = GetLastError();
      if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
        r.status = ReadResult::Status::kMissing;
      else if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION)
        r.status = ReadResult::Status::kBusy;
      return r;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h.get(), &size) || size.QuadPart < 0) return r;
    return ReadSized(static_cast<uint64_t>(size.QuadPart), limit, [&](char* to, size_t n) {
      DWORD got = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
      return ReadFile(h.get(), to, chunk, &got, nullptr) ? static_cast<int64_t>(got) : int64_t{-1};
    });
  }

  bool Exists(const std::u16string& file, std::u16string_view stream) override {
    UniqueHandle h(CreateFileW(StreamPath(file, stream).c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h.valid()) return true;
    // Held without sharing by its writer, or being deleted: it is there.
    const DWORD e = GetLastError();
    return e == ERROR_SHARING_VIOLATION || e == ERROR_ACCESS_DENIED || e == ERROR_DELETE_PENDING;
  }

  ListResult List(const std::u16string& file,
                  const std::function<bool(std::u16string_view)>& visit) override {
    const std::wstring path = ToWide(file);
    WIN32_FIND_STREAM_DATA data;
    HANDLE find = FindFirstStreamW(path.c_str(), FindStreamInfoStandard, &data, 0);
    if (find == INVALID_HANDLE_VALUE) {
      DWORD e = GetLastError();
      // Emulated streams cannot be enumerated (Wine answers 38); their
      // sibling files can.
      if (e == ERROR_HANDLE_EOF || e == ERROR_FILE_NOT_FOUND) return ListFolder(path, visit);
      return ListResult::kFailed;
    }
    bool any = false;
    do {
      std::u16string_view name = reinterpret_cast<const char16_t*>(data.cStreamName);
      if (name == u"::$DATA") continue;  // the main stream
      any = true;
      if (!visit(name)) break;
    } while (FindNextStreamW(find, &data));
    FindClose(find);
    return any ? ListResult::kListed : ListResult::kNoStreams;
  }

  bool EnsureFile(const std::u16string& file) override {
    UniqueHandle h(CreateFileW(ToWide(file).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return h.valid();
  }

  std::unique_ptr<HeldFile> Hold(const std::u16string& file) override {
    HANDLE h = CreateFileW(ToWide(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<HeldHandle>(h);
  }

 private:
  // True when the talk's volume does not report named streams. Such a
  // volume either emulates them as sibling files (then the sibling-file
  // discipline is the safe one) or has none (then every create fails and
  // the caller reports it). Asked once per volume.
  bool SiblingFiles(const std::u16string& file) {
    if (options_.forceNamedStreams) return false;
    const std::wstring path = ToWide(file);
    wchar_t root[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = sibling_.find(root);
    if (it != sibling_.end()) return it->second;
    DWORD flags = 0;
    bool sibling = GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
                   !(flags & FILE_NAMED_STREAMS);
    sibling_.emplace(root, sibling);
    return sibling;
  }

  // A hidden temporary file in the talk's folder holding `bytes`, open
  // and deleted again when the returned handle closes. Its name holds no
  // ":", so no listing takes it for a stream. The handle shares everything,
  // so the file can be linked under a stream's name while it is open.
  std::unique_ptr<UniqueHandle> WriteTemporary(const std::wstring& talk, std::string_view bytes,
                                               std::wstring& name) {
    std::wstring base = talk.substr(NameStart(talk));
    for (auto& c : base)
      if (c == L':') c = L'_';
    const std::wstring folder = talk.substr(0, NameStart(talk));
    for (int attempt = 0; attempt < 100; ++attempt) {
      name = folder + L"." + base + L"~" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(counter_++);
      auto h = std::make_unique<UniqueHandle>(
          CreateFileW(name.c_str(), GENERIC_WRITE | DELETE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
      if (!h->valid()) {
        if (GetLastError() == ERROR_FILE_EXISTS) continue;
        return nullptr;
      }
      if (!WriteAll(h->get(), bytes)) return nullptr;
      return h;
    }
    return nullptr;
  }

  ListResult ListFolder(const std::wstring& talk,
                        const std::function<bool(std::u16string_view)>& visit) {
    const std::wstring prefix = talk.substr(NameStart(talk)) + L":";
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((talk.substr(0, NameStart(talk)) + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
      return GetLastError() == ERROR_FILE_NOT_FOUND ? ListResult::kNoStreams : ListResult::kFailed;
    bool any = false;
    do {
      std::wstring_view entry(data.cFileName);
      if (entry.size() <= prefix.size() || entry.substr(0, prefix.size()) != prefix) continue;
      any = true;
      std::u16string reported = u":" + FromWide(entry.substr(prefix.size())) + u":$DATA";
      if (!visit(reported)) break;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return any ? ListResult::kListed : ListResult::kNoStreams;
  }

  const Win32StreamStoreOptions options_;
  std::mutex mutex_;
  std::map<std::wstring, bool> sibling_;
  std::atomic<unsigned> counter_{0};
};

}  // namespace

std::unique_ptr<StreamStore> CreateWin32StreamStore(Win32StreamStoreOptions options) {
  return std::make_unique<Win32StreamStore>(std::move(options));
}

std::unique_ptr<StreamStore> CreatePlatformStreamStore() { return CreateWin32StreamStore({}); }

}  // namespace mirelon
