#include "cli/ClockResetGuard.h"

#include <cmath>
#include <ctime>
#include <optional>

#include "archive/ArchivedRecording.h"
#include "cli/Translate.h"
#include "data/StartTexts.h"
#include "data/TimeStamps.h"
#include "link/LoggerClockReading.h"
#include "link/LoggerProtocol.h"

namespace cli {
namespace {

// Logger seconds the command needs to land before the next sample is recorded.
constexpr std::time_t kCommandMargin = 5;
// The clock's text has whole seconds; a start read from a download may round the other way.
constexpr std::time_t kStartSlack = 2;

}  // namespace

std::string SamplesAtRisk(const std::string& archivePath, const std::string& port,
                          const LoggerStatus& status) {
  const double used = status.reply.usedMemory();
  if (used == 0) return "";  // nothing to lose
  const std::string howToProceed =
      Format(_("download first (velmorante-cli download --port %s), or give --discard to erase "
               "them"),
             port);
  const std::optional<std::time_t> clock = LoggerClock(status.reply);
  if (!clock || status.rateItem < 0 || used < 0 || used != std::floor(used) ||
      used > protocol::kLoggerCapacity) {
    return Format(_("the logger's reply does not show whether its samples are archived; %s"),
                  howToProceed);
  }
  const auto held = static_cast<std::int64_t>(used);
  const int minutes = protocol::kRateMinutes[status.rateItem];
  const std::time_t rate = static_cast<std::time_t>(minutes) * 60;
  // Sample k is recorded at start + k × rate: with `held` samples, the clock lies from sample
  // `held` up to sample `held` + 1, which bounds the start.
  const std::time_t latestStart = *clock - static_cast<std::time_t>(held) * rate;
  const bool full = held >= protocol::kLoggerCapacity;
  const ArchivedRecording found =
      !full ? ArchivedRecordingStartedBetween(archivePath, minutes,
                                              ClockIsoText(latestStart - rate - kStartSlack),
                                              ClockIsoText(latestStart + kStartSlack))
            // A full memory records nothing more, so its clock does not bound the start: only
            // the latest download from this port is taken for it.
            : LatestArchivedRecordingFrom(archivePath, port, minutes,
                                          ClockIsoText(latestStart + kStartSlack));
  if (found.samples < held) {
    return Format(_("the logger holds %s samples and the archive %s has %s of them; setting the "
                    "clock would erase the rest: %s"),
                  std::to_string(held), archivePath, std::to_string(found.samples), howToProceed);
  }
  if (full) return "";
  // The next sample, counted from the recording's start, must not be recorded before the
  // command lands.
  const std::optional<LoggerStart> start = StartFromIsoText(found.start);
  const std::time_t next =
      start ? LoggerStartSeconds(*start) + static_cast<std::time_t>(held + 1) * rate : *clock;
  if (next - *clock < kCommandMargin) {
    return Format(_("the logger records a sample in a moment, which no download has seen; "
                    "wait a few seconds and %s"),
                  howToProceed);
  }
  return "";
}

}  // namespace cli
