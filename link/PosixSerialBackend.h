// POSIX terminal side of the serial port: opening for exclusive use, raw line settings, modem
// lines, and reads and writes with the port's time limits. Every call goes through a SerialSystem.
#pragma once

#include <termios.h>

#include <string>

class SerialSystem;
class TCustomComPort;
class TComTimeouts;

namespace serial_backend {

// The line's own settings, kept while the port has it and put back when it is closed.
using SavedLine = termios;

struct ModemLines {
  bool cts = false;
  bool dsr = false;
  bool rlsd = false;
};

// The CTS, DSR and carrier lines; all off on a device without modem lines. Raises reason 11.
ModemLines ReadModemLines(SerialSystem& system, int fd);

// Drops what is queued either way. Returns 0, or errno when that failed for another reason than
// a line that has gone away (which cannot be flushed, and is no reason to stay open).
int DropQueuedBytes(SerialSystem& system, int fd);

// Without a total read limit a read never waits longer than this for the next byte, so that a
// silent line cannot hang the user-interface thread. The port's own callers only ask for bytes
// that are already waiting, which arrive at once.
constexpr int kIdleReadLimitMs = 1000;

// Opens `path` for reading and writing as this process's own line, keeps the settings found on it
// in `previous` and drops input that was queued before. Raises reason 1 with errno; on failure
// nothing stays open.
int OpenExclusive(SerialSystem& system, const std::string& path, termios& previous);

// Puts back `previous`, gives up exclusive use and closes. Failures are ignored: a line that has
// hung up refuses the first two and must still be released.
void CloseRestoring(SerialSystem& system, int fd, const termios& previous);

// Raw-mode settings for `port`, built on `current` with every flag that matters set explicitly.
// The speed is left to ApplyLineState.
termios MakeRawSettings(const termios& current, const TCustomComPort& port);

// Applies speed, character format, flow control and the DTR/RTS lines. Raises reason 7.
void ApplyLineState(SerialSystem& system, int fd, const TCustomComPort& port);

// Writes all `size` bytes unless `limitMs` (> 0) runs out first; returns the bytes written.
// Raises reason 2.
int WriteWithTimeLimit(SerialSystem& system, int fd, const char* data, int size, long long limitMs);

// Reads at most `size` bytes as the port's time-outs say (see ReceiveText). Raises reason 3, but
// bytes already read are returned rather than lost; the error shows again at the next read.
int ReadWithTimeLimits(SerialSystem& system, int fd, char* data, int size,
                       const TComTimeouts& timeouts);

// Bytes waiting in the input queue, or -1 with errno.
int BytesWaiting(SerialSystem& system, int fd);

// True when `error` says the device has gone away (hang-up or unplugged).
bool MeansDeviceGone(int error);

}  // namespace serial_backend
