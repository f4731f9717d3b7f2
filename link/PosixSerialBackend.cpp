#include "link/PosixSerialBackend.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>

#include "link/CPort.h"
#include "link/SerialSystem.h"

namespace serial_backend {
namespace {

using Clock = std::chrono::steady_clock;
constexpr Clock::time_point kNoDeadline = Clock::time_point::max();

// Waits until `fd` shows `events`, a hang-up or an error, or until `deadline`. Retries EINTR and
// keeps track of the time left. Returns the events seen (0 when the deadline passed), or -1.
int WaitReady(SerialSystem& system, int fd, short events, Clock::time_point deadline) {
  for (;;) {
    int timeoutMs = -1;
    if (deadline != kNoDeadline) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return 0;
      timeoutMs = static_cast<int>(std::min<long long>(left, INT_MAX));
    }
    pollfd entry{fd, events, 0};
    int ready = system.Poll(&entry, 1, timeoutMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (ready > 0) return entry.revents;
  }
}

bool StandardSpeed(int bitsPerSecond, speed_t& speed) {
  static const struct {
    int rate;
    speed_t constant;
  } kSpeeds[] = {{50, B50},         {75, B75},         {110, B110},       {134, B134},
                 {150, B150},       {200, B200},       {300, B300},       {600, B600},
                 {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
                 {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
                 {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};
  for (const auto& entry : kSpeeds) {
    if (entry.rate == bitsPerSecond) {
      speed = entry.constant;
      return true;
    }
  }
  return false;
}

// Raises or lowers one modem line. Devices without modem lines (pseudo-terminals answer ENOTTY,
// some adapters EINVAL) are still usable lines, so that answer is not a failure.
void SetModemLine(SerialSystem& system, int fd, int line, bool on) {
  if (system.Ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0 && errno != ENOTTY &&
      errno != EINVAL) {
    throw EComPort(kReasonSetStateFailed, errno);
  }
}

}  // namespace

ModemLines ReadModemLines(SerialSystem& system, int fd) {
  int lines = 0;
  if (system.Ioctl(fd, TIOCMGET, &lines) != 0) {
    // Devices without modem lines report them all off.
    if (errno != ENOTTY && errno != EINVAL) throw EComPort(kReasonModemLinesFailed, errno);
    lines = 0;
  }
  return {(lines & TIOCM_CTS) != 0, (lines & TIOCM_DSR) != 0, (lines & TIOCM_CD) != 0};
}

int DropQueuedBytes(SerialSystem& system, int fd) {
  if (system.TcFlush(fd, TCIOFLUSH) != 0 && !MeansDeviceGone(errno)) return errno;
  return 0;
}

bool MeansDeviceGone(int error) {
  return error == EIO || error == ENXIO || error == ENODEV;
}

int OpenExclusive(SerialSystem& system, const std::string& path, termios& previous) {
  // O_NOCTTY: the line must never become this process's controlling terminal. O_NONBLOCK: opening
  // does not wait for carrier, and every read and write is paced by poll with the port's limits.
  int fd = system.Open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw EComPort(kReasonOpenFailed, errno);
  auto fail = [&](int error) {
    system.Close(fd);
    throw EComPort(kReasonOpenFailed, error);
  };
  // Exclusive use needs both locks. flock binds every process that asks for it, root included,
  // but only those that ask. TIOCEXCL makes the kernel refuse any further open of the device,
  // but root is exempt from it. The lock comes first so that a refused open does not touch the
  // terminal flags of the line's present user.
  if (system.Flock(fd, LOCK_EX | LOCK_NB) != 0) fail(errno == EWOULDBLOCK ? EBUSY : errno);
  if (system.Ioctl(fd, TIOCEXCL) != 0) fail(errno);
  if (system.TcGetAttr(fd, &previous) != 0) fail(errno);
  // Bytes the far end sent before the port was opened are not for us.
  if (system.TcFlush(fd, TCIFLUSH) != 0) fail(errno);
  return fd;
}

void CloseRestoring(SerialSystem& system, int fd, const termios& previous) {
  system.TcSetAttr(fd, TCSANOW, &previous);
  // The exclusive flag belongs to the terminal, not to this descriptor: a terminal that stays
  // open elsewhere would otherwise keep refusing everyone.
  system.Ioctl(fd, TIOCNXCL);
  system.Close(fd);  // also releases the flock
}

termios MakeRawSettings(const termios& current, const TCustomComPort& port) {
  termios settings = current;
  const TComParity& parity = port.Parity();
  const TComFlowControl& flow = port.FlowControl();

  // Input: no break or CR/LF handling, no stripping, software flow control only on request.
  settings.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                        IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL | IUTF8);
  if (parity.Check()) settings.c_iflag |= INPCK;  // a byte with a parity error reads as 0
  if (flow.XonXoffOut()) settings.c_iflag |= IXON;
  if (flow.XonXoffIn()) settings.c_iflag |= IXOFF;
  settings.c_cc[VSTART] = flow.XonChar();
  settings.c_cc[VSTOP] = flow.XoffChar();

  // Output and local modes: bytes go out untranslated; no echo, line editing or signals.
  settings.c_oflag &= ~(OPOST | ONLCR | OCRNL | ONOCR | ONLRET | OLCUC | OFILL);
  settings.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ECHOPRT | ICANON | ISIG |
                        IEXTEN | NOFLSH | TOSTOP | XCASE);

  // Control modes: modem lines do not gate reception (CLOCAL), the receiver is on (CREAD), and
  // closing does not drop the lines by itself (~HUPCL): the owner lowers RTS before closing.
  settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
  settings.c_cflag |= CLOCAL | CREAD;
  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  settings.c_cflag |= kSizes[std::clamp(static_cast<int>(port.DataBits()), 0, 3)];
  switch (parity.Bits()) {
    case prNone:
      break;
    case prOdd:
      settings.c_cflag |= PARENB | PARODD;
      break;
    case prEven:
      settings.c_cflag |= PARENB;
      break;
    case prMark:
      settings.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case prSpace:
      settings.c_cflag |= PARENB | CMSPAR;
      break;
  }
  // One and a half stop bits have no counterpart; the line keeps one.
  if (port.StopBits() == sbTwoStopBits) settings.c_cflag |= CSTOPB;
  if (flow.OutCTSFlow() || flow.ControlRTS() == rtsHandshake) settings.c_cflag |= CRTSCTS;

  // Reads never block in the driver: the port's own time limits pace them.
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  return settings;
}

void ApplyLineState(SerialSystem& system, int fd, const TCustomComPort& port) {
  termios current;
  if (system.TcGetAttr(fd, &current) != 0) throw EComPort(kReasonSetStateFailed, errno);
  termios settings = MakeRawSettings(current, port);

  const int rate =
      port.BaudRate() == brCustom ? port.CustomBaudRate() : BaudRateValue(port.BaudRate());
  if (rate <= 0) throw EComPort(kReasonSetStateFailed, EINVAL);
  speed_t speed;
  const bool standard = StandardSpeed(rate, speed);
  if (!standard) speed = B38400;  // placeholder, replaced by the exact rate below
  if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0) {
    throw EComPort(kReasonSetStateFailed, errno);
  }
  if (system.TcSetAttr(fd, TCSANOW, &settings) != 0) throw EComPort(kReasonSetStateFailed, errno);
  if (!standard && system.SetArbitrarySpeed(fd, rate) != 0)
    throw EComPort(kReasonSetStateFailed, errno);

  // DTR: held low unless asked for (handshaking has no counterpart and keeps it high).
  SetModemLine(system, fd, TIOCM_DTR, port.FlowControl().ControlDTR() != dtrDisable);
  // RTS: high when enabled and, as the starting level, under hardware handshake (the driver
  // drives it from then on); toggling has no counterpart, so the line idles low.
  const TRTSFlowControl rts = port.FlowControl().ControlRTS();
  SetModemLine(system, fd, TIOCM_RTS, rts == rtsEnable || rts == rtsHandshake);
}

int WriteWithTimeLimit(SerialSystem& system, int fd, const char* data, int size,
                       long long limitMs) {
  const Clock::time_point deadline =
      limitMs > 0 ? Clock::now() + std::chrono::milliseconds(limitMs) : kNoDeadline;
  int written = 0;
  while (written < size) {
    ssize_t n = system.Write(fd, data + written, static_cast<size_t>(size - written));
    if (n > 0) {
      written += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) throw EComPort(kReasonWriteFailed, errno);
    int ready = WaitReady(system, fd, POLLOUT, deadline);
    if (ready < 0) throw EComPort(kReasonWriteFailed, errno);
    if (ready == 0) break;  // time limit: not an error, the count tells
    if ((ready & (POLLERR | POLLHUP | POLLNVAL)) && !(ready & POLLOUT))
      throw EComPort(kReasonWriteFailed, EIO);
  }
  return written;
}

int ReadWithTimeLimits(SerialSystem& system, int fd, char* data, int size,
                       const TComTimeouts& timeouts) {
  const int interval = timeouts.ReadInterval();
  const long long total =
      static_cast<long long>(timeouts.ReadTotalMultiplier()) * size + timeouts.ReadTotalConstant();
  // An interval of -1 (all ones) with no total limit: return at once with what is waiting.
  const bool atOnce = interval == -1 && total == 0;
  const Clock::time_point start = Clock::now();
  const Clock::time_point totalDeadline =
      total > 0 ? start + std::chrono::milliseconds(total) : kNoDeadline;

  int got = 0;
  Clock::time_point lastByte = start;
  auto failOrKeep = [&](int error) {
    if (got > 0) return got;
    throw EComPort(kReasonReadFailed, error);
  };
  while (got < size) {
    ssize_t n = system.Read(fd, data + got, static_cast<size_t>(size - got));
    if (n > 0) {
      got += static_cast<int>(n);
      lastByte = Clock::now();
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return failOrKeep(errno);
    // Nothing waiting (a terminal in raw mode answers 0 then, which is not an end of file).
    if (atOnce) break;
    Clock::time_point deadline = totalDeadline;
    if (got > 0 && interval > 0) {
      deadline = std::min(deadline, lastByte + std::chrono::milliseconds(interval));
    }
    if (total == 0) {
      deadline = std::min(deadline, lastByte + std::chrono::milliseconds(kIdleReadLimitMs));
    }
    int ready = WaitReady(system, fd, POLLIN, deadline);
    if (ready < 0) return failOrKeep(errno);
    if (ready == 0) break;
    if ((ready & (POLLERR | POLLHUP | POLLNVAL)) && !(ready & POLLIN)) return failOrKeep(EIO);
    if (ready & POLLHUP) {
      // A hung-up terminal keeps reporting input while reads give nothing: take what is left.
      ssize_t last = system.Read(fd, data + got, static_cast<size_t>(size - got));
      if (last > 0) {
        got += static_cast<int>(last);
        lastByte = Clock::now();
        continue;
      }
      return failOrKeep(EIO);
    }
  }
  return got;
}

int BytesWaiting(SerialSystem& system, int fd) {
  int count = 0;
  if (system.Ioctl(fd, FIONREAD, &count) != 0) return -1;
  return count;
}

}  // namespace serial_backend
