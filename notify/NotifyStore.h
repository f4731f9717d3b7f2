// The archive's side of notifications: each station's notification settings, the alarm events
// that stations and people write, and the deliveries of those events, each with its attempts, its
// next try and its outcome. Opens the archive's own file; one store per thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveFile.h"
#include "notify/NotifySettings.h"

enum class DeliveryChannel { kCommand, kMail };
const char* DeliveryChannelCode(DeliveryChannel channel);  // "command", "mail"

// One row of alarm_events.
struct AlarmEventRow {
  std::int64_t id = 0;
  std::int64_t alarmId = 0;
  std::string event;    // raised, cleared, acknowledged
  std::string at;       // when it happened
  std::string payload;  // the JSON object notifications carry
};

// A delivery not yet made, with the event it carries.
struct PendingDelivery {
  std::int64_t id = 0;
  std::int64_t eventId = 0;
  DeliveryChannel channel = DeliveryChannel::kCommand;
  int attempts = 0;
  std::chrono::system_clock::time_point nextAttemptAt;
  std::string payload;
};

// How a station's deliveries stand, for its status.
struct DeliveryTally {
  std::int64_t delivered = 0;
  std::int64_t waiting = 0;
  std::string lastError;  // of the latest failed attempt among those waiting
};

class NotifyStore {
 public:
  // Throws ArchiveError as ArchiveFile does.
  NotifyStore(const std::string& path, ArchiveAccess access);
  ~NotifyStore();
  NotifyStore(const NotifyStore&) = delete;
  NotifyStore& operator=(const NotifyStore&) = delete;

  // The station's settings; none when it has none.
  std::optional<StationNotify> Find(const std::string& station);
  // Keeps the settings (settings with no channel and nothing else remove the row). The caller
  // checks them first.
  void Write(const StationNotify& notify);

  // The newest event of the station's alarms (any station's when `station` is empty); 0 when none.
  std::int64_t LatestEventId(const std::string& station);
  // The newest event of the station already given a delivery on `channel`; none when none was.
  std::optional<std::int64_t> LatestQueuedEventId(const std::string& station,
                                                  DeliveryChannel channel);
  // Events of any station after `afterId`, oldest first, at most `limit`.
  std::vector<AlarmEventRow> EventsAfter(std::int64_t afterId, int limit);

  // Makes a delivery on `channel`, due `now`, for each event of the station's alarms after
  // `afterId` that has none; returns the newest event id seen (`afterId` when there is none).
  std::int64_t Queue(const std::string& station, DeliveryChannel channel, std::int64_t afterId,
                     std::chrono::system_clock::time_point now);
  // The station's undelivered delivery that is due first, on one of the channels asked.
  std::optional<PendingDelivery> NextDue(const std::string& station, bool command, bool mail);
  // Records one attempt: delivered at `now`, or failed with `error` and due again at `retryAt`.
  // The error of the last failed attempt stays after a later success.
  void RecordAttempt(std::int64_t deliveryId, bool delivered, const std::string& error,
                     std::chrono::system_clock::time_point now,
                     std::chrono::system_clock::time_point retryAt);
  DeliveryTally Tally(const std::string& station);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
