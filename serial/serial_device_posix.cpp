// Serial devices as tty device paths: a USB serial adapter (/dev/ttyUSB0),
// an rfcomm Bluetooth device (/dev/rfcomm0) or a pty.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "base/utf.h"
#include "serial/serial_device.h"

namespace mirelon {
namespace {

// Errors that mean the device itself has gone (unplugged adapter, lost
// Bluetooth link, hung-up line).
bool IsGone(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == EBADF; }

speed_t SpeedOf(uint32_t baud) {
  switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
  }
}

class PosixSerialDevice : public SerialDevice {
 public:
  PosixSerialDevice(int fd, const DeviceTimeouts& timeouts) : fd_(fd), timeouts_(timeouts) {}
  ~PosixSerialDevice() override { close(fd_); }

  bool Configure(uint32_t baud) override {
    speed_t speed = SpeedOf(baud);
    termios t;
    if (speed == B0 || tcgetattr(fd_, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    // CLOCAL: the carrier line plays no part; presence is judged from
    // CTS/DSR by the port.
    t.c_cflag |= CS8 | CREAD | CLOCAL | CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return tcsetattr(fd_, TCSANOW, &t) == 0;
  }

  void SetDtr(bool on) override {
    int bits = TIOCM_DTR;
    ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits);
  }

  DeviceQueues GetQueues() override {
    DeviceQueues q;
    // A hung-up line (the other end or the adapter gone) shows in poll.
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
      q.status = DeviceStatus::kGone;
      return q;
    }
    int in = 0, out = 0;
    if (ioctl(fd_, FIONREAD, &in) != 0) {
      q.status = IsGone(errno) ? DeviceStatus::kGone : DeviceStatus::kError;
      return q;
    }
    if (ioctl(fd_, TIOCOUTQ, &out) != 0) out = 0;
    q.input = static_cast<uint32_t>(std::max(in, 0));
    q.output = static_cast<uint32_t>(std::max(out, 0));
    return q;
  }

  ModemLines GetModemLines() override {
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) == 0)
      return (bits & (TIOCM_CTS | TIOCM_DSR)) ? ModemLines::kUp : ModemLines::kDown;
    if (IsGone(errno)) return ModemLines::kGone;
    // A pty and some virtual ports have no modem lines at all.
    if (errno == ENOTTY || errno == EINVAL || errno == ENOTSUP) return ModemLines::kNotReported;
    return ModemLines::kError;
  }

  DeviceRead Read(uint8_t* buffer, size_t n) override {
    DeviceRead r;
    ssize_t got = read(fd_, buffer, n);
    if (got > 0) {
      r.count = static_cast<size_t>(got);
    } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
      r.status = IsGone(errno) ? DeviceStatus::kGone : DeviceStatus::kError;
    }
    return r;
  }

  DeviceStatus Write(const uint8_t* data, size_t n) override {
    const int64_t deadline =
        NowMs() + timeouts_.writeConstantMs + timeouts_.writePerByteMs * static_cast<int64_t>(n);
    size_t done = 0;
    while (done < n) {
      if (cancelled_.load()) return DeviceStatus::kError;
      ssize_t put = write(fd_, data + done, n - done);
      if (put > 0) {
        done += static_cast<size_t>(put);
        continue;
      }
      if (put < 0 && errno != EAGAIN && errno != EINTR)
        return IsGone(errno) ? DeviceStatus::kGone : DeviceStatus::kError;
      int64_t left = deadline - NowMs();
      if (left <= 0) return DeviceStatus::kError;
      // Short slices, so that Cancel ends a write held up by flow control.
      pollfd p{fd_, POLLOUT, 0};
      if (poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 50))) > 0 &&
          (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return DeviceStatus::kGone;
    }
    return DeviceStatus::kOk;
  }

  // Discards received bytes only. A tty's write() returns before the bytes
  // are sent, so flushing its output would throw away frames the program
  // counts as written (the closing frame at Close among them); the driver
  // sends them on its own.
  void Purge() override { tcflush(fd_, TCIFLUSH); }
  // The reader polls the queue length; there are no event masks here.
  void WatchEvents(bool) override {}
  void Cancel() override { cancelled_ = true; }

 private:
  const int fd_;
  const DeviceTimeouts timeouts_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace

std::shared_ptr<SerialDevice> OpenSystemSerialDevice(const std::u16string& name,
                                                     const DeviceTimeouts& timeouts) {
  // A port name is a device path; anything else (such as "NULL") is none.
  std::string path = Utf16ToUtf8(name);
  if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) return nullptr;
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // Exclusive like a COM port opened with share mode 0: TIOCEXCL keeps
  // other openers out (except privileged ones), the lock keeps out other
  // instances of this program whatever their privileges.
  if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
    close(fd);
    return nullptr;
  }
  return std::make_shared<PosixSerialDevice>(fd, timeouts);
}

}  // namespace mirelon
