#include "link/LoggerSession.h"

#include <algorithm>
#include <cmath>

#include "link/CPort.h"
#include "link/LoggerProtocol.h"

namespace {

// Samples a download will hold, from the memory count of the reply before it: the whole memory
// for a forced download. A count that is not whole is taken down, so that a marker glued to the
// last line is still found after the lines that certainly come.
std::size_t SamplesToExpect(const protocol::StatusReply& reply, bool forced) {
  const double used = std::max(0.0, std::floor(reply.usedMemory()));
  const auto samples = static_cast<std::size_t>(used);
  return forced ? std::max<std::size_t>(samples, protocol::kLoggerCapacity) : samples;
}

// The logger takes a rate command at once; a reply already on its way when it came may still show
// the old rate, so the verdict waits for this many replies.
constexpr int kRateReplies = 3;

}  // namespace

LoggerSession::LoggerSession(TCustomComPort& port, LoggerSessionListener& listener)
    : port_(port), listener_(listener) {}

void LoggerSession::OnRxChar(TCustomComPort& port, int count) {
  std::string batch;
  port.ReceiveText(batch, count);
  Received(batch, port.ReadTime(), port.PauseBefore());
}

void LoggerSession::Received(std::string_view batch, Clock::time_point readAt,
                             std::optional<Clock::duration> pauseBefore) {
  lastRead_ = readAt;
  if (interpreter_.downloading && expectedSize_ > 0) {
    CollectDownload(batch, readAt);
  } else {
    Interpret(batch, readAt, pauseBefore);
  }
}

void LoggerSession::CollectDownload(std::string_view batch, Clock::time_point readAt) {
  const std::size_t before = interpreter_.downloadText().size();
  const std::size_t linesLeft = expectedSize_ > before ? expectedSize_ - before : 0;
  const std::size_t marker =
      batch.size() > 1 ? batch.find(protocol::kEndMarker, linesLeft) : std::string_view::npos;
  if (marker == std::string_view::npos) {
    Interpret(batch, readAt);
    // Status replies would otherwise keep a download without its marker going for ever.
    if (interpreter_.downloading &&
        interpreter_.downloadText().size() > expectedSize_ + protocol::kStatusReplyLength) {
      StopDownload(DownloadStop::kOverran);
    }
    return;
  }
  if (marker > 0) Interpret(batch.substr(0, marker), readAt);
  if (!interpreter_.downloading) return;  // stopped by what came before the marker
  // The replies after the marker are read before the download is reported as ended: its owner
  // may then open a window and hold up this call for long.
  std::optional<std::string> rest;
  if (marker + 1 < batch.size()) rest = std::string(batch.substr(marker + 1));
  const RxEventResult ended = interpreter_.OnReceived(batch.substr(marker, 1), readAt);
  listener_.BatchRead(ended);
  if (rest) Interpret(*rest, readAt);
  downloadTime_ = readAt - downloadSent_;
  listener_.DownloadEnded(interpreter_.downloadText());
}

void LoggerSession::Interpret(std::string_view piece, Clock::time_point readAt,
                              std::optional<Clock::duration> pauseBefore) {
  const bool wasDownloading = interpreter_.downloading;
  const RxEventResult result = interpreter_.OnReceived(piece, readAt, pauseBefore);
  listener_.BatchRead(result);
  if (result.status) {
    listener_.StatusRead(*result.status);
    CheckSettings(*result.status);
  }
  if (result.sendDownloadCommand) WriteDownloadCommand(result.status->reply);
  if (wasDownloading && !result.downloadEnded) {
    listener_.DownloadGrew(interpreter_.downloadText().size());
  }
  if (result.downloadAbandoned) listener_.DownloadStopped(DownloadStop::kSizeLimit, DownloadText());
  if (result.downloadEnded) {
    downloadTime_ = readAt - downloadSent_;
    listener_.DownloadEnded(interpreter_.downloadText());
  }
  if (result.startClockTimer) listener_.ClockSettingDue();
}

void LoggerSession::WriteDownloadCommand(const protocol::StatusReply& before) {
  expectedSamples_ = SamplesToExpect(before, forced_);
  expectedSize_ = protocol::DownloadSize(expectedSamples_);
  interpreter_.ClearDownloadText();
  downloadSent_ = Clock::now();
  port_.SendText(protocol::DownloadCommand(forced_));
  interpreter_.StartDownload(downloadSent_);
  listener_.DownloadStarted(forced_);
}

void LoggerSession::CheckSettings(const LoggerStatus& status) {
  if (clockCheck_) {
    const ClockSettingCheck::Verdict verdict = clockCheck_->Feed(status.reply, computerClock());
    if (verdict != ClockSettingCheck::Verdict::kWaiting) {
      const ClockSettingCheck::Seen seen = clockCheck_->seen();
      clockCheck_.reset();
      listener_.ClockChecked(verdict == ClockSettingCheck::Verdict::kFollowed, seen);
    }
  }
  if (rateCheck_) {
    const bool taken = status.rateItem == rateCheck_->choice;
    if (taken || ++rateCheck_->replies >= kRateReplies) {
      const int choice = rateCheck_->choice;
      rateCheck_.reset();
      listener_.RateChecked(taken, choice, status.rateItem);
    }
  }
}

void LoggerSession::StopDownload(DownloadStop why) {
  interpreter_.OnConnectSwitch();  // out of download mode, no half-read reply kept
  listener_.DownloadStopped(why, interpreter_.downloadText());
}

void LoggerSession::LineLost() {
  clockCheck_.reset();
  rateCheck_.reset();
  if (interpreter_.downloading) StopDownload(DownloadStop::kLineLost);
  interpreter_.OnConnectSwitch();
}

void LoggerSession::CheckSilence(Clock::time_point now) {
  if (!downloadSilence || !interpreter_.downloading) return;
  const Clock::time_point latest = std::max(lastRead_, downloadSent_);
  if (now - latest > *downloadSilence) StopDownload(DownloadStop::kSilent);
}

void LoggerSession::Restart() {
  clockCheck_.reset();
  rateCheck_.reset();
  interpreter_.OnConnectSwitch();
}

void LoggerSession::RequestDownload(bool forced) {
  forced_ = forced;
  interpreter_.ClearDownloadText();
  interpreter_.RequestDownload();
}

void LoggerSession::SetClock() {
  interpreter_.ClearStatusBuffer();  // a reply being received is dropped
  port_.SendText(std::string(1, protocol::kSetClockCommand));
  // The clock is read after the command character has gone out, as fresh as it can be.
  const std::time_t now = computerClock();
  std::tm local{};
  localtime_r(&now, &local);
  const std::vector<std::string> digits = protocol::SetClockWrites(local);
  for (std::size_t i = 1; i < digits.size(); ++i) port_.SendText(digits[i]);
  clockCheck_.emplace(now, clockPace);
}

void LoggerSession::SetRate(int choice) {
  port_.SendText(protocol::RateCommand(choice));
  rateCheck_ = RateCheck{choice, 0};
}
