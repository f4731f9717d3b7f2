#include "cli/CliSession.h"

#include "cli/CliOutput.h"
#include "cli/Translate.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

}  // namespace

CliSession::CliSession(const std::string& port) : port_(handOff_), session_(port_, *this) {
  ApplyLoggerLineSettings(port_);
  port_.SetPort(port);
  port_.OnRxChar = [this](TCustomComPort& sender, int count) { session_.OnRxChar(sender, count); };
  port_.OnFailure = [this](TCustomComPort&, const EComPort& error) {
    failure_ = TerminalPortErrorText(error);
    session_.LineLost();
    handOff_.Notify();
  };
  port_.FlowControl().SetControlRTS(rtsEnable);
  port_.Connect();
}

CliSession::~CliSession() {
  try {
    port_.FlowControl().SetControlRTS(rtsDisable);
    port_.Disconnect();
  } catch (const EComPort&) {
    // The line is already gone; nothing is left to close cleanly.
  }
}

void CliSession::Interrupt(int signal, const char* signalName) {
  interruptName_ = signalName;
  interruptedBy_ = signal;
  handOff_.Notify();
}

void CliSession::ThrowIfInterrupted() const {
  if (!interruptedBy_) return;
  throw SessionError(cli::Format(_("interrupted by %s after %s characters of the download"),
                                 std::string(interruptName_.load()),
                                 std::to_string(session_.DownloadText().size())));
}

void CliSession::ServeUntil(const std::function<bool()>& done, SteadyClock::time_point deadline,
                            const char* waitingFor) {
  const bool met = handOff_.ServeUntil(
      [&] { return failure_.has_value() || interruptedBy_ != 0 || done(); }, deadline);
  ThrowIfInterrupted();
  if (failure_) throw SessionError(cli::Format(_("the line to the logger failed: %s"), *failure_));
  if (!met) throw SessionError(cli::Format(_("timed out waiting for %s"), waitingFor));
}

LoggerStatus CliSession::NextStatus(Duration timeout) {
  status_.reset();
  ServeUntil([&] { return status_.has_value(); }, SteadyClock::now() + timeout,
             _("a status reply from the logger (is it connected and switched on?)"));
  LoggerStatus status = std::move(*status_);
  status_.reset();
  return status;
}

bool CliSession::WaitForVerdict(Duration timeout) {
  // Each reply must come within the time-out; the verdict takes a few of them.
  while (!verdict_) NextStatus(timeout);
  return *verdict_;
}

bool CliSession::SetClock(Duration timeout) {
  before_ = NextStatus(timeout);
  // No notice is served between the reply and the writes, so nothing can come in between.
  return SetClockNow(timeout);
}

bool CliSession::SetClockNow(Duration timeout) {
  verdict_.reset();
  session_.SetClock();
  return WaitForVerdict(timeout);
}

bool CliSession::SetRate(int choice, Duration timeout) {
  before_ = NextStatus(timeout);
  verdict_.reset();
  session_.SetRate(choice);
  return WaitForVerdict(timeout);
}

std::string CliSession::Download(bool forced, Duration timeout, Duration silence,
                                 const Progress& progress) {
  downloadEnded_ = false;
  stop_.reset();
  session_.downloadSilence = silence;
  session_.RequestDownload(forced);
  ServeUntil([&] { return session_.Interpreter().downloading || stop_ || downloadEnded_; },
             SteadyClock::now() + timeout,
             _("a status reply from the logger (is it connected and switched on?)"));
  before_ = latest_;
  std::size_t reported = 0;
  for (;;) {
    const bool finished = handOff_.ServeUntil(
        [&] {
          return failure_.has_value() || interruptedBy_ != 0 || downloadEnded_ || stop_.has_value();
        },
        SteadyClock::now() + Duration(200));
    ThrowIfInterrupted();
    const std::size_t received = session_.DownloadText().size();
    if (failure_) {
      throw SessionError(cli::Format(
          _("the line to the logger failed during the download after %s characters: %s"),
          std::to_string(received), *failure_));
    }
    if (progress && received != reported) {
      progress(received);
      reported = received;
    }
    if (finished && downloadEnded_) return session_.DownloadText();
    session_.CheckSilence(SteadyClock::now());
    if (stop_ == DownloadStop::kSizeLimit) {
      throw SessionError(cli::Format(
          _("the download passed %s characters without its end marker and was abandoned"),
          std::to_string(ReplyInterpreter::kMaxDownloadText)));
    }
    if (stop_ == DownloadStop::kOverran) {
      throw SessionError(cli::Format(
          _("the logger sent more than the %s samples its memory count announced and no end "
            "marker; the download was stopped after %s characters"),
          std::to_string(session_.ExpectedSamples()), std::to_string(received)));
    }
    if (stop_ == DownloadStop::kSilent) {
      throw SessionError(cli::Format(_("timed out: nothing came from the logger for %s ms during "
                                       "the download (%s characters received, no end marker)"),
                                     std::to_string(silence.count()), std::to_string(received)));
    }
  }
}
