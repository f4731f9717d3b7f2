// Speeds without a Bxxx constant (14400, 56000, 128000, 256000 or a custom rate) go through the
// kernel's extended terminal structure, which states the rate as a plain number.
#include <asm/termbits.h>
#include <sys/ioctl.h>

int SetArbitrarySerialSpeed(int fd, int bitsPerSecond) {
  struct termios2 settings;
  if (ioctl(fd, TCGETS2, &settings) != 0) return -1;
  settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  settings.c_ispeed = static_cast<speed_t>(bitsPerSecond);
  settings.c_ospeed = static_cast<speed_t>(bitsPerSecond);
  return ioctl(fd, TCSETS2, &settings);
}
