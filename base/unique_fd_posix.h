// Owning file descriptor and a complete write, for the POSIX back ends.
#pragma once

#include <errno.h>
#include <unistd.h>

#include <cstddef>
#include <string_view>

namespace mirelon {

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { Close(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }
  // True when there was nothing to close or close() succeeded.
  bool Close() {
    if (fd_ < 0) return true;
    int f = fd_;
    fd_ = -1;
    return ::close(f) == 0;
  }

 private:
  int fd_;
};

// Writes all of `bytes`, going on after short writes and interruptions.
inline bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace mirelon
