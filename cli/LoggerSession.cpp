#include "cli/LoggerSession.h"

#include <algorithm>
#include <cmath>

#include "cli/CliOutput.h"
#include "cli/Translate.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// A download is two header lines and one line per sample, each of four three-digit fields and
// CR LF.
constexpr std::size_t kHeaderSize = 2 * 14;
constexpr std::size_t kSampleLineSize = 14;

// Samples a download will hold, from the memory count of the reply before it: the whole memory
// for a forced download. A count that is not whole is taken down, so that a marker glued to the
// last line is still found after the lines that certainly come.
std::size_t SamplesToExpect(const protocol::StatusReply& reply, bool forced) {
  const double used = std::max(0.0, std::floor(reply.usedMemory()));
  const auto samples = static_cast<std::size_t>(used);
  return forced ? std::max<std::size_t>(samples, protocol::kLoggerCapacity) : samples;
}

}  // namespace

LoggerSession::LoggerSession(const std::string& port) : port_(handOff_) {
  ApplyLoggerLineSettings(port_);
  port_.SetPort(port);
  port_.OnRxChar = [this](TCustomComPort& sender, int count) { OnCharacters(sender, count); };
  port_.OnFailure = [this](TCustomComPort&, const EComPort& error) {
    failure_ = TerminalPortErrorText(error);
    handOff_.Notify();
  };
  port_.FlowControl().SetControlRTS(rtsEnable);
  port_.Connect();
}

LoggerSession::~LoggerSession() {
  try {
    port_.FlowControl().SetControlRTS(rtsDisable);
    port_.Disconnect();
  } catch (const EComPort&) {
    // The line is already gone; nothing is left to close cleanly.
  }
}

void LoggerSession::OnCharacters(TCustomComPort& port, int count) {
  std::string batch;
  port.ReceiveText(batch, count);
  lastArrival_ = SteadyClock::now();
  if (interpreter_.downloading && expectedSize_ > 0) {
    CollectDownload(batch);
    return;
  }
  const RxEventResult result = interpreter_.OnReceived(batch);
  if (result.status) status_ = result.status;
  if (result.downloadEnded) downloadEnded_ = true;
  if (result.downloadAbandoned) downloadAbandoned_ = true;
}

void LoggerSession::CollectDownload(std::string_view batch) {
  const std::size_t before = interpreter_.downloadText().size();
  const std::size_t linesLeft = expectedSize_ > before ? expectedSize_ - before : 0;
  const std::size_t marker =
      batch.size() > 1 ? batch.find(protocol::kEndMarker, linesLeft) : std::string_view::npos;
  if (marker == std::string_view::npos) {
    const RxEventResult result = interpreter_.OnReceived(batch);
    if (result.downloadEnded) downloadEnded_ = true;
    if (result.downloadAbandoned) downloadAbandoned_ = true;
    if (!downloadEnded_ &&
        interpreter_.downloadText().size() > expectedSize_ + protocol::kStatusReplyLength) {
      downloadOverran_ = true;
    }
    return;
  }
  if (marker > 0) interpreter_.OnReceived(batch.substr(0, marker));
  if (interpreter_.OnReceived(batch.substr(marker, 1)).downloadEnded) downloadEnded_ = true;
  // What follows the marker is the logger's status replies again.
  if (marker + 1 < batch.size()) {
    const RxEventResult result = interpreter_.OnReceived(batch.substr(marker + 1));
    if (result.status) status_ = result.status;
  }
}

void LoggerSession::Interrupt(int signal, const char* signalName) {
  interruptName_ = signalName;
  interruptedBy_ = signal;
  handOff_.Notify();
}

void LoggerSession::ThrowIfInterrupted() const {
  if (!interruptedBy_) return;
  throw SessionError(cli::Format(_("interrupted by %s after %s characters of the download"),
                                 std::string(interruptName_.load()),
                                 std::to_string(interpreter_.downloadText().size())));
}

void LoggerSession::ServeUntil(const std::function<bool()>& done, SteadyClock::time_point deadline,
                               const char* waitingFor) {
  const bool met = handOff_.ServeUntil(
      [&] { return failure_.has_value() || interruptedBy_ != 0 || done(); }, deadline);
  ThrowIfInterrupted();
  if (failure_) throw SessionError(cli::Format(_("the line to the logger failed: %s"), *failure_));
  if (!met) throw SessionError(cli::Format(_("timed out waiting for %s"), waitingFor));
}

LoggerStatus LoggerSession::NextStatus(Duration timeout) {
  status_.reset();
  ServeUntil([&] { return status_.has_value(); }, SteadyClock::now() + timeout,
             _("a status reply from the logger (is it connected and switched on?)"));
  LoggerStatus status = std::move(*status_);
  status_.reset();
  return status;
}

void LoggerSession::SendCommand(const std::vector<std::string>& writes, Duration timeout) {
  NextStatus(timeout);
  WriteNow(writes);
}

void LoggerSession::WriteNow(const std::vector<std::string>& writes) {
  // No notice is served between the reply and the writes, so nothing can come in between.
  interpreter_.ClearStatusBuffer();
  for (const std::string& text : writes) port_.SendText(text);
}

std::string LoggerSession::Download(bool forced, Duration timeout, Duration silence,
                                    const Progress& progress) {
  const LoggerStatus before = NextStatus(timeout);
  interpreter_.ClearDownloadText();
  downloadEnded_ = downloadAbandoned_ = downloadOverran_ = false;
  expectedSamples_ = SamplesToExpect(before.reply, forced);
  expectedSize_ = kHeaderSize + kSampleLineSize * expectedSamples_;
  const auto started = SteadyClock::now();
  port_.SendText(protocol::DownloadCommand(forced));
  interpreter_.StartDownload();
  lastArrival_ = started;
  std::size_t reported = 0;
  for (;;) {
    const auto deadline = std::min(lastArrival_ + silence, SteadyClock::now() + Duration(200));
    const bool finished = handOff_.ServeUntil(
        [&] {
          return failure_.has_value() || interruptedBy_ != 0 || downloadEnded_ ||
                 downloadAbandoned_ || downloadOverran_;
        },
        deadline);
    ThrowIfInterrupted();
    if (failure_) {
      throw SessionError(cli::Format(
          _("the line to the logger failed during the download after %s characters: %s"),
          std::to_string(interpreter_.downloadText().size()), *failure_));
    }
    if (downloadAbandoned_) {
      throw SessionError(cli::Format(
          _("the download passed %s characters without its end marker and was abandoned"),
          std::to_string(ReplyInterpreter::kMaxDownloadText)));
    }
    const std::size_t received = interpreter_.downloadText().size();
    if (downloadOverran_) {
      throw SessionError(cli::Format(
          _("the logger sent more than the %s samples its memory count announced and no end "
            "marker; the download was stopped after %s characters"),
          std::to_string(expectedSamples_), std::to_string(received)));
    }
    if (progress && received != reported) {
      progress(received);
      reported = received;
    }
    if (finished && downloadEnded_) {
      downloadTime_ = lastArrival_ - started;
      return interpreter_.downloadText();
    }
    if (SteadyClock::now() >= lastArrival_ + silence) {
      throw SessionError(cli::Format(_("timed out: nothing came from the logger for %s ms during "
                                       "the download (%s characters received, no end marker)"),
                                     std::to_string(silence.count()), std::to_string(received)));
    }
  }
}
