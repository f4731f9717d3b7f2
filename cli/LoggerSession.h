// One connection of the command-line tool to the logger: the shared serial port component, with
// its notices served on the calling thread, feeding the shared reply interpreter.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "link/CPort.h"
#include "link/ReplyInterpreter.h"
#include "link/UiHandOff.h"

// A failure the tool reports to the operator: a time-out, a lost line, an abandoned download.
class SessionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class LoggerSession {
 public:
  using Duration = std::chrono::milliseconds;
  // Called while a download runs with the number of characters received so far.
  using Progress = std::function<void(std::size_t received)>;

  // Opens `port` with the main window's settings. Throws EComPort.
  explicit LoggerSession(const std::string& port);
  ~LoggerSession();
  LoggerSession(const LoggerSession&) = delete;
  LoggerSession& operator=(const LoggerSession&) = delete;

  // Waits for the next complete status reply that can be read. Throws SessionError on a time-out
  // or a lost line.
  LoggerStatus NextStatus(Duration timeout);

  // Waits for a complete status reply, then writes `writes` one after another: a command written
  // just after a reply never lands in the middle of one.
  void SendCommand(const std::vector<std::string>& writes, Duration timeout);
  // Writes at once; for a command whose text is made right after NextStatus().
  void WriteNow(const std::vector<std::string>& writes);

  // Waits for a status reply, writes "8" (or "E" when `forced`) and collects the download to its
  // end marker. Returns the download text, end marker included. Throws SessionError when the
  // line is lost, nothing arrives for `silence`, the download grows past its bound or past what
  // the logger's memory count allows, or Interrupt() was called.
  //
  // The memory count of the reply before the command tells how many lines to expect: once they
  // have come, an end marker ends the download even when other characters share its batch (the
  // logger's next status reply, glued to it); the characters after the marker are read as status
  // replies again. More than one status reply's worth beyond the expected size without an end
  // marker stops the download: status replies would otherwise keep it going for ever.
  std::string Download(bool forced, Duration timeout, Duration silence, const Progress& progress);
  // After a failed Download: what had come, whether the line failed, whether it passed its bound,
  // whether it was interrupted.
  const std::string& ReceivedText() const { return interpreter_.downloadText(); }
  bool LineFailed() const { return failure_.has_value(); }
  bool DownloadAbandoned() const { return downloadAbandoned_ || downloadOverran_; }
  bool Interrupted() const { return interruptedBy_ != 0; }
  // Samples the running download is expected to hold, from the memory count before it.
  std::size_t ExpectedSamples() const { return expectedSamples_; }

  // Any thread (a signal's watcher): ends the present wait at once with a SessionError naming
  // `signalName`; what arrived so far stays readable.
  void Interrupt(int signal, const char* signalName);
  // Time from writing the latest download command to its end marker.
  std::chrono::steady_clock::duration LastDownloadTime() const { return downloadTime_; }

 private:
  void OnCharacters(TCustomComPort& port, int count);
  // Download mode only: hands `batch` to the interpreter, split at an end marker that comes
  // after the expected lines, so that the interpreter sees it alone.
  void CollectDownload(std::string_view batch);
  // Throws SessionError when Interrupt() was called.
  void ThrowIfInterrupted() const;
  // Serves notices until `done` holds; throws on a lost line or when `deadline` passes.
  void ServeUntil(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline,
                  const char* waitingFor);

  UiHandOff handOff_;
  ReplyInterpreter interpreter_;
  std::optional<LoggerStatus> status_;  // the latest reply, until taken
  bool downloadEnded_ = false;
  bool downloadAbandoned_ = false;
  bool downloadOverran_ = false;  // past the expected size without an end marker
  std::size_t expectedSamples_ = 0;
  std::size_t expectedSize_ = 0;  // characters before the end marker: header and sample lines
  std::atomic<int> interruptedBy_{0};
  std::atomic<const char*> interruptName_{""};
  std::chrono::steady_clock::time_point lastArrival_;
  std::optional<std::string> failure_;
  std::chrono::steady_clock::duration downloadTime_{};
  TComPort port_;  // last: closed (and its notices ended) before the state above goes
};
