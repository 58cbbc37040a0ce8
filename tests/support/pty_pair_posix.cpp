// Built into the test support library only natively (a Windows program
// cannot open a pty master).
#ifndef _WIN32
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <mutex>
#include <shared_mutex>

#include "support/terminal_simulator.h"

namespace mirelon {
namespace {

class PtyTerminalLink : public TerminalLink {
 public:
  explicit PtyTerminalLink(int master) : master_(master) {}
  ~PtyTerminalLink() override { Disappear(); }

  size_t Receive(uint8_t* buffer, size_t n, int64_t timeoutMs) override {
    std::shared_lock<std::shared_mutex> use(closing_);
    int fd = master_.load();
    if (fd < 0) {
      usleep(static_cast<useconds_t>(timeoutMs * 1000));
      return 0;
    }
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeoutMs)) <= 0 || !(p.revents & POLLIN)) {
      // Nobody has the slave open (POLLHUP): wait as a time-out would.
      if (p.revents & POLLHUP) usleep(static_cast<useconds_t>(timeoutMs * 1000));
      return 0;
    }
    ssize_t got = read(fd, buffer, n);
    return got > 0 ? static_cast<size_t>(got) : 0;
  }

  void Send(const uint8_t* data, size_t n) override {
    std::shared_lock<std::shared_mutex> use(closing_);
    size_t done = 0;
    while (done < n) {
      int fd = master_.load();
      if (fd < 0) return;
      ssize_t put = write(fd, data + done, n - done);
      if (put > 0) {
        done += static_cast<size_t>(put);
      } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
        return;
      } else {
        pollfd p{fd, POLLOUT, 0};
        poll(&p, 1, 20);
      }
    }
  }

  // A pty has no modem lines.
  void SetModemLines(bool, bool) override {}

  // Waits for a read or write in progress, so that the descriptor is not
  // closed under it.
  void Disappear() override {
    std::unique_lock<std::shared_mutex> noUse(closing_);
    int fd = master_.exchange(-1);
    if (fd >= 0) close(fd);
  }

 private:
  std::atomic<int> master_;
  std::shared_mutex closing_;
};

}  // namespace

PtyPair::PtyPair() {
  int fd = posix_openpt(O_RDWR | O_NOCTTY);
  if (fd < 0) return;
  if (grantpt(fd) != 0 || unlockpt(fd) != 0 || !ptsname(fd)) {
    close(fd);
    return;
  }
  slavePath_ = ptsname(fd);
  // Raw from the start, so that nothing the terminal sends is echoed back
  // before the program configures the line.
  int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
  if (slave >= 0) {
    termios t;
    if (tcgetattr(slave, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(slave, TCSANOW, &t);
    }
    close(slave);
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  // A program the test starts must not keep the terminal's end open: the
  // line hangs up when the terminal goes away.
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  master_ = fd;
}

PtyPair::~PtyPair() {
  if (master_ >= 0) close(master_);
}

std::unique_ptr<TerminalLink> PtyPair::Link() {
  int fd = master_;
  master_ = -1;
  return fd >= 0 ? std::make_unique<PtyTerminalLink>(fd) : nullptr;
}

}  // namespace mirelon
#endif
