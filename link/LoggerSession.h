// One conversation with the logger over an open port, without any window: every exchange the
// program has with the logger goes through it, in the main window, the command-line tool and the
// station alike.
//
// The logger talks all the time and never answers a command: it sends a status reply about once a
// second, streams its memory after a download command, and shows in its later replies whether it
// took a clock or rate setting. The session therefore
// - reads each batch as of the time the port's watch read it, so that a busy owner does not split
//   or drop a reply;
// - writes a download command just after a complete reply, never into one, and expects as many
//   sample lines as that reply's memory count;
// - ends a download at its end marker, and stops it on a lost line, past the size bound, past the
//   expected size without a marker, or after a silence longer than its limit, keeping what came;
// - watches the replies after a clock or rate setting and says whether the logger took it.
// It reports what happens through a listener; it never waits, so its owner decides how to wait.
#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/ClockSettingCheck.h"
#include "link/LoggerSessionListener.h"
#include "link/ReplyInterpreter.h"

class TCustomComPort;
class EComPort;

class LoggerSession {
 public:
  using Clock = std::chrono::steady_clock;

  // Talks through `port` (opened and closed by its owner) and reports to `listener`.
  LoggerSession(TCustomComPort& port, LoggerSessionListener& listener);
  LoggerSession(const LoggerSession&) = delete;
  LoggerSession& operator=(const LoggerSession&) = delete;

  // The computer's clock, read for a clock setting and its check. Replaceable for tests.
  std::function<std::time_t()> computerClock = [] { return std::time(nullptr); };
  // A download that receives nothing for this long stops (DownloadStop::kSilent) at the next
  // CheckSilence(). None: the download waits for as long as it takes.
  std::optional<Clock::duration> downloadSilence;
  // Seconds of the logger's clock in one of the computer's: 1 for a logger; more for one emulated
  // faster than time, whose clock setting is then judged at that pace.
  double clockPace = 1;

  // The port's received-characters handler: reads `count` characters and handles them as read
  // when the port's watch counted them.
  void OnRxChar(TCustomComPort& port, int count);
  // Handles one batch of characters read at `readAt`, after the line had been quiet for
  // `pauseBefore` when the reader knows it (otherwise the time since the previous batch counts).
  void Received(std::string_view batch, Clock::time_point readAt,
                std::optional<Clock::duration> pauseBefore = std::nullopt);
  // The line failed: a running download stops as kLineLost with what came.
  void LineLost();
  // Stops a download that has been silent for longer than downloadSilence at `now`.
  void CheckSilence(Clock::time_point now);
  // The link was switched (opened or closed): no reply is half-read, no download runs or waits,
  // no setting is being checked.
  void Restart();

  // Asks for a download ("E": the whole memory, when `forced`). The command goes out just after the
  // logger's next complete reply.
  void RequestDownload(bool forced);
  // Writes the set-clock command with the computer's time now, then checks the replies. Call it
  // just after a reply (ClockSettingDue), so that the command does not land in the next one.
  void SetClock();
  // Writes the rate command for choice 0..5 of the rate table, then checks the replies.
  void SetRate(int choice);

  // The assembly of replies and the download text, with the link flags.
  ReplyInterpreter& Interpreter() { return interpreter_; }
  const ReplyInterpreter& Interpreter() const { return interpreter_; }
  const std::string& DownloadText() const { return interpreter_.downloadText(); }
  // Samples the running (or latest) download is expected to hold, from the memory count before it.
  std::size_t ExpectedSamples() const { return expectedSamples_; }
  // Time from writing the latest download command to its end marker.
  Clock::duration LastDownloadTime() const { return downloadTime_; }
  // When the latest batch was read.
  Clock::time_point LastRead() const { return lastRead_; }

 private:
  struct RateCheck {
    int choice = -1;
    int replies = 0;
  };

  // A download batch, split at an end marker that comes after the expected lines so that the
  // interpreter sees the marker alone; what follows the marker is status replies again.
  void CollectDownload(std::string_view batch, Clock::time_point readAt);
  // Hands `piece` to the interpreter and reports what it made of it.
  void Interpret(std::string_view piece, Clock::time_point readAt,
                 std::optional<Clock::duration> pauseBefore = Clock::duration::zero());
  // Writes the download command; `before` is the reply just read, whose memory count tells the
  // download's size.
  void WriteDownloadCommand(const protocol::StatusReply& before);
  void CheckSettings(const LoggerStatus& status);
  void StopDownload(DownloadStop why);

  TCustomComPort& port_;
  LoggerSessionListener& listener_;
  ReplyInterpreter interpreter_;
  bool forced_ = false;
  std::size_t expectedSamples_ = 0;
  std::size_t expectedSize_ = 0;  // characters before the end marker: header and sample lines
  Clock::time_point downloadSent_{};
  Clock::duration downloadTime_{};
  Clock::time_point lastRead_{};
  std::optional<ClockSettingCheck> clockCheck_;
  std::optional<RateCheck> rateCheck_;
};
