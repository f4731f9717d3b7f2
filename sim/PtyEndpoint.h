// The logger's end of a pseudo-terminal. The emulator holds only the master side, so the master
// reports a hang-up exactly while no program has the port (the slave side) open; a watch on the
// port's path tells when a program closed it, so that bytes it left unread can be dropped before
// the next program opens the port.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

class PtyEndpoint {
 public:
  using Clock = std::chrono::steady_clock;

  enum class WriteResult { Done, ClientGone, Stopped, TimedOut };

  // Opens the pseudo-terminal in raw mode. Throws std::runtime_error when none can be had.
  PtyEndpoint();
  ~PtyEndpoint();
  PtyEndpoint(const PtyEndpoint&) = delete;
  PtyEndpoint& operator=(const PtyEndpoint&) = delete;

  const std::string& Path() const { return path_; }

  // True while some program has the port open.
  bool ClientPresent() const;
  // True when a program closed the port since the last call (watch events are consumed).
  bool TakeClientClosed();
  // Drops the bytes waiting in the port's input queue: what a program that has gone left unread.
  void DiscardStaleOutput();
  // Appends what the program has written.
  void ReadInput(std::string& out);

  // Waits until `deadline`, a stop request, a program opening or closing the port, or (when
  // `watchInput`) bytes from the program. Returns false on a stop request.
  bool Wait(Clock::time_point deadline, bool watchInput);
  // Sleeps until `deadline` unless stopped first. Returns false on a stop request.
  bool SleepUntil(Clock::time_point deadline);

  // Writes `data` in full. With a baud rate the bytes are handed over as they would come off a
  // line at that rate (8 data bits, 1 start and 1 stop bit), `deliveryMs` of line time at once
  // (0: a byte at a time); 0 baud writes at once. Gives up after `patience` when the program does
  // not take the bytes.
  WriteResult Write(std::string_view data, int baud,
                    Clock::duration patience = Clock::duration::max());
  // How much line time a paced write hands over at once; 2 ms unless set.
  void SetDeliveryMs(int ms) { deliveryMs_ = ms; }
  // When the last byte written at line pace has gone out (now, when unpaced).
  Clock::time_point LineIdleAt() const;

  // Any thread: ends every wait.
  void RequestStop();
  // Closes the line for good: the program sees a hang-up.
  void HangUp();
  bool HungUp() const { return master_ < 0; }

 private:
  WriteResult WriteNow(std::string_view data, Clock::time_point giveUpAt);

  std::string path_;
  int master_ = -1;
  int watch_ = -1;     // inotify descriptor on the port's path, -1 when not available
  int stopRead_ = -1;  // self-pipe for stop requests
  int stopWrite_ = -1;
  int ownOpens_ = 0;  // watch events caused by DiscardStaleOutput itself
  int ownCloses_ = 0;
  Clock::time_point lineIdleAt_{};
  int deliveryMs_ = 2;
};
