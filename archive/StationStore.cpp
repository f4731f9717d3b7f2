// The stations kept in the download archive: their settings, events and last status, in the
// archive's own file, each write in one transaction after SQLite's check of the file.
#include "archive/StationStore.h"

#include <algorithm>
#include <cctype>

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "archive/ArchiveFile.h"
#include "link/LoggerProtocol.h"

static_assert(kStationResetAtMost == protocol::kLoggerCapacity);

namespace {

using std::chrono::system_clock;

struct EventName {
  StationEventKind kind;
  const char* code;
};

constexpr EventName kEventNames[] = {
    {StationEventKind::kStarted, "started"},
    {StationEventKind::kStopped, "stopped"},
    {StationEventKind::kConnected, "connected"},
    {StationEventKind::kLost, "lost"},
    {StationEventKind::kDownloaded, "downloaded"},
    {StationEventKind::kDownloadFailed, "download_failed"},
    {StationEventKind::kReset, "reset"},
    {StationEventKind::kResetFailed, "reset_failed"},
    {StationEventKind::kWarning, "warning"},
};

// A kind written by a newer program reads as a warning: the operator still sees its detail.
StationEventKind EventKindFromCode(const std::string& code) {
  for (const EventName& name : kEventNames) {
    if (code == name.code) return name.kind;
  }
  return StationEventKind::kWarning;
}

std::optional<system_clock::time_point> OptionalTime(const SqliteStatement& row, int column) {
  if (row.IsNull(column)) return std::nullopt;
  return TimeFromUtcText(row.Text(column));
}

template <typename Number>
std::optional<Number> OptionalInteger(const SqliteStatement& row, int column) {
  if (row.IsNull(column)) return std::nullopt;
  return static_cast<Number>(row.Integer(column));
}

void BindOptionalText(SqliteStatement& statement, int index, const std::string& text) {
  if (!text.empty()) statement.BindText(index, text);
}

void BindOptionalTime(SqliteStatement& statement, int index,
                      const std::optional<system_clock::time_point>& when) {
  if (when) statement.BindText(index, UtcText(*when));
}

void BindOptionalInteger(SqliteStatement& statement, int index,
                         const std::optional<std::int64_t>& value) {
  if (value) statement.Bind(index, *value);
}

}  // namespace

const char* StationEventCode(StationEventKind kind) {
  for (const EventName& name : kEventNames) {
    if (name.kind == kind) return name.code;
  }
  return "warning";
}

bool IsStationName(const std::string& name) {
  if (name.empty() || name.size() > 64) return false;
  // They name folders, not a station: a station's files are named after it.
  if (name == "." || name == "..") return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x80 && (std::isalnum(u) != 0 || c == '-' || c == '_' || c == '.');
  });
}

std::string StationSettingsProblem(const StationSettings& settings) {
  if (!IsStationName(settings.name)) {
    return "the station's name '" + settings.name +
           "' must be 1 to 64 letters, digits, '-', '_' or '.'";
  }
  if (settings.port.empty()) return "the station has no port";
  if (settings.resetAt < 1 || settings.resetAt > kStationResetAtMost) {
    return "reset-at must be from 1 to " + std::to_string(kStationResetAtMost) + ", not " +
           std::to_string(settings.resetAt);
  }
  if (settings.downloadEvery < kStationShortestInterval ||
      settings.downloadEvery > kStationLongestInterval) {
    return "download-every must be from " + std::to_string(kStationShortestInterval.count()) +
           " s to " + std::to_string(kStationLongestInterval.count()) + " s, not " +
           std::to_string(settings.downloadEvery.count()) + " s";
  }
  return "";
}

struct StationStore::Impl {
  Impl(const std::string& path, ArchiveAccess access) : file(path, access) {}

  // An archive from before stations (read as it is), or no archive yet: nothing to read.
  bool HasStationTables() const { return !file.empty() && file.schemaVersion() >= 3; }
  void Prepare();

  // Runs `body` in a write transaction, after the file's check.
  template <typename Body>
  void Write(Body body) {
    file.ThrowIfReadOnly();
    SqliteWriteTransaction transaction(file.connection());
    file.CheckBeforeWriting();
    body();
    transaction.Commit();
  }
  bool Exists(const std::string& name);
  static StationSettings SettingsFrom(const SqliteStatement& row);

  ArchiveFile file;  // first: its connection outlives the statements below
  SqliteStatement insertStation;
  SqliteStatement updateStation;
  SqliteStatement deleteStation;
  SqliteStatement deleteStatus;
  SqliteStatement findStation;
  SqliteStatement listStations;
  SqliteStatement insertEvent;
  SqliteStatement events;
  SqliteStatement writeStatus;
  SqliteStatement readStatus;
  SqliteStatement archivedSamples;
};

void StationStore::Impl::Prepare() {
  SqliteConnection& db = file.connection();
  findStation = SqliteStatement(
      db, "SELECT name, port, reset_at, download_every_s FROM stations WHERE name = ?");
  listStations = SqliteStatement(
      db, "SELECT name, port, reset_at, download_every_s FROM stations ORDER BY name");
  events = SqliteStatement(db,
                           "SELECT station, at, kind, logger_clock, clock_drift_s, detail"
                           " FROM station_events WHERE station = ? ORDER BY id DESC LIMIT ?");
  readStatus = SqliteStatement(
      db,
      "SELECT station, updated_at, pid, connected, last_reply_at, logger_clock, clock_drift_s,"
      " memory_used, battery_percent, rate_minutes, recording_start, last_download_at,"
      " next_download_at, problem FROM station_status WHERE station = ?");
  archivedSamples =
      SqliteStatement(db,
                      "SELECT coalesce(max(samples), 0) FROM downloads"
                      " WHERE station = ? AND start = ? AND rate_minutes = ? AND reason = ''");
  if (file.readOnly()) return;
  insertStation = SqliteStatement(db,
                                  "INSERT INTO stations (name, port, reset_at, download_every_s,"
                                  " created_at) VALUES (?, ?, ?, ?, ?)");
  updateStation = SqliteStatement(
      db, "UPDATE stations SET port = ?, reset_at = ?, download_every_s = ? WHERE name = ?");
  deleteStation = SqliteStatement(db, "DELETE FROM stations WHERE name = ?");
  deleteStatus = SqliteStatement(db, "DELETE FROM station_status WHERE station = ?");
  insertEvent = SqliteStatement(db,
                                "INSERT INTO station_events (station, at, kind, logger_clock,"
                                " clock_drift_s, detail) VALUES (?, ?, ?, ?, ?, ?)");
  writeStatus = SqliteStatement(
      db,
      "INSERT OR REPLACE INTO station_status (station, updated_at, pid, connected, last_reply_at,"
      " logger_clock, clock_drift_s, memory_used, battery_percent, rate_minutes, recording_start,"
      " last_download_at, next_download_at, problem)"
      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
}

bool StationStore::Impl::Exists(const std::string& name) {
  SqliteStatement::Use use(findStation);
  findStation.BindText(1, name);
  return findStation.Step();
}

StationSettings StationStore::Impl::SettingsFrom(const SqliteStatement& row) {
  StationSettings settings;
  settings.name = row.Text(0);
  settings.port = row.Text(1);
  settings.resetAt = static_cast<int>(row.Integer(2));
  settings.downloadEvery = std::chrono::seconds(row.Integer(3));
  return settings;
}

StationStore::StationStore(const std::string& path, ArchiveAccess access)
    : impl_(std::make_unique<Impl>(path, access)) {
  if (impl_->HasStationTables()) impl_->Prepare();
}

StationStore::~StationStore() = default;

namespace {

void ThrowUnlessValid(const StationSettings& settings) {
  const std::string problem = StationSettingsProblem(settings);
  if (!problem.empty()) throw StationError(problem);
}

void ThrowUnlessReasoned(const StationAuditNote* note) {
  if (note != nullptr && note->reason.empty())
    throw std::invalid_argument("a reason is required to change a station");
}

// Appends the entry of a station change inside the caller's transaction.
void Audit(SqliteConnection& connection, const StationAuditNote* note, AuditAction action,
           const std::string& station, std::optional<std::string> oldValue,
           std::optional<std::string> newValue) {
  if (note == nullptr) return;
  AuditChange change;
  change.action = action;
  change.station = station;
  change.object = "station " + station;
  change.oldValue = std::move(oldValue);
  change.newValue = std::move(newValue);
  change.reason = note->reason;
  AppendAuditEntry(connection, note->actor, change, true);
}

}  // namespace

std::string StationSettingsJson(const StationSettings& settings) {
  const nlohmann::ordered_json json = {{"port", settings.port},
                                       {"reset_at", settings.resetAt},
                                       {"download_every_s", settings.downloadEvery.count()}};
  return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void StationStore::Add(const StationSettings& settings, const StationAuditNote* note) {
  ThrowUnlessValid(settings);
  ThrowUnlessReasoned(note);
  impl_->Write([&] {
    // Checked inside the transaction, so that two programs adding one name cannot both succeed.
    if (impl_->Exists(settings.name)) {
      throw StationError("a station named '" + settings.name + "' exists already");
    }
    SqliteStatement& insert = impl_->insertStation;
    SqliteStatement::Use use(insert);
    insert.BindText(1, settings.name);
    insert.BindText(2, settings.port);
    insert.Bind(3, settings.resetAt);
    insert.Bind(4, settings.downloadEvery.count());
    insert.BindText(5, UtcText(system_clock::now()));
    insert.Step();
    Audit(impl_->file.connection(), note, AuditAction::kStationAdd, settings.name, std::nullopt,
          StationSettingsJson(settings));
  });
}

void StationStore::Update(const StationSettings& settings, const StationAuditNote* note) {
  ThrowUnlessValid(settings);
  ThrowUnlessReasoned(note);
  impl_->Write([&] {
    std::optional<StationSettings> old;
    {
      SqliteStatement& find = impl_->findStation;
      SqliteStatement::Use use(find);
      find.BindText(1, settings.name);
      if (find.Step()) old = Impl::SettingsFrom(find);
    }
    if (!old) throw StationError("there is no station named '" + settings.name + "'");
    Audit(impl_->file.connection(), note, AuditAction::kStationChange, settings.name,
          StationSettingsJson(*old), StationSettingsJson(settings));
    SqliteStatement& update = impl_->updateStation;
    SqliteStatement::Use use(update);
    update.BindText(1, settings.port);
    update.Bind(2, settings.resetAt);
    update.Bind(3, settings.downloadEvery.count());
    update.BindText(4, settings.name);
    update.Step();
  });
}

void StationStore::Remove(const std::string& name, const StationAuditNote* note) {
  ThrowUnlessReasoned(note);
  impl_->Write([&] {
    std::optional<StationSettings> old;
    {
      SqliteStatement& find = impl_->findStation;
      SqliteStatement::Use use(find);
      find.BindText(1, name);
      if (find.Step()) old = Impl::SettingsFrom(find);
    }
    if (!old) throw StationError("there is no station named '" + name + "'");
    Audit(impl_->file.connection(), note, AuditAction::kStationRemove, name,
          StationSettingsJson(*old), std::nullopt);
    {
      SqliteStatement::Use use(impl_->deleteStation);
      impl_->deleteStation.BindText(1, name);
      impl_->deleteStation.Step();
    }
    // What a station last saw means nothing once it is gone; its events stay as its history.
    SqliteStatement::Use use(impl_->deleteStatus);
    impl_->deleteStatus.BindText(1, name);
    impl_->deleteStatus.Step();
  });
}

std::optional<StationSettings> StationStore::Find(const std::string& name) {
  if (!impl_->HasStationTables()) return std::nullopt;
  SqliteStatement& find = impl_->findStation;
  SqliteStatement::Use use(find);
  find.BindText(1, name);
  if (!find.Step()) return std::nullopt;
  return Impl::SettingsFrom(find);
}

std::vector<StationSettings> StationStore::List() {
  std::vector<StationSettings> stations;
  if (!impl_->HasStationTables()) return stations;
  SqliteStatement& list = impl_->listStations;
  SqliteStatement::Use use(list);
  while (list.Step()) stations.push_back(Impl::SettingsFrom(list));
  return stations;
}

void StationStore::AddEvent(const StationEvent& event) {
  impl_->Write([&] {
    SqliteStatement& insert = impl_->insertEvent;
    SqliteStatement::Use use(insert);
    insert.BindText(1, event.station);
    insert.BindText(2, UtcText(event.at));
    insert.BindText(3, StationEventCode(event.kind));
    BindOptionalText(insert, 4, event.loggerClock);
    BindOptionalInteger(insert, 5, event.clockDriftSeconds);
    insert.BindText(6, event.detail);
    insert.Step();
  });
}

std::vector<StationEvent> StationStore::Events(const std::string& station, int limit) {
  std::vector<StationEvent> events;
  if (!impl_->HasStationTables() || limit <= 0) return events;
  SqliteStatement& query = impl_->events;
  SqliteStatement::Use use(query);
  query.BindText(1, station);
  query.Bind(2, limit);
  while (query.Step()) {
    StationEvent event;
    event.station = query.Text(0);
    event.at = TimeFromUtcText(query.Text(1)).value_or(system_clock::time_point());
    event.kind = EventKindFromCode(query.Text(2));
    event.loggerClock = query.Text(3);
    event.clockDriftSeconds = OptionalInteger<std::int64_t>(query, 4);
    event.detail = query.Text(5);
    events.push_back(std::move(event));
  }
  return events;
}

void StationStore::WriteStatus(const StationStatus& status) {
  impl_->Write([&] {
    SqliteStatement& write = impl_->writeStatus;
    SqliteStatement::Use use(write);
    write.BindText(1, status.station);
    write.BindText(2, UtcText(status.updatedAt));
    write.Bind(3, status.pid);
    write.Bind(4, status.connected ? 1 : 0);
    BindOptionalTime(write, 5, status.lastReplyAt);
    BindOptionalText(write, 6, status.loggerClock);
    BindOptionalInteger(write, 7, status.clockDriftSeconds);
    if (status.memoryUsed) write.Bind(8, *status.memoryUsed);
    if (status.batteryPercent) write.BindReal(9, *status.batteryPercent);
    if (status.rateMinutes) write.Bind(10, *status.rateMinutes);
    BindOptionalText(write, 11, status.recordingStart);
    BindOptionalTime(write, 12, status.lastDownloadAt);
    BindOptionalTime(write, 13, status.nextDownloadAt);
    write.BindText(14, status.problem);
    write.Step();
  });
}

std::optional<StationStatus> StationStore::ReadStatus(const std::string& station) {
  if (!impl_->HasStationTables()) return std::nullopt;
  SqliteStatement& read = impl_->readStatus;
  SqliteStatement::Use use(read);
  read.BindText(1, station);
  if (!read.Step()) return std::nullopt;
  StationStatus status;
  status.station = read.Text(0);
  // A time that cannot be read makes the row look as old as can be: stale, never current.
  status.updatedAt = TimeFromUtcText(read.Text(1)).value_or(system_clock::time_point());
  status.pid = static_cast<long>(read.Integer(2));
  status.connected = read.Integer(3) != 0;
  status.lastReplyAt = OptionalTime(read, 4);
  status.loggerClock = read.Text(5);
  status.clockDriftSeconds = OptionalInteger<std::int64_t>(read, 6);
  status.memoryUsed = OptionalInteger<int>(read, 7);
  if (!read.IsNull(8)) status.batteryPercent = read.Real(8);
  status.rateMinutes = OptionalInteger<int>(read, 9);
  status.recordingStart = read.Text(10);
  status.lastDownloadAt = OptionalTime(read, 11);
  status.nextDownloadAt = OptionalTime(read, 12);
  status.problem = read.Text(13);
  return status;
}

std::int64_t StationStore::ArchivedSamples(const std::string& station,
                                           const std::string& recordingStart, int rateMinutes) {
  if (!impl_->HasStationTables()) return 0;
  SqliteStatement& query = impl_->archivedSamples;
  SqliteStatement::Use use(query);
  query.BindText(1, station);
  query.BindText(2, recordingStart);
  query.Bind(3, rateMinutes);
  query.Step();
  return query.Integer(0);
}
