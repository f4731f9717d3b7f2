// The few system calls the serial port makes, behind one seam so that tests can watch them.
//
// Every method behaves as the system call it is named after: on failure it returns -1 and leaves
// the reason in errno. The base class makes the real calls; a test derives from it, records what
// it is asked and passes the call on. Methods may be called from the user-interface thread and
// from the watch thread at the same time.
#pragma once

#include <poll.h>
#include <sys/types.h>
#include <termios.h>

#include <memory>

class SerialSystem {
 public:
  virtual ~SerialSystem() = default;

  // The shared instance that makes the real calls.
  static std::shared_ptr<SerialSystem> Real();

  virtual int Open(const char* path, int flags);
  virtual int Close(int fd);
  // Requests that take no argument (TIOCEXCL, TIOCNXCL).
  virtual int Ioctl(int fd, unsigned long request);
  // Requests that take a pointer to an int (TIOCMBIS, TIOCMBIC, TIOCMGET, FIONREAD).
  virtual int Ioctl(int fd, unsigned long request, int* value);
  virtual int TcGetAttr(int fd, termios* settings);
  virtual int TcSetAttr(int fd, int when, const termios* settings);
  virtual int TcFlush(int fd, int queue);
  virtual int Flock(int fd, int operation);
  virtual ssize_t Read(int fd, void* buffer, size_t size);
  virtual ssize_t Write(int fd, const void* buffer, size_t size);
  virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs);
  // Sets input and output speed to any number of bits per second, for rates that have no speed
  // constant of their own. Call after TcSetAttr, which would put a constant speed back.
  virtual int SetArbitrarySpeed(int fd, int bitsPerSecond);
};
