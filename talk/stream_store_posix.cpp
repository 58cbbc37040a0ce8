// Streams as sibling files: stream S of talk file F is the regular file
// "F:S" in F's folder, F itself an empty regular file. A new stream is
// written completely under a hidden temporary name, then published with
// link(), which fails when the name is taken; so readers never see part of
// a record and two writers never share a number.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "base/unique_fd_posix.h"
#include "base/utf.h"
#include "talk/stream_store.h"

namespace mirelon {
namespace {

class HeldFd : public HeldFile {
 public:
  explicit HeldFd(int fd) : fd_(fd) {}

 private:
  UniqueFd fd_;
};

struct SplitPath {
  std::string folder;  // with a trailing '/', or empty for the current folder
  std::string name;
};

SplitPath Split(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string StreamPath(const std::u16string& file, std::u16string_view stream) {
  return Utf16ToUtf8(file) + ":" + Utf16ToUtf8(stream);
}

// Writes `bytes` to a new hidden file in the talk's folder. Its name starts
// with "." and holds no ":", so no listing takes it for a stream. Returns
// the name, or empty on failure (nothing is left behind then).
std::string WriteTemporary(const std::string& talk, std::string_view bytes) {
  SplitPath p = Split(talk);
  std::string base = p.name;
  for (char& c : base)
    if (c == ':') c = '_';
  std::string tmpl = p.folder + "." + base + "~XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.get() < 0) return {};
  // Every participant reads the streams; nobody writes them again. As on
  // NTFS, a record is not flushed to the disk before it is published.
  bool ok = ::fchmod(fd.get(), 0644) == 0 && WriteAll(fd.get(), bytes);
  ok = fd.Close() && ok;
  if (!ok) {
    ::unlink(name.data());
    return {};
  }
  return std::string(name.data());
}

class PosixStreamStore : public StreamStore {
 public:
  CreateResult CreateNew(const std::u16string& file, std::u16string_view stream,
                         std::string_view bytes) override {
    const std::string target = StreamPath(file, stream);
    // A taken name is common when writers collide; it needs no temporary
    // file to find out. link() still decides.
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) return CreateResult::kExists;
    const std::string temp = WriteTemporary(Utf16ToUtf8(file), bytes);
    if (temp.empty()) return CreateResult::kFailed;
    int rc = ::link(temp.c_str(), target.c_str());
    int err = errno;
    ::unlink(temp.c_str());
    if (rc == 0) return CreateResult::kCreated;
    return err == EEXIST ? CreateResult::kExists : CreateResult::kFailed;
  }

  bool Replace(const std::u16string& file, std::u16string_view stream,
               std::string_view bytes) override {
    const std::string temp = WriteTemporary(Utf16ToUtf8(file), bytes);
    if (temp.empty()) return false;
    if (::rename(temp.c_str(), StreamPath(file, stream).c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
  }

  ReadResult Read(const std::u16string& file, std::u16string_view stream, uint64_t limit) override {
    ReadResult r;
    UniqueFd fd(::open(StreamPath(file, stream).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
      r.status = (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Status::kMissing
                                                       : ReadResult::Status::kFailed;
      return r;
    }
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return r;
    return ReadSized(static_cast<uint64_t>(st.st_size), limit, [&](char* to, size_t n) {
      ssize_t got;
      do got = ::read(fd.get(), to, n);
      while (got < 0 && errno == EINTR);
      return static_cast<int64_t>(got);
    });
  }

  bool Exists(const std::u16string& file, std::u16string_view stream) override {
    struct stat st;
    return ::stat(StreamPath(file, stream).c_str(), &st) == 0;
  }

  ListResult List(const std::u16string& file,
                  const std::function<bool(std::u16string_view)>& visit) override {
    SplitPath p = Split(Utf16ToUtf8(file));
    DIR* dir = ::opendir(p.folder.empty() ? "." : p.folder.c_str());
    if (!dir) return ListResult::kFailed;
    const std::string prefix = p.name + ":";
    bool any = false;
    while (const dirent* e = ::readdir(dir)) {
      std::string_view entry(e->d_name);
      if (entry.size() <= prefix.size() || entry.substr(0, prefix.size()) != prefix) continue;
      any = true;
      std::u16string reported = u":" + Utf8ToUtf16Lenient(entry.substr(prefix.size())) + u":$DATA";
      if (!visit(reported)) break;
    }
    ::closedir(dir);
    return any ? ListResult::kListed : ListResult::kNoStreams;
  }

  bool EnsureFile(const std::u16string& file) override {
    const std::string path = Utf16ToUtf8(file);
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() >= 0) return true;
    struct stat st;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  std::unique_ptr<HeldFile> Hold(const std::u16string& file) override {
    int fd = ::open(Utf16ToUtf8(file).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<HeldFd>(fd);
  }
};

}  // namespace

std::unique_ptr<StreamStore> CreatePlatformStreamStore() {
  return std::make_unique<PosixStreamStore>();
}

}  // namespace mirelon
