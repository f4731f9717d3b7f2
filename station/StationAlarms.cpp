// A station's alarms judged on a thread of their own: each reply against the rule's limits and the
// conditions, each download's record against the kept alarms. The archive is written only when an
// alarm begins, ends or is corrected, never for a reply that changes nothing.
#include "station/StationAlarms.h"

#include <cmath>
#include <ctime>
#include <map>
#include <vector>

#include <nlohmann/json.hpp>

#include "alarms/AlarmStore.h"
#include "archive/DownloadArchive.h"
#include "link/LoggerProtocol.h"
#include "record/ArchiveRecord.h"
#include "record/RecordSelection.h"
#include "station/RecordAlarms.h"

namespace {

// This computer's local time, as the logger's clock is set from it: "2026-12-07T14:05:00".
std::string LocalIso(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

bool IsCondition(AlarmKind kind) {
  return kind == AlarmKind::kSilent || kind == AlarmKind::kBattery || kind == AlarmKind::kMemory ||
         kind == AlarmKind::kDownloadFailed || kind == AlarmKind::kClockDrift;
}

// One limit of the rule followed through the replies.
struct LiveLimit {
  AlarmKind kind = AlarmKind::kTemperatureHigh;
  AlarmLevel level = AlarmLevel::kAlarm;
  double limit = 0;
  bool temperature = true;
  bool high = true;
  std::optional<std::int64_t> since;  // logger seconds of the first reply beyond
  std::string sinceText;
  double peak = 0;
  std::optional<std::int64_t> alarm;  // the kept alarm of this run beyond the limit
};

std::vector<LiveLimit> LimitsOf(const AlarmRule& rule) {
  std::vector<LiveLimit> limits;
  const auto add = [&](const std::optional<double>& value, AlarmKind kind, AlarmLevel level,
                       bool temperature, bool high) {
    if (!value) return;
    LiveLimit limit;
    limit.kind = kind;
    limit.level = level;
    limit.limit = *value;
    limit.temperature = temperature;
    limit.high = high;
    limits.push_back(limit);
  };
  using K = AlarmKind;
  using L = AlarmLevel;
  add(rule.temperatureHigh, K::kTemperatureHigh, L::kAlarm, true, true);
  add(rule.temperatureLow, K::kTemperatureLow, L::kAlarm, true, false);
  add(rule.humidityHigh, K::kHumidityHigh, L::kAlarm, false, true);
  add(rule.humidityLow, K::kHumidityLow, L::kAlarm, false, false);
  add(rule.temperatureWarnHigh, K::kTemperatureHigh, L::kWarning, true, true);
  add(rule.temperatureWarnLow, K::kTemperatureLow, L::kWarning, true, false);
  add(rule.humidityWarnHigh, K::kHumidityHigh, L::kWarning, false, true);
  add(rule.humidityWarnLow, K::kHumidityLow, L::kWarning, false, false);
  return limits;
}

}  // namespace

struct StationAlarms::Live {
  std::vector<LiveLimit> limits;
  struct Condition {
    std::int64_t alarm = 0;
    std::optional<double> peak;
  };
  std::map<AlarmKind, Condition> conditions;  // the open ones
};

StationAlarms::StationAlarms(std::string station, std::string archivePath,
                             std::function<void(const std::string&)> log)
    : station_(std::move(station)),
      archivePath_(std::move(archivePath)),
      log_(std::move(log)),
      live_(std::make_unique<Live>()) {
  Post([this] { Open(); });
  thread_ = std::thread([this] { Work(); });
}

StationAlarms::~StationAlarms() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void StationAlarms::Post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_all();
}

void StationAlarms::Work() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      // What was handed over before the stop is still done: an alarm seen is never dropped.
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    try {
      job();
    } catch (const std::exception& error) {
      Log(std::string("alarms: ") + error.what());
    }
  }
}

void StationAlarms::Log(const std::string& line) {
  if (log_) log_(line);
}

void StationAlarms::Open() {
  store_ = std::make_unique<AlarmStore>(archivePath_);
  archive_ = std::make_unique<DownloadArchive>(archivePath_, ArchiveAccess::kReadOnly);
  rule_ = store_->Rule(station_);
  if (rule_) live_->limits = LimitsOf(*rule_);
  // A station started again carries on with the conditions it left open.
  for (const Alarm& alarm : store_->List(station_, true)) {
    if (IsCondition(alarm.kind)) live_->conditions[alarm.kind] = {alarm.id, alarm.peak};
  }
}

void StationAlarms::Replied(const AlarmReply& reply) {
  Post([this, reply] { JudgeReply(reply); });
}

void StationAlarms::Downloaded() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (recordQueued_) return;
    recordQueued_ = true;
  }
  Post([this] {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      recordQueued_ = false;
    }
    JudgeRecord();
  });
}

void StationAlarms::DownloadsFailed(int inARow) {
  Post([this, inARow] {
    SetCondition(AlarmKind::kDownloadFailed, inARow >= kFailedDownloadsInARow,
                 kFailedDownloadsInARow, inARow, false);
  });
}

void StationAlarms::NoReplySince(SystemClock::time_point lastReply) {
  Post([this, lastReply] {
    const auto silent = SystemClock::now() - lastReply;
    if (silent < kSilentAfter) return;
    SetCondition(AlarmKind::kSilent, true, static_cast<double>(kSilentAfter.count()),
                 std::chrono::duration<double, std::ratio<60>>(silent).count(), false);
  });
}

void StationAlarms::SetCondition(AlarmKind kind, bool on, std::optional<double> limit,
                                 std::optional<double> value, bool lowIsWorse) {
  if (!store_) return;
  const auto open = live_->conditions.find(kind);
  if (on && open == live_->conditions.end()) {
    Alarm alarm;
    alarm.station = station_;
    alarm.kind = kind;
    alarm.level = AlarmLevel::kAlarm;
    alarm.limit = limit;
    alarm.startedAt = LocalIso(SystemClock::now());
    alarm.peak = value;
    alarm.rule = AlarmRuleJson(rule_.value_or(AlarmRule{})).dump();
    const Alarm raised = store_->Raise(alarm);
    live_->conditions[kind] = {raised.id, value};
    Log(std::string("alarm raised: ") + AlarmKindCode(kind));
  } else if (on) {
    // The worst value seen while it lasts, kept when it ends.
    std::optional<double>& peak = open->second.peak;
    if (value && (!peak || (lowIsWorse ? *value < *peak : std::fabs(*value) > std::fabs(*peak))))
      peak = value;
  } else if (open != live_->conditions.end()) {
    const Live::Condition condition = open->second;
    live_->conditions.erase(open);
    std::optional<Alarm> alarm = store_->Find(condition.alarm);
    if (!alarm || !alarm->open()) return;
    alarm->endedAt = LocalIso(SystemClock::now());
    alarm->peak = condition.peak;
    const auto from = record::WallClockFromIso(alarm->startedAt);
    const auto to = record::WallClockFromIso(*alarm->endedAt);
    if (from && to) alarm->minutes = static_cast<double>(*to - *from) / 60;
    store_->Update(*alarm);
    Log(std::string("alarm cleared: ") + AlarmKindCode(kind));
  }
}

void StationAlarms::JudgeReply(const AlarmReply& reply) {
  if (!store_) return;
  SetCondition(AlarmKind::kSilent, false, std::nullopt, std::nullopt, false);
  SetCondition(AlarmKind::kBattery, !reply.batteryGood, protocol::kGoodBatteryPercent,
               reply.batteryPercent, true);
  const int memoryLimit = protocol::kLoggerCapacity * kMemoryAlarmPercent / 100;
  // A memory this full stops recording soon, whether or not what it holds is archived.
  SetCondition(AlarmKind::kMemory, reply.memoryUsed >= memoryLimit, memoryLimit, reply.memoryUsed,
               false);
  if (reply.clockDriftSeconds) {
    SetCondition(AlarmKind::kClockDrift,
                 std::llabs(*reply.clockDriftSeconds) > kClockDriftLimitSeconds,
                 static_cast<double>(kClockDriftLimitSeconds),
                 static_cast<double>(*reply.clockDriftSeconds), false);
  }

  const std::optional<std::int64_t> now = record::WallClockFromIso(reply.loggerClock);
  if (!now || !rule_) return;
  for (LiveLimit& limit : live_->limits) {
    const double value = limit.temperature ? reply.temperature : reply.humidity;
    const bool beyond = limit.high ? value > limit.limit : value < limit.limit;
    const bool back = limit.high ? value <= limit.limit - rule_->hysteresis
                                 : value >= limit.limit + rule_->hysteresis;
    if (beyond) {
      if (!limit.since) {
        limit.since = *now;
        limit.sinceText = reply.loggerClock;
        limit.peak = value;
      }
      limit.peak = limit.high ? std::max(limit.peak, value) : std::min(limit.peak, value);
      if (limit.alarm || *now - *limit.since < rule_->delayMinutes * 60) continue;
      Alarm alarm;
      alarm.station = station_;
      alarm.kind = limit.kind;
      alarm.level = limit.level;
      alarm.limit = limit.limit;
      alarm.startedAt = limit.sinceText;
      alarm.minutes = static_cast<double>(*now - *limit.since) / 60;
      alarm.peak = limit.peak;
      alarm.rule = AlarmRuleJson(*rule_).dump();
      alarm.live = true;
      limit.alarm = store_->Raise(alarm).id;
      Log(std::string("alarm raised from the logger's replies: ") + AlarmKindCode(limit.kind));
    } else if (back && limit.since) {
      // Only an alarm the record has not yet confirmed ends here; a confirmed one ends with the
      // record, which knows the sample that ended it.
      if (limit.alarm) {
        std::optional<Alarm> alarm = store_->Find(*limit.alarm);
        if (alarm && alarm->live && alarm->open()) {
          alarm->endedAt = reply.loggerClock;
          alarm->minutes = static_cast<double>(*now - *limit.since) / 60;
          alarm->peak = limit.peak;
          store_->Update(*alarm);
        }
      }
      limit.since.reset();
      limit.alarm.reset();
    }
  }
}

void StationAlarms::JudgeRecord() {
  if (!store_) return;
  const std::optional<AlarmRule> rule = store_->Rule(station_);
  if (rule != rule_) {
    // A new rule is followed from the next reply on; what the old one raised the record settles.
    rule_ = rule;
    live_->limits = rule ? LimitsOf(*rule) : std::vector<LiveLimit>();
  }
  const std::optional<record::StationRecord> record =
      record::ReadStationRecord(*archive_, station_);
  if (!record) return;
  const RecordAlarmChanges changes = RecordAlarms(*record, rule_, station_, store_->List(station_));
  for (const Alarm& alarm : changes.update) {
    try {
      store_->Update(alarm);
    } catch (const std::exception& error) {
      Log(std::string("alarms: alarm ") + std::to_string(alarm.id) + ": " + error.what());
    }
  }
  for (const Alarm& alarm : changes.raise) {
    store_->Raise(alarm);
    Log(std::string("alarm raised from the record: ") + AlarmKindCode(alarm.kind) + " from " +
        alarm.startedAt);
  }
  // A run beyond a limit that the record now holds open goes on as that alarm: no second one.
  const std::vector<Alarm> open = store_->List(station_, true);
  for (LiveLimit& limit : live_->limits) {
    for (const Alarm& alarm : open) {
      if (limit.since && alarm.kind == limit.kind && alarm.level == limit.level)
        limit.alarm = alarm.id;
    }
  }
}
