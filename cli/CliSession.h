// One connection of the command-line tool to the logger: the logger session over the shared serial
// port component, with the port's notices served on the calling thread while the tool waits for
// what it asked.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "link/CPort.h"
#include "link/LoggerSession.h"
#include "link/UiHandOff.h"

// A failure the tool reports to the operator: a time-out, a lost line, an abandoned download.
class SessionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CliSession : private LoggerSessionListener {
 public:
  using Duration = std::chrono::milliseconds;
  // Called while a download runs with the number of characters received so far.
  using Progress = std::function<void(std::size_t received)>;

  // Opens `port` with the main window's settings. Throws EComPort.
  explicit CliSession(const std::string& port);
  ~CliSession() override;
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Waits for the next complete status reply that can be read. Throws SessionError on a time-out
  // or a lost line.
  LoggerStatus NextStatus(Duration timeout);

  // Downloads ("E": the whole memory, when `forced`) to the end marker and returns the text, end
  // marker included. The command goes out just after a status reply. Throws SessionError when the
  // line is lost, nothing arrives for `silence`, the download grows past its bound or past what
  // the logger's memory count allows, or Interrupt() was called.
  std::string Download(bool forced, Duration timeout, Duration silence, const Progress& progress);
  // After a failed Download: what had come, whether the line failed, whether it passed its bound,
  // whether it was interrupted.
  const std::string& ReceivedText() const { return session_.DownloadText(); }
  bool LineFailed() const { return failure_.has_value(); }
  bool DownloadAbandoned() const {
    return stop_ == DownloadStop::kSizeLimit || stop_ == DownloadStop::kOverran;
  }
  bool Interrupted() const { return interruptedBy_ != 0; }
  // When the latest batch of characters was read off the line.
  std::chrono::steady_clock::time_point LastReadTime() const { return session_.LastRead(); }
  // Samples the running download is expected to hold, from the memory count before it.
  std::size_t ExpectedSamples() const { return session_.ExpectedSamples(); }
  // Time from writing the latest download command to its end marker.
  std::chrono::steady_clock::duration LastDownloadTime() const {
    return session_.LastDownloadTime();
  }

  // Sets the logger's clock from the computer's just after a reply and waits for the replies that
  // show whether it took it. Returns whether it did; Seen() says what the last reply showed.
  bool SetClock(Duration timeout);
  // The same at once, for a caller that has just had a reply from NextStatus (no characters are
  // read between the two calls, so the command still goes out just after that reply).
  bool SetClockNow(Duration timeout);
  // Seconds of the logger's clock in one of the computer's, for judging a clock setting.
  void SetClockPace(double pace) { session_.clockPace = pace; }
  const ClockSettingCheck::Seen& ClockSeen() const { return clockSeen_; }
  // Sets rate choice 0..5 just after a reply and waits for the replies that show whether the
  // logger took it.
  bool SetRate(int choice, Duration timeout);
  // The reply that SetClock, SetRate or Download waited for before writing its command.
  const std::optional<LoggerStatus>& StatusBefore() const { return before_; }

  // Any thread (a signal's watcher): ends the present wait at once with a SessionError naming
  // `signalName`; what arrived so far stays readable.
  void Interrupt(int signal, const char* signalName);

 private:
  void StatusRead(const LoggerStatus& status) override {
    status_ = status;
    latest_ = status;
  }
  void DownloadEnded(const std::string&) override { downloadEnded_ = true; }
  void DownloadStopped(DownloadStop why, const std::string&) override { stop_ = why; }
  void ClockChecked(bool taken, const ClockSettingCheck::Seen& seen) override {
    verdict_ = taken;
    clockSeen_ = seen;
  }
  void RateChecked(bool taken, int, int) override { verdict_ = taken; }

  // Throws SessionError when Interrupt() was called.
  void ThrowIfInterrupted() const;
  // Serves notices until `done` holds; throws on a lost line or when `deadline` passes.
  void ServeUntil(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline,
                  const char* waitingFor);
  // Waits for the verdict of the setting just written.
  bool WaitForVerdict(Duration timeout);

  UiHandOff handOff_;
  TComPort port_;
  LoggerSession session_;
  std::optional<LoggerStatus> status_;  // the latest reply, until taken
  std::optional<LoggerStatus> before_;
  std::optional<LoggerStatus> latest_;  // the latest reply, kept
  bool downloadEnded_ = false;
  std::optional<DownloadStop> stop_;
  std::optional<bool> verdict_;
  ClockSettingCheck::Seen clockSeen_;
  std::atomic<int> interruptedBy_{0};
  std::atomic<const char*> interruptName_{""};
  std::optional<std::string> failure_;
};
