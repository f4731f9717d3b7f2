// Rules, alarms and alarm events in the archive's own file, each change in one transaction after
// SQLite's check of the file.
#include "alarms/AlarmStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

#include "archive/Sqlite.h"

namespace {

constexpr const char* kAlarmColumns =
    "id, station, kind, level, limit_value, started_at, ended_at, samples, minutes, peak, rule,"
    " live, raised_at, ack_by, ack_at, ack_comment";

std::optional<double> OptionalReal(const SqliteStatement& row, int column) {
  if (row.IsNull(column)) return std::nullopt;
  return row.Real(column);
}

void BindOptionalReal(SqliteStatement& statement, int index, const std::optional<double>& value) {
  if (value) statement.BindReal(index, *value);
}

Alarm AlarmFrom(const SqliteStatement& row) {
  Alarm alarm;
  alarm.id = row.Integer(0);
  alarm.station = row.Text(1);
  // The table's checks admit only the known codes.
  alarm.kind = AlarmKindFromCode(row.Text(2)).value_or(AlarmKind::kTemperatureHigh);
  alarm.level = AlarmLevelFromCode(row.Text(3)).value_or(AlarmLevel::kAlarm);
  alarm.limit = OptionalReal(row, 4);
  alarm.startedAt = row.Text(5);
  if (!row.IsNull(6)) alarm.endedAt = row.Text(6);
  alarm.samples = row.IsNull(7) ? 0 : row.Integer(7);
  alarm.minutes = row.IsNull(8) ? 0 : row.Real(8);
  alarm.peak = OptionalReal(row, 9);
  alarm.rule = row.Text(10);
  alarm.live = row.Integer(11) != 0;
  alarm.raisedAt = row.Text(12);
  if (!row.IsNull(13)) alarm.acknowledgement = {row.Text(13), row.Text(14), row.Text(15)};
  return alarm;
}

bool Blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

std::optional<std::pair<std::string, std::string>> AlarmRuleConflict(const AlarmRule& rule) {
  const std::pair<const char*, const std::optional<double>*> values[] = {
      {"t_low", &rule.temperatureLow},
      {"t_high", &rule.temperatureHigh},
      {"rh_low", &rule.humidityLow},
      {"rh_high", &rule.humidityHigh},
      {"t_warn_low", &rule.temperatureWarnLow},
      {"t_warn_high", &rule.temperatureWarnHigh},
      {"rh_warn_low", &rule.humidityWarnLow},
      {"rh_warn_high", &rule.humidityWarnHigh},
  };
  for (const auto& [name, value] : values) {
    if (*value && !std::isfinite(**value)) return std::make_pair(name, name);
  }
  if (!std::isfinite(rule.delayMinutes) || rule.delayMinutes < 0)
    return std::make_pair("delay", "delay");
  if (!std::isfinite(rule.hysteresis) || rule.hysteresis < 0)
    return std::make_pair("hysteresis", "hysteresis");
  // Each pair is (lower, upper) wherever both are set. A warning comes before its alarm, so it
  // lies inside it (it may equal it); a low and a high limit must leave room between them.
  struct Order {
    int lower, upper;
    bool strict;
  };
  constexpr Order kOrders[] = {
      {0, 1, true},  {2, 3, true},  {4, 5, true},  {6, 7, true},   // low below high
      {0, 4, false}, {5, 1, false}, {2, 6, false}, {7, 3, false},  // warning inside alarm
      {0, 5, true},  {4, 1, true},  {2, 7, true},  {6, 3, true},   // across the channel
  };
  for (const Order& order : kOrders) {
    const std::optional<double>& a = *values[order.lower].second;
    const std::optional<double>& b = *values[order.upper].second;
    if (a && b && (order.strict ? *a >= *b : *a > *b))
      return std::make_pair(values[order.lower].first, values[order.upper].first);
  }
  return std::nullopt;
}

std::string LocalTimeWithOffset() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
  const long offset = local.tm_gmtoff;
  const long magnitude = offset < 0 ? -offset : offset;
  char zone[48];
  std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', magnitude / 3600,
                magnitude % 3600 / 60);
  return std::string(stamp) + zone;
}

struct AlarmStore::Impl {
  Impl(const std::string& path, ArchiveAccess access) : file(path, access) {}

  // An archive from before alarms (read as it is), or no archive yet: nothing to read.
  bool HasAlarmTables() const { return !file.empty() && file.schemaVersion() >= 4; }
  void Prepare();

  template <typename Body>
  auto Write(Body body) {
    file.ThrowIfReadOnly();
    SqliteWriteTransaction transaction(file.connection());
    file.CheckBeforeWriting();
    auto result = body();
    transaction.Commit();
    return result;
  }
  std::optional<Alarm> FindById(std::int64_t id);
  void AddEvent(AlarmEventKind kind, const Alarm& alarm);

  ArchiveFile file;  // first: its connection outlives the statements below
  SqliteStatement readRule;
  SqliteStatement writeRule;
  SqliteStatement stationExists;
  SqliteStatement listAll;
  SqliteStatement listStation;
  SqliteStatement findById;
  SqliteStatement findByIdentity;
  SqliteStatement insertAlarm;
  SqliteStatement updateAlarm;
  SqliteStatement acknowledge;
  SqliteStatement insertEvent;
};

void AlarmStore::Impl::Prepare() {
  SqliteConnection& db = file.connection();
  const std::string select = std::string("SELECT ") + kAlarmColumns + " FROM alarms";
  readRule = SqliteStatement(db,
                             "SELECT t_low, t_high, rh_low, rh_high, t_warn_low, t_warn_high,"
                             " rh_warn_low, rh_warn_high, delay_minutes, hysteresis"
                             " FROM alarm_rules WHERE station = ?");
  stationExists = SqliteStatement(db, "SELECT 1 FROM stations WHERE name = ?");
  listAll = SqliteStatement(db, (select + " WHERE (?1 = 0 OR ended_at IS NULL)"
                                          " ORDER BY started_at DESC, id DESC")
                                    .c_str());
  listStation = SqliteStatement(db, (select + " WHERE station = ?2 AND (?1 = 0 OR ended_at IS NULL)"
                                              " ORDER BY started_at DESC, id DESC")
                                        .c_str());
  findById = SqliteStatement(db, (select + " WHERE id = ?").c_str());
  findByIdentity = SqliteStatement(
      db, (select + " WHERE station = ? AND kind = ? AND level = ? AND started_at = ?").c_str());
  if (file.readOnly()) return;
  writeRule = SqliteStatement(
      db,
      "INSERT OR REPLACE INTO alarm_rules (station, t_low, t_high, rh_low, rh_high, t_warn_low,"
      " t_warn_high, rh_warn_low, rh_warn_high, delay_minutes, hysteresis, changed_at)"
      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insertAlarm = SqliteStatement(
      db,
      "INSERT INTO alarms (station, kind, level, limit_value, started_at, ended_at, samples,"
      " minutes, peak, rule, live, raised_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  updateAlarm = SqliteStatement(db,
                                "UPDATE alarms SET limit_value = ?, started_at = ?, ended_at = ?,"
                                " samples = ?, minutes = ?, peak = ?, live = ? WHERE id = ?");
  acknowledge =
      SqliteStatement(db, "UPDATE alarms SET ack_by = ?, ack_at = ?, ack_comment = ? WHERE id = ?");
  insertEvent = SqliteStatement(
      db, "INSERT INTO alarm_events (alarm_id, event, at, payload) VALUES (?, ?, ?, ?)");
}

std::optional<Alarm> AlarmStore::Impl::FindById(std::int64_t id) {
  SqliteStatement::Use use(findById);
  findById.Bind(1, id);
  if (!findById.Step()) return std::nullopt;
  return AlarmFrom(findById);
}

void AlarmStore::Impl::AddEvent(AlarmEventKind kind, const Alarm& alarm) {
  SqliteStatement::Use use(insertEvent);
  insertEvent.Bind(1, alarm.id);
  insertEvent.BindText(2, AlarmEventCode(kind));
  insertEvent.BindText(3, LocalTimeWithOffset());
  insertEvent.BindText(4, AlarmEventJson(kind, alarm).dump());
  insertEvent.Step();
}

AlarmStore::AlarmStore(const std::string& path, ArchiveAccess access)
    : impl_(std::make_unique<Impl>(path, access)) {
  if (impl_->HasAlarmTables()) impl_->Prepare();
}

AlarmStore::~AlarmStore() = default;

std::optional<AlarmRule> AlarmStore::Rule(const std::string& station) {
  if (!impl_->HasAlarmTables()) return std::nullopt;
  SqliteStatement& read = impl_->readRule;
  SqliteStatement::Use use(read);
  read.BindText(1, station);
  if (!read.Step()) return std::nullopt;
  AlarmRule rule;
  rule.temperatureLow = OptionalReal(read, 0);
  rule.temperatureHigh = OptionalReal(read, 1);
  rule.humidityLow = OptionalReal(read, 2);
  rule.humidityHigh = OptionalReal(read, 3);
  rule.temperatureWarnLow = OptionalReal(read, 4);
  rule.temperatureWarnHigh = OptionalReal(read, 5);
  rule.humidityWarnLow = OptionalReal(read, 6);
  rule.humidityWarnHigh = OptionalReal(read, 7);
  rule.delayMinutes = read.Real(8);
  rule.hysteresis = read.Real(9);
  return rule;
}

void AlarmStore::SetRule(const std::string& station, const AlarmRule& rule, const AuditActor& actor,
                         const std::string& reason) {
  if (const auto conflict = AlarmRuleConflict(rule)) {
    throw AlarmError(conflict->first == conflict->second
                         ? "the rule's " + conflict->first + " is out of range"
                         : "the rule's " + conflict->first + " must be below its " +
                               conflict->second);
  }
  if (Blank(reason)) throw AlarmError("a change of rule needs a reason");
  impl_->file.ThrowIfReadOnly();
  impl_->Write([&] {
    {
      SqliteStatement::Use use(impl_->stationExists);
      impl_->stationExists.BindText(1, station);
      if (!impl_->stationExists.Step())
        throw AlarmError("there is no station named '" + station + "'");
    }
    const std::optional<AlarmRule> old = Rule(station);
    SqliteStatement& write = impl_->writeRule;
    {
      SqliteStatement::Use use(write);
      write.BindText(1, station);
      BindOptionalReal(write, 2, rule.temperatureLow);
      BindOptionalReal(write, 3, rule.temperatureHigh);
      BindOptionalReal(write, 4, rule.humidityLow);
      BindOptionalReal(write, 5, rule.humidityHigh);
      BindOptionalReal(write, 6, rule.temperatureWarnLow);
      BindOptionalReal(write, 7, rule.temperatureWarnHigh);
      BindOptionalReal(write, 8, rule.humidityWarnLow);
      BindOptionalReal(write, 9, rule.humidityWarnHigh);
      write.BindReal(10, rule.delayMinutes);
      write.BindReal(11, rule.hysteresis);
      write.BindText(12, LocalTimeWithOffset());
      write.Step();
    }
    AuditChange change;
    change.action = AuditAction::kRulesChange;
    change.station = station;
    change.object = "rules " + station;
    if (old) change.oldValue = AlarmRuleJson(*old).dump();
    change.newValue = AlarmRuleJson(rule).dump();
    change.reason = reason;
    AppendAuditEntry(impl_->file.connection(), actor, change, true);
    return 0;
  });
}

std::vector<Alarm> AlarmStore::List(const std::string& station, bool openOnly) {
  std::vector<Alarm> alarms;
  if (!impl_->HasAlarmTables()) return alarms;
  SqliteStatement& query = station.empty() ? impl_->listAll : impl_->listStation;
  SqliteStatement::Use use(query);
  query.Bind(1, openOnly ? 1 : 0);
  if (!station.empty()) query.BindText(2, station);
  while (query.Step()) alarms.push_back(AlarmFrom(query));
  return alarms;
}

std::optional<Alarm> AlarmStore::Find(std::int64_t id) {
  if (!impl_->HasAlarmTables()) return std::nullopt;
  return impl_->FindById(id);
}

Alarm AlarmStore::Raise(Alarm alarm) {
  return impl_->Write([&] {
    SqliteStatement& find = impl_->findByIdentity;
    {
      SqliteStatement::Use use(find);
      find.BindText(1, alarm.station);
      find.BindText(2, AlarmKindCode(alarm.kind));
      find.BindText(3, AlarmLevelCode(alarm.level));
      find.BindText(4, alarm.startedAt);
      if (find.Step()) return AlarmFrom(find);
    }
    alarm.raisedAt = LocalTimeWithOffset();
    alarm.acknowledgement.reset();
    SqliteStatement& insert = impl_->insertAlarm;
    {
      SqliteStatement::Use use(insert);
      insert.BindText(1, alarm.station);
      insert.BindText(2, AlarmKindCode(alarm.kind));
      insert.BindText(3, AlarmLevelCode(alarm.level));
      BindOptionalReal(insert, 4, alarm.limit);
      insert.BindText(5, alarm.startedAt);
      if (alarm.endedAt) insert.BindText(6, *alarm.endedAt);
      insert.Bind(7, alarm.samples);
      insert.BindReal(8, alarm.minutes);
      BindOptionalReal(insert, 9, alarm.peak);
      insert.BindText(10, alarm.rule);
      insert.Bind(11, alarm.live ? 1 : 0);
      insert.BindText(12, alarm.raisedAt);
      insert.Step();
    }
    alarm.id = sqlite3_last_insert_rowid(impl_->file.connection().handle());
    impl_->AddEvent(AlarmEventKind::kRaised, alarm);
    // An excursion that was over before anyone saw it is raised and cleared at once, so that
    // whoever follows the events sees both.
    if (alarm.endedAt) impl_->AddEvent(AlarmEventKind::kCleared, alarm);
    return alarm;
  });
}

Alarm AlarmStore::Update(const Alarm& alarm) {
  return impl_->Write([&] {
    std::optional<Alarm> kept = impl_->FindById(alarm.id);
    if (!kept) throw AlarmError("there is no alarm " + std::to_string(alarm.id));
    const bool ends = kept->open() && alarm.endedAt.has_value();
    SqliteStatement& update = impl_->updateAlarm;
    {
      SqliteStatement::Use use(update);
      BindOptionalReal(update, 1, alarm.limit);
      update.BindText(2, alarm.startedAt);
      if (alarm.endedAt) update.BindText(3, *alarm.endedAt);
      update.Bind(4, alarm.samples);
      update.BindReal(5, alarm.minutes);
      BindOptionalReal(update, 6, alarm.peak);
      update.Bind(7, alarm.live ? 1 : 0);
      update.Bind(8, alarm.id);
      update.Step();
    }
    Alarm updated = *impl_->FindById(alarm.id);
    if (ends) impl_->AddEvent(AlarmEventKind::kCleared, updated);
    return updated;
  });
}

Alarm AlarmStore::Acknowledge(std::int64_t id, const AuditActor& actor,
                              const std::string& comment) {
  if (Blank(comment)) throw AlarmError("acknowledging an alarm needs a comment");
  return impl_->Write([&] {
    std::optional<Alarm> alarm = impl_->FindById(id);
    if (!alarm) throw AlarmError("there is no alarm " + std::to_string(id));
    if (alarm->acknowledgement) {
      throw AlarmError("alarm " + std::to_string(id) + " was acknowledged already by " +
                       alarm->acknowledgement->by + " at " + alarm->acknowledgement->at);
    }
    alarm->acknowledgement = AlarmAcknowledgement{actor.user, LocalTimeWithOffset(), comment};
    SqliteStatement& ack = impl_->acknowledge;
    {
      SqliteStatement::Use use(ack);
      ack.BindText(1, alarm->acknowledgement->by);
      ack.BindText(2, alarm->acknowledgement->at);
      ack.BindText(3, comment);
      ack.Bind(4, id);
      ack.Step();
    }
    impl_->AddEvent(AlarmEventKind::kAcknowledged, *alarm);
    AuditChange change;
    change.action = AuditAction::kAlarmAck;
    change.station = alarm->station;
    change.object = "alarm " + std::to_string(id);
    change.newValue = AlarmJson(*alarm)["acknowledged"].dump();
    change.reason = comment;
    AppendAuditEntry(impl_->file.connection(), actor, change, true);
    return *alarm;
  });
}
