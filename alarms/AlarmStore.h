// The alarms kept in the download archive: each station's rule of limits, the alarms raised at it
// and the events (raised, cleared, acknowledged) that notifications deliver. Every change is one
// transaction: an alarm and its event are kept together or not at all, and an acknowledgement or a
// change of rule is kept together with its audit entry.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "alarms/Alarm.h"
#include "archive/ArchiveFile.h"
#include "archive/AuditTrail.h"

// An unknown station or alarm, a missing comment, an alarm acknowledged already, a rule whose
// limits contradict each other: the text says which.
class AlarmError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The two limits of `rule` that contradict each other, by their JSON names ("t_low", "t_high"):
// a low limit at or above its high one, a warning limit beyond its alarm limit, or a value that is
// not a finite number (then both names are that value's). Nothing when the rule may be kept.
std::optional<std::pair<std::string, std::string>> AlarmRuleConflict(const AlarmRule& rule);

// Now on this computer's clock as ISO 8601 with its offset: "2026-12-08T16:40:02+01:00".
std::string LocalTimeWithOffset();

class AlarmStore {
 public:
  // Opens (creating or migrating when `access` allows writing) the archive at `path`. Throws
  // ArchiveError as the other stores of the archive do.
  explicit AlarmStore(const std::string& path, ArchiveAccess access = ArchiveAccess::kReadWrite);
  ~AlarmStore();
  AlarmStore(const AlarmStore&) = delete;
  AlarmStore& operator=(const AlarmStore&) = delete;

  // The rule of `station`; nothing when none was ever set.
  std::optional<AlarmRule> Rule(const std::string& station);
  // Keeps `rule` for `station`, with an audit entry holding the old and new rule and `reason`.
  // Throws AlarmError for a station that does not exist, contradicting limits or an empty reason.
  void SetRule(const std::string& station, const AlarmRule& rule, const AuditActor& actor,
               const std::string& reason);

  // Alarms of every station (`station` empty) or of one, only the open ones when `openOnly`;
  // newest start first.
  std::vector<Alarm> List(const std::string& station = {}, bool openOnly = false);
  std::optional<Alarm> Find(std::int64_t id);

  // Keeps `alarm` (its station, kind, level and start are its identity) with a 'raised' event and
  // returns it as kept, with its id and the time it was raised. An alarm of that identity that is
  // kept already is returned as it is, and no event is added: raising again does no harm.
  Alarm Raise(Alarm alarm);
  // Rewrites the kept alarm `alarm.id`: its start, end, samples, minutes, peak, limit and whether
  // it is live. An open alarm that now ends gets a 'cleared' event. Throws AlarmError when there is
  // no such alarm.
  Alarm Update(const Alarm& alarm);
  // Acknowledges alarm `id` as `actor`'s user with `comment`, with an 'acknowledged' event and an
  // audit entry. Throws AlarmError when the comment is blank, the alarm is not there or it was
  // acknowledged already.
  Alarm Acknowledge(std::int64_t id, const AuditActor& actor, const std::string& comment);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
