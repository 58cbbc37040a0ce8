#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "base/file_io.h"
#include "base/unique_fd_posix.h"
#include "base/utf.h"

namespace mirelon {

std::optional<std::string> ReadWholeFile(const std::u16string& path, uint64_t limit) {
  UniqueFd fd(::open(Utf16ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  if (static_cast<uint64_t>(st.st_size) >= limit) return std::nullopt;
  std::string data;
  data.resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::read(fd.get(), data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;  // shrank or failed: not the whole file
    done += static_cast<size_t>(n);
  }
  return data;
}

bool ReplaceFileContent(const std::u16string& path, std::string_view bytes) {
  const std::string target = Utf16ToUtf8(path);
  std::string tmpl = target + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  UniqueFd fd(::mkstemp(name.data()));
  if (fd.get() < 0) return false;
  // mkstemp creates 0600; settings files are ordinary user files.
  ::fchmod(fd.get(), 0644);
  bool ok = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  ok = ::close(fd.release()) == 0 && ok;
  if (ok && ::rename(name.data(), target.c_str()) == 0) return true;
  ::unlink(name.data());
  return false;
}

bool DirectoryExists(const std::u16string& path) {
  struct stat st;
  return ::stat(Utf16ToUtf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::u16string& path) {
  struct stat st;
  return ::stat(Utf16ToUtf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool EnsureDirectory(const std::u16string& path) {
  if (DirectoryExists(path)) return true;
  ::mkdir(Utf16ToUtf8(path).c_str(), 0755);
  return DirectoryExists(path);
}

}  // namespace mirelon
