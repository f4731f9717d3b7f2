#include "link/SerialSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Defined in SerialArbitrarySpeed.cpp: the kernel's extended terminal structure cannot share a
// translation unit with <termios.h>.
int SetArbitrarySerialSpeed(int fd, int bitsPerSecond);

std::shared_ptr<SerialSystem> SerialSystem::Real() {
  static const std::shared_ptr<SerialSystem> real = std::make_shared<SerialSystem>();
  return real;
}

int SerialSystem::Open(const char* path, int flags) {
  return ::open(path, flags);
}
int SerialSystem::Close(int fd) {
  return ::close(fd);
}
int SerialSystem::Ioctl(int fd, unsigned long request) {
  return ::ioctl(fd, request);
}
int SerialSystem::Ioctl(int fd, unsigned long request, int* value) {
  return ::ioctl(fd, request, value);
}
int SerialSystem::TcGetAttr(int fd, termios* settings) {
  return ::tcgetattr(fd, settings);
}
int SerialSystem::TcSetAttr(int fd, int when, const termios* settings) {
  return ::tcsetattr(fd, when, settings);
}
int SerialSystem::TcFlush(int fd, int queue) {
  return ::tcflush(fd, queue);
}
int SerialSystem::Flock(int fd, int operation) {
  return ::flock(fd, operation);
}
ssize_t SerialSystem::Read(int fd, void* buffer, size_t size) {
  return ::read(fd, buffer, size);
}
ssize_t SerialSystem::Write(int fd, const void* buffer, size_t size) {
  return ::write(fd, buffer, size);
}
int SerialSystem::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
  return ::poll(fds, count, timeoutMs);
}
int SerialSystem::SetArbitrarySpeed(int fd, int bitsPerSecond) {
  return SetArbitrarySerialSpeed(fd, bitsPerSecond);
}
