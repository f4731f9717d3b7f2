#include "cli/LoggerSession.h"

#include "cli/CliOutput.h"
#include "cli/Translate.h"

namespace {
using SteadyClock = std::chrono::steady_clock;
}

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
  const RxEventResult result = interpreter_.OnReceived(batch);
  if (result.status) status_ = result.status;
  if (result.downloadEnded) downloadEnded_ = true;
  if (result.downloadAbandoned) downloadAbandoned_ = true;
}

void LoggerSession::ServeUntil(const std::function<bool()>& done, SteadyClock::time_point deadline,
                               const char* waitingFor) {
  const bool met = handOff_.ServeUntil([&] { return failure_.has_value() || done(); }, deadline);
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
  NextStatus(timeout);
  interpreter_.ClearDownloadText();
  downloadEnded_ = downloadAbandoned_ = false;
  const auto started = SteadyClock::now();
  port_.SendText(protocol::DownloadCommand(forced));
  interpreter_.StartDownload();
  lastArrival_ = started;
  std::size_t reported = 0;
  for (;;) {
    const auto deadline = std::min(lastArrival_ + silence, SteadyClock::now() + Duration(200));
    const bool finished = handOff_.ServeUntil(
        [&] { return failure_.has_value() || downloadEnded_ || downloadAbandoned_; }, deadline);
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
