// Serial devices as COM ports, opened for overlapped I/O.
#include <windows.h>

#include <atomic>

#include "base/utf.h"
#include "serial/serial_device.h"

namespace mirelon {
namespace {

constexpr DWORD kQueueSize = 16384;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kEventMask = EV_RXCHAR | EV_ERR;

class Win32SerialDevice : public SerialDevice {
 public:
  Win32SerialDevice(HANDLE handle, HANDLE readEvent, HANDLE writeEvent)
      : handle_(handle), readEvent_(readEvent), writeEvent_(writeEvent) {}
  ~Win32SerialDevice() override {
    CloseHandle(handle_);
    CloseHandle(readEvent_);
    CloseHandle(writeEvent_);
  }

  bool Configure(uint32_t baud) override {
    DCB dcb = {};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(handle_, &dcb)) return false;
    dcb.BaudRate = baud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fOutxCtsFlow = 1;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fAbortOnError = 1;
    dcb.XonLim = 100;
    dcb.XoffLim = 100;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return SetCommState(handle_, &dcb) != 0;
  }

  void SetDtr(bool on) override { EscapeCommFunction(handle_, on ? SETDTR : CLRDTR); }

  DeviceQueues GetQueues() override {
    DeviceQueues q;
    DWORD errors = 0;
    COMSTAT status = {};
    if (!ClearCommError(handle_, &errors, &status)) {
      q.status = Classify(GetLastError());
      return q;
    }
    q.input = status.cbInQue;
    q.output = status.cbOutQue;
    return q;
  }

  ModemLines GetModemLines() override {
    DWORD status = 0;
    if (GetCommModemStatus(handle_, &status))
      return (status & (MS_CTS_ON | MS_DSR_ON)) ? ModemLines::kUp : ModemLines::kDown;
    DWORD error = GetLastError();
    // Ports that have no modem lines to report (Wine on a pty, some
    // virtual Bluetooth ports) say so with these.
    if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) return ModemLines::kNotReported;
    return Classify(error) == DeviceStatus::kGone ? ModemLines::kGone : ModemLines::kError;
  }

  DeviceRead Read(uint8_t* buffer, size_t n) override {
    DeviceRead r;
    DWORD got = 0;
    OVERLAPPED ov = {};
    ov.hEvent = readEvent_;
    ResetEvent(readEvent_);
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(n), &got, &ov)) {
      DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING || !GetOverlappedResult(handle_, &ov, &got, TRUE)) {
        if (error == ERROR_IO_PENDING) error = GetLastError();
        r.status = Classify(error);
        return r;
      }
    }
    r.count = got;
    return r;
  }

  DeviceStatus Write(const uint8_t* data, size_t n) override {
    DWORD put = 0;
    OVERLAPPED ov = {};
    ov.hEvent = writeEvent_;
    ResetEvent(writeEvent_);
    if (!WriteFile(handle_, data, static_cast<DWORD>(n), &put, &ov)) {
      DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING || !GetOverlappedResult(handle_, &ov, &put, TRUE)) {
        if (error == ERROR_IO_PENDING) error = GetLastError();
        return Classify(error);
      }
    }
    return put == n ? DeviceStatus::kOk : DeviceStatus::kError;
  }

  void Purge() override { PurgeComm(handle_, kPurgeAll); }
  void WatchEvents(bool on) override { SetCommMask(handle_, on ? kEventMask : 0); }

  void Cancel() override {
    cancelled_ = true;
    // CancelIoEx: the transfers to end were started by other threads.
    CancelIoEx(handle_, nullptr);
  }

 private:
  // Whether an error means the device has gone. An aborted transfer is also
  // what a line error does under fAbortOnError, and what Cancel does: the
  // device has gone only when its error state cannot even be read.
  DeviceStatus Classify(DWORD error) {
    switch (error) {
      case ERROR_BAD_COMMAND:
      case ERROR_ACCESS_DENIED:
      case ERROR_DEVICE_NOT_CONNECTED:
      case ERROR_DEVICE_REMOVED:
      case ERROR_INVALID_HANDLE:
        return DeviceStatus::kGone;
      case ERROR_OPERATION_ABORTED: {
        if (cancelled_.load()) return DeviceStatus::kError;
        DWORD errors = 0;
        COMSTAT status = {};
        if (ClearCommError(handle_, &errors, &status)) return DeviceStatus::kError;
        DWORD again = GetLastError();
        return again == ERROR_OPERATION_ABORTED ? DeviceStatus::kError : Classify(again);
      }
      default:
        return DeviceStatus::kError;
    }
  }

  const HANDLE handle_;
  const HANDLE readEvent_;
  const HANDLE writeEvent_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace

std::shared_ptr<SerialDevice> OpenSystemSerialDevice(const std::u16string& name,
                                                     const DeviceTimeouts& timeouts) {
  // A port name, never a path: "\\.\%s" with a name holding separators
  // would reach files and other devices.
  if (name.empty() || name.find_first_of(u"\\/:") != std::u16string::npos ||
      name.find(u'\0') != std::u16string::npos)
    return nullptr;
  std::wstring path = L"\\\\.\\" + ToWide(name);
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (GetFileType(handle) != FILE_TYPE_CHAR) {
    CloseHandle(handle);
    return nullptr;
  }
  HANDLE readEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE writeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!readEvent || !writeEvent) {
    if (readEvent) CloseHandle(readEvent);
    if (writeEvent) CloseHandle(writeEvent);
    CloseHandle(handle);
    return nullptr;
  }
  SetupComm(handle, kQueueSize, kQueueSize);
  COMMTIMEOUTS t = {};
  t.ReadIntervalTimeout = MAXDWORD;  // a read returns at once with what is queued
  t.ReadTotalTimeoutMultiplier = 0;
  t.ReadTotalTimeoutConstant = 0;
  t.WriteTotalTimeoutMultiplier = static_cast<DWORD>(timeouts.writePerByteMs);
  t.WriteTotalTimeoutConstant = static_cast<DWORD>(timeouts.writeConstantMs);
  SetCommTimeouts(handle, &t);
  return std::make_shared<Win32SerialDevice>(handle, readEvent, writeEvent);
}

}  // namespace mirelon
