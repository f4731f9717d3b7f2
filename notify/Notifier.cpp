// The notifier's thread: make deliveries, try what is due, record, sleep until the next thing.
#include "notify/Notifier.h"

#include <nlohmann/json.hpp>

#include "notify/AlarmText.h"
#include "notify/CommandDelivery.h"
#include "notify/MailDelivery.h"
#include "notify/MailMessage.h"
#include "notify/NotifyStore.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

std::string Seconds(milliseconds duration) {
  const long long tenths = duration.count() / 100;
  return std::to_string(tenths / 10) + (tenths % 10 != 0 ? "." + std::to_string(tenths % 10) : "") +
         " s";
}

}  // namespace

Notifier::Notifier(std::string station, std::string archivePath, LogLine log, NotifierTiming timing)
    : station_(std::move(station)),
      archivePath_(std::move(archivePath)),
      log_(std::move(log)),
      timing_(timing) {}

Notifier::~Notifier() {
  Stop();
}

void Notifier::Start() {
  if (thread_.joinable() || stop_.requested()) return;
  // Where deliveries begin is fixed now, before the caller goes on to raise alarms, so that none
  // raised in the first moments is taken for an old one. An archive that cannot be read now is
  // read by the thread's first look.
  try {
    NotifyStore store(archivePath_, ArchiveAccess::kReadWrite);
    FixStart(store);
  } catch (const std::exception&) {
  }
  thread_ = std::thread([this] { Loop(); });
}

void Notifier::FixStart(NotifyStore& store) {
  // After the newest event already given a delivery on the channel, or, for a channel that never
  // had one, after the newest event now, so that a channel configured today is not sent the
  // alarms of last year.
  const std::int64_t latest = store.LatestEventId(station_);
  queuedCommand_ = store.LatestQueuedEventId(station_, DeliveryChannel::kCommand).value_or(latest);
  queuedMail_ = store.LatestQueuedEventId(station_, DeliveryChannel::kMail).value_or(latest);
}

void Notifier::Wake() {
  std::lock_guard<std::mutex> lock(mutex_);
  woken_ = true;
  wake_.notify_all();
}

void Notifier::RequestStop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_.Request();
  wake_.notify_all();
}

void Notifier::Stop() {
  RequestStop();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void Notifier::Loop() {
  std::unique_ptr<NotifyStore> store;
  std::string lastProblem;
  while (!stop_.requested()) {
    milliseconds sleep = timing_.lookEvery;
    try {
      if (!store) store = std::make_unique<NotifyStore>(archivePath_, ArchiveAccess::kReadWrite);
      sleep = Pass(*store);
      lastProblem.clear();
    } catch (const std::exception& error) {
      // A busy or damaged archive: tried again at the next look, said again only when it changes.
      const std::string problem = std::string("notifications: ") + error.what();
      if (problem != lastProblem) log_(problem);
      lastProblem = problem;
      store.reset();
    }
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_for(lock, sleep, [this] { return woken_ || stop_.requested(); });
    woken_ = false;
  }
}

milliseconds Notifier::Pass(NotifyStore& store) {
  const std::optional<StationNotify> found = store.Find(station_);
  StationNotify settings;
  if (found) settings = *found;
  if (!announced_) {
    if (queuedCommand_ < 0) FixStart(store);
    announced_ = true;
    log_("notifications: " +
         std::string(settings.HasCommand() && settings.HasMail() ? "by command and by mail"
                     : settings.HasCommand()                     ? "by command"
                     : settings.HasMail()                        ? "by mail"
                                                                 : "none configured") +
         ", for alarm events after " + std::to_string(std::min(queuedCommand_, queuedMail_)));
  }
  // Deliveries are made only when there are new events: a write checks the whole file first, too
  // costly for every look.
  const std::int64_t latest = store.LatestEventId(station_);
  const auto follow = [&](bool configured, DeliveryChannel channel, std::int64_t& queued) {
    if (!configured) {
      queued = latest;  // an unconfigured channel follows the events without deliveries
    } else if (latest > queued) {
      queued = store.Queue(station_, channel, queued, system_clock::now());
    }
  };
  follow(settings.HasCommand(), DeliveryChannel::kCommand, queuedCommand_);
  follow(settings.HasMail(), DeliveryChannel::kMail, queuedMail_);
  while (!stop_.requested()) {
    const std::optional<PendingDelivery> next =
        store.NextDue(station_, settings.HasCommand(), settings.HasMail());
    if (!next) break;
    const system_clock::time_point at = system_clock::now();
    if (next->nextAttemptAt > at) {
      const auto until = std::chrono::ceil<milliseconds>(next->nextAttemptAt - at);
      return std::min(until, timing_.lookEvery);
    }
    Attempt(store, settings, *next);
  }
  return timing_.lookEvery;
}

void Notifier::Attempt(NotifyStore& store, const StationNotify& settings,
                       const PendingDelivery& delivery) {
  std::string error;
  bool delivered = false;
  const char* channel = DeliveryChannelCode(delivery.channel);
  if (delivery.channel == DeliveryChannel::kCommand) {
    const CommandOutcome outcome =
        RunNotifyCommand(settings.command, delivery.payload + "\n", timing_.commandLimit, stop_);
    delivered = outcome.delivered;
    error = outcome.error;
  } else {
    try {
      const nlohmann::json event = nlohmann::json::parse(delivery.payload, nullptr, false);
      const AlarmText text = MakeAlarmText(event);
      MailServer server;
      server.url = settings.smtpUrl;
      server.user = settings.smtpUser;
      server.password = ReadSmtpPassword(settings);
      server.connectLimit = timing_.mailConnectLimit;
      server.limit = timing_.mailLimit;
      const std::string message = ComposeMail(
          {settings.mailFrom, settings.mailTo, text.title, text.body}, system_clock::now(),
          std::to_string(delivery.eventId) + "." + std::to_string(delivery.attempts));
      const MailOutcome outcome =
          SendMail(server, settings.mailFrom, settings.mailTo, message, stop_);
      delivered = outcome.delivered;
      error = outcome.error;
    } catch (const std::exception& problem) {
      error = problem.what();
    }
  }
  // A delivery cut short by the stop is tried again at the next start, without counting.
  if (!delivered && stop_.requested()) return;
  milliseconds pause = timing_.firstRetry;
  for (int i = 0; i < delivery.attempts && pause < timing_.maxRetry; ++i) pause *= 2;
  pause = std::min(pause, timing_.maxRetry);
  const system_clock::time_point now = system_clock::now();
  store.RecordAttempt(delivery.id, delivered, error, now, now + pause);
  const std::string what = std::string("notification of alarm event ") +
                           std::to_string(delivery.eventId) + " by " + channel;
  if (delivered) {
    log_(what + " delivered");
  } else {
    log_(what + " failed (attempt " + std::to_string(delivery.attempts + 1) + ", next in " +
         Seconds(pause) + "): " + error);
  }
}
