#include "station/StationRunner.h"

#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cmath>

#include "archive/AuditChanges.h"
#include "archive/DownloadArchive.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "data/ChannelValueText.h"
#include "data/SampleDecoder.h"
#include "data/StartTexts.h"
#include "data/TimeStamps.h"
#include "link/LoggerClockReading.h"
#include "link/LoggerProtocol.h"
#include "station/StationAlarms.h"
#include "station/StationLock.h"

namespace {

int WholeSamples(const protocol::StatusReply& reply) {
  return static_cast<int>(std::max(0.0, std::floor(reply.usedMemory())));
}

// Room left before the logger's next sample for the set-clock command to reach it and be taken,
// beyond the time already passed since the reply was read: 13 characters at 9600 baud are 14 ms,
// the rest covers a busy computer (and a busy emulated logger).
constexpr double kCommandSeconds = 0.5;

// How a problem with the logger's memory begins.
const std::string kMemoryProblem = "the logger's memory holds ";

}  // namespace

StationRunner::StationRunner(StationSettings settings, std::string archivePath, std::ostream& log,
                             Timing timing, NotifierTiming notifyTiming)
    : settings_(std::move(settings)),
      archivePath_(std::move(archivePath)),
      log_(log),
      timing_(timing) {
  status_.station = settings_.name;
  notifier_ = std::make_unique<Notifier>(
      settings_.name, archivePath_, [this](const std::string& line) { Log(line); }, notifyTiming);
}

StationRunner::~StationRunner() = default;

void StationRunner::Log(const std::string& line) {
  std::lock_guard<std::mutex> lock(logMutex_);
  log_ << settings_.name << ": " << line << std::endl;
}

void StationRunner::Stop() {
  stopping_ = true;
  notifier_->RequestStop();
  std::lock_guard<std::mutex> lock(mutex_);
  if (session_) session_->Interrupt(SIGTERM, "SIGTERM");
  wake_.notify_all();
}

void StationRunner::Pause(Duration pause) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, pause, [this] { return stopping_.load(); });
}

int StationRunner::Run() {
  try {
    store_ = std::make_unique<StationStore>(archivePath_);
    archive_ = std::make_unique<DownloadArchive>(archivePath_);
  } catch (const std::exception& error) {
    Log(std::string("cannot use the archive: ") + error.what());
    return 1;
  }
  // Every alarm raised from here on is delivered.
  notifier_->Start();
  alarms_ = std::make_unique<StationAlarms>(settings_.name, archivePath_,
                                            [this](const std::string& line) { Log(line); });
  const SystemClock::time_point watchingSince = SystemClock::now();
  if (const auto previous = store_->ReadStatus(settings_.name)) {
    // A station started again keeps its schedule.
    if (previous->lastDownloadAt) {
      status_.lastDownloadAt = previous->lastDownloadAt;
      nextDownload_ = *previous->lastDownloadAt + settings_.downloadEvery;
    }
  }
  Event(StationEventKind::kStarted, "port " + settings_.port);
  Duration pause = timing_.firstPause;
  while (!stopping_) {
    const bool answered = Watch();
    if (stopping_) break;
    if (answered) pause = timing_.firstPause;
    alarms_->NoReplySince(status_.lastReplyAt.value_or(watchingSince));
    Log("opening " + settings_.port + " again in " + std::to_string(pause.count() / 1000.0) + " s");
    Pause(pause);
    pause = std::min(pause * 2, timing_.maxPause);
  }
  alarms_.reset();  // what it was handed is judged and kept first
  // Events kept just now are delivered at the next start.
  notifier_->Stop();
  WriteStatus(false);
  Event(StationEventKind::kStopped, "");
  return 0;
}

bool StationRunner::Watch() {
  bool answered = false;
  try {
    {
      std::unique_ptr<CliSession> session;
      try {
        session = std::make_unique<CliSession>(settings_.port);
      } catch (const EComPort& error) {
        throw std::runtime_error("cannot open the port " + settings_.port + ": " +
                                 TerminalPortErrorText(error));
      }
      std::lock_guard<std::mutex> lock(mutex_);
      session_ = std::move(session);
      if (stopping_) return false;
    }
    for (;;) {
      const LoggerStatus status = session_->NextStatus(timing_.replyTimeout);
      if (!answered) {
        answered = true;
        Event(StationEventKind::kConnected, "", &status);
      }
      Observe(status);
      if (!DownloadDue(status)) {
        if (retryAt_ && WholeSamples(status.reply) >= settings_.resetAt) {
          ResetBlocked("waiting to try again after: " + lastFailure_);
        }
        continue;
      }
      if (!DownloadAndArchive(status)) {
        if (WholeSamples(status.reply) >= settings_.resetAt) ResetBlocked(lastFailure_);
      } else if (WholeSamples(status.reply) >= settings_.resetAt) {
        ResetWhenSafe();
      }
    }
  } catch (const std::exception& error) {
    if (!stopping_) {
      status_.problem = error.what();
      Event(StationEventKind::kLost, error.what());
      WriteStatus(false);
    }
  }
  std::unique_ptr<CliSession> closing;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing = std::move(session_);
  }
  return answered;
}

void StationRunner::Observe(const LoggerStatus& status) {
  const auto now = SteadyClock::now();
  const std::optional<std::time_t> clock = LoggerClock(status.reply);
  if (clock) {
    if (previousClock_) {
      const double real = std::chrono::duration<double>(now - previousClock_->second).count();
      const double logger = std::difftime(*clock, previousClock_->first);
      if (real > 0.2 && logger >= 0) clockPace_ = std::max(1.0, logger / real);
    }
    previousClock_ = {*clock, now};
    status_.loggerClock = ClockIsoText(*clock);
    status_.clockDriftSeconds = *clock - ComputerClock(std::time(nullptr));
  }
  const int used = WholeSamples(status.reply);
  const bool changed = status_.memoryUsed != used;
  status_.memoryUsed = used;
  status_.lastReplyAt = SystemClock::now();
  status_.batteryPercent = status.batteryPercent;
  if (status.rateItem >= 0) status_.rateMinutes = protocol::kRates[status.rateItem].minutes;
  // A memory that fills while it cannot be emptied must not go unseen, whatever the reason.
  if (used < settings_.resetAt) {
    resetBlocked_.clear();
    if (status_.problem.rfind(kMemoryProblem, 0) == 0) status_.problem.clear();
  }
  if (used >= kWarnAtSamples) {
    status_.problem = kMemoryProblem + std::to_string(used) + " of " +
                      std::to_string(protocol::kLoggerCapacity) +
                      " samples and has not been emptied";
    if (!resetBlocked_.empty()) status_.problem += ": " + resetBlocked_;
    if (!warned_) {
      warned_ = true;
      Event(StationEventKind::kWarning, status_.problem, &status);
    }
  } else {
    warned_ = false;
    if (!resetBlocked_.empty()) {
      status_.problem = kMemoryProblem + std::to_string(used) + " samples (reset at " +
                        std::to_string(settings_.resetAt) +
                        ") and could not be emptied: " + resetBlocked_;
    }
  }
  if (changed || !statusWrittenAt_ || now - *statusWrittenAt_ >= timing_.statusEvery) {
    WriteStatus(true);
  }
  AlarmReply reply;
  if (clock) reply.loggerClock = status_.loggerClock;
  reply.temperature = TemperatureFromReading(status.reply.raw2);
  reply.humidity = HumidityFromReading(status.reply.raw1);
  reply.batteryPercent = status.batteryPercent;
  reply.batteryGood = status.batteryGood;
  reply.memoryUsed = used;
  reply.memoryArchived = recordingStart_ ? latestSamples_ : 0;
  if (clock) reply.clockDriftSeconds = status_.clockDriftSeconds;
  alarms_->Replied(reply);
}

bool StationRunner::DownloadDue(const LoggerStatus& status) const {
  if (retryAt_ && SteadyClock::now() < *retryAt_) return false;
  if (WholeSamples(status.reply) >= settings_.resetAt) return true;
  return !nextDownload_ || SystemClock::now() >= *nextDownload_;
}

bool StationRunner::DownloadAndArchive(const LoggerStatus& before) {
  std::string text;
  EndReason reason = EndReason::kNone;
  std::string failure;
  try {
    text = session_->Download(false, timing_.replyTimeout, timing_.replyTimeout, nullptr);
  } catch (const SessionError& error) {
    text = session_->ReceivedText();
    failure = error.what();
    if (session_->Interrupted()) {
      reason = EndReason::kProgramClosed;
    } else if (session_->LineFailed()) {
      reason = EndReason::kLineLost;
    } else if (session_->DownloadAbandoned()) {
      reason = EndReason::kSizeLimit;
    } else {
      reason = EndReason::kTimedOut;
    }
  }
  const std::optional<std::time_t> clock = LoggerClock(before.reply);
  // Archived before anything else; a download that cannot be kept is never followed by a reset.
  bool archived = text.empty();
  if (!text.empty()) {
    NewDownload download;
    download.rawText = text;
    download.receivedAt = SystemClock::now();
    download.port = settings_.port;
    download.program = "velmorante-cli station " VELMORANTE_VERSION;
    download.auditProgram = "velmorante-station";
    download.reason = reason;
    download.station = settings_.name;
    if (clock) {
      download.loggerClock = ClockIsoText(*clock);
      download.clockDriftSeconds = *clock - ComputerClock(std::time(nullptr));
    }
    try {
      archive_->Add(download);
      archived = true;
    } catch (const std::exception& error) {
      failure = std::string("the download could not be archived: ") + error.what();
      Log(failure);
    }
  }
  // What was archived, whole or cut short, is judged with the station's record.
  if (archived && !text.empty()) alarms_->Downloaded();
  downloadFailuresInARow_ = failure.empty() ? 0 : downloadFailuresInARow_ + 1;
  alarms_->DownloadsFailed(downloadFailuresInARow_);
  if (!failure.empty()) {
    ++failuresInARow_;
    lastFailure_ = failure;
    retryPause_ =
        failuresInARow_ == 1 ? timing_.retryPause : std::min(retryPause_ * 2, timing_.maxRetry);
    retryAt_ = SteadyClock::now() + retryPause_;
    Event(StationEventKind::kDownloadFailed, failure, &before);
    // A lost line or a stop ends this opening of the port.
    if (reason == EndReason::kLineLost || reason == EndReason::kProgramClosed) {
      throw SessionError(failure);
    }
    return false;
  }
  (void)archived;
  const SampleTable table = SampleDecoder().Decode(text);
  recordingStart_ = table.start;
  recordingRate_ = table.rateMinutes;
  latestSamples_ = static_cast<std::int64_t>(table.samples.size());
  failuresInARow_ = 0;
  retryAt_.reset();
  status_.lastDownloadAt = SystemClock::now();
  nextDownload_ = *status_.lastDownloadAt + settings_.downloadEvery;
  status_.nextDownloadAt = nextDownload_;
  status_.recordingStart = table.start ? StartIsoText(*table.start) : "";
  status_.problem.clear();
  Event(StationEventKind::kDownloaded, std::to_string(latestSamples_) + " samples", &before);
  WriteStatus(true);
  return true;
}

bool StationRunner::NextSampleTooClose(const LoggerStatus& status) const {
  const std::optional<std::time_t> clock = LoggerClock(status.reply);
  if (!clock || !recordingStart_ || recordingRate_ <= 0) return true;
  // A full memory records nothing more.
  if (WholeSamples(status.reply) >= protocol::kLoggerCapacity) return false;
  // Sample k is recorded at start + k × rate: the next one is sample used + 1.
  const std::time_t next =
      LoggerStartSeconds(*recordingStart_) +
      static_cast<std::time_t>(WholeSamples(status.reply) + 1) * recordingRate_ * 60;
  const double margin = std::difftime(next, *clock);
  const double sinceReply =
      std::chrono::duration<double>(SteadyClock::now() - session_->LastReadTime()).count();
  return margin < 2 + clockPace_ * (std::max(0.0, sinceReply) + kCommandSeconds);
}

void StationRunner::ResetBlocked(const std::string& why) {
  resetBlocked_ = why;
  if (why.empty() || why == loggedBlock_) return;
  loggedBlock_ = why;
  Log("the logger's memory could not be emptied: " + why);
}

bool StationRunner::ResetWhenSafe() {
  if (!recordingStart_ || recordingRate_ <= 0) {
    ResetBlocked("the latest download shows no recording to judge the logger's memory by");
    return false;
  }
  const std::string start = StartIsoText(*recordingStart_);
  // The verdict is taken from a reply just before the command: the command goes out at once
  // after it. A sample about to be recorded is waited for, and then has to be downloaded first.
  for (int attempt = 0; attempt < 20 && !stopping_; ++attempt) {
    const LoggerStatus status = session_->NextStatus(timing_.replyTimeout);
    Observe(status);
    const int held = WholeSamples(status.reply);
    // Fewer than the latest download held: the memory was emptied by someone else, and what it
    // holds now belongs to a recording not yet downloaded.
    const std::int64_t archived = store_->ArchivedSamples(settings_.name, start, recordingRate_);
    if (held < latestSamples_) {
      ResetBlocked(
          "the logger holds fewer samples than its latest download: its memory was "
          "emptied by another program, and what it holds now is not downloaded yet");
      return false;
    }
    if (archived < held) {
      ResetBlocked("the archive holds " + std::to_string(archived) + " of the logger's " +
                   std::to_string(held) + " samples");
      return false;
    }
    if (NextSampleTooClose(status)) continue;
    session_->SetClockPace(clockPace_);
    const std::time_t computer = ComputerClock(std::time(nullptr));
    // The reset is in the audit trail before the command goes out, so that no reset goes
    // unaudited whenever the service ends; one that cannot be noted is not made.
    if (!AuditClockSetting(status, computer, std::nullopt)) {
      ++failuresInARow_;
      lastFailure_ = "the clock setting could not be noted in the audit trail";
      retryPause_ =
          failuresInARow_ == 1 ? timing_.retryPause : std::min(retryPause_ * 2, timing_.maxRetry);
      retryAt_ = SteadyClock::now() + retryPause_;
      ResetBlocked(lastFailure_);
      return false;
    }
    if (NextSampleTooClose(status)) {
      // Noting it took the moment: withdrawn, and the trail says it was not taken.
      AuditClockSetting(status, computer, false);
      continue;
    }
    const bool taken = session_->SetClockNow(timing_.replyTimeout);
    const ClockSettingCheck::Seen& seen = session_->ClockSeen();
    AuditClockSetting(status, computer, taken);
    if (taken) {
      ResetBlocked("");
      loggedBlock_.clear();
      recordingStart_.reset();
      latestSamples_ = 0;
      Event(StationEventKind::kReset,
            "memory emptied after " + std::to_string(held) + " samples were archived", &status);
      WriteStatus(true);
      return true;
    }
    ++failuresInARow_;
    lastFailure_ = "the logger did not take the clock setting (its clock " + seen.loggerTime + " " +
                   seen.loggerDate + ", " + std::to_string(static_cast<long>(seen.usedMemory)) +
                   " samples still held)";
    retryPause_ =
        failuresInARow_ == 1 ? timing_.retryPause : std::min(retryPause_ * 2, timing_.maxRetry);
    retryAt_ = SteadyClock::now() + retryPause_;
    Event(StationEventKind::kResetFailed, lastFailure_, &status);
    ResetBlocked(lastFailure_);
    return false;
  }
  if (!stopping_) {
    ResetBlocked(
        "no moment far enough from the logger's next sample was found to send the "
        "clock setting");
  }
  return false;
}

bool StationRunner::AuditClockSetting(const LoggerStatus& before, std::time_t computer,
                                      std::optional<bool> taken) {
  const std::optional<std::time_t> clock = LoggerClock(before.reply);
  std::optional<std::int64_t> drift;
  if (clock) drift = *clock - computer;
  try {
    archive_->AppendAudit(
        CurrentActor("velmorante-station", VELMORANTE_VERSION),
        SetClockChange(settings_.name, settings_.port, ClockIsoText(computer),
                       clock ? ClockIsoText(*clock) : std::string(), drift, taken));
    return true;
  } catch (const std::exception& error) {
    Log(std::string("the clock setting could not be noted in the audit trail: ") + error.what());
    return false;
  }
}

void StationRunner::Event(StationEventKind kind, const std::string& detail,
                          const LoggerStatus* status) {
  StationEvent event;
  event.station = settings_.name;
  event.at = SystemClock::now();
  event.kind = kind;
  event.detail = detail;
  if (status) {
    if (const std::optional<std::time_t> clock = LoggerClock(status->reply)) {
      event.loggerClock = ClockIsoText(*clock);
      event.clockDriftSeconds = *clock - ComputerClock(std::time(nullptr));
    }
  }
  Log(std::string(StationEventCode(kind)) + (detail.empty() ? "" : ": " + detail));
  try {
    store_->AddEvent(event);
  } catch (const std::exception& error) {
    Log(std::string("the event could not be archived: ") + error.what());
  }
}

void StationRunner::WriteStatus(bool connected) {
  status_.updatedAt = SystemClock::now();
  status_.pid = static_cast<long>(getpid());
  status_.connected = connected;
  status_.nextDownloadAt = nextDownload_;
  statusWrittenAt_ = SteadyClock::now();
  std::string problem;
  try {
    store_->WriteStatus(status_);
  } catch (const std::exception& error) {
    problem = std::string("the status could not be written to the archive: ") + error.what();
    if (!status_.problem.empty()) problem += "; " + status_.problem;
    Log(problem);
  }
  // `station status` reads the lock file when the archive's status is stale.
  if (lock_ && problem != notedProblem_) {
    lock_->NoteProblem(problem);
    notedProblem_ = problem;
  }
}
