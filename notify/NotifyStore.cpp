// Notification settings, alarm events and deliveries in the archive's tables, every write in one
// short transaction after the file's check.
#include "notify/NotifyStore.h"

#include "archive/DownloadRecord.h"

namespace {

using std::chrono::system_clock;

DeliveryChannel ChannelFromCode(const std::string& code) {
  return code == "mail" ? DeliveryChannel::kMail : DeliveryChannel::kCommand;
}

}  // namespace

const char* DeliveryChannelCode(DeliveryChannel channel) {
  return channel == DeliveryChannel::kMail ? "mail" : "command";
}

struct NotifyStore::Impl {
  Impl(const std::string& path, ArchiveAccess access) : file(path, access) {}
  // An archive from before alarms, read as it is, or none yet: nothing to read.
  bool HasTables() const { return !file.empty() && file.schemaVersion() >= 4; }

  template <typename Body>
  void Write(Body body) {
    file.ThrowIfReadOnly();
    SqliteWriteTransaction transaction(file.connection());
    file.CheckBeforeWriting();
    body();
    transaction.Commit();
  }

  ArchiveFile file;
};

NotifyStore::NotifyStore(const std::string& path, ArchiveAccess access)
    : impl_(std::make_unique<Impl>(path, access)) {}

NotifyStore::~NotifyStore() = default;

std::optional<StationNotify> NotifyStore::Find(const std::string& station) {
  if (!impl_->HasTables()) return std::nullopt;
  SqliteStatement row(impl_->file.connection(),
                      "SELECT command, smtp_url, smtp_user, smtp_password_file, smtp_password_env,"
                      " mail_from, mail_to FROM station_notify WHERE station = ?1");
  SqliteStatement::Use use(row);
  row.BindText(1, station);
  if (!row.Step()) return std::nullopt;
  StationNotify notify;
  notify.station = station;
  notify.command = row.Text(0);
  notify.smtpUrl = row.Text(1);
  notify.smtpUser = row.Text(2);
  notify.passwordFile = row.Text(3);
  notify.passwordEnv = row.Text(4);
  notify.mailFrom = row.Text(5);
  notify.mailTo = SplitAddresses(row.Text(6));
  return notify;
}

void NotifyStore::Write(const StationNotify& notify) {
  impl_->Write([&] {
    StationNotify empty;
    empty.station = notify.station;
    if (notify == empty) {
      SqliteStatement remove(impl_->file.connection(),
                             "DELETE FROM station_notify WHERE station = ?1");
      SqliteStatement::Use use(remove);
      remove.BindText(1, notify.station);
      remove.Step();
      return;
    }
    SqliteStatement keep(impl_->file.connection(),
                         "INSERT OR REPLACE INTO station_notify (station, command, smtp_url,"
                         " smtp_user, smtp_password_file, smtp_password_env, mail_from, mail_to)"
                         " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    SqliteStatement::Use use(keep);
    keep.BindText(1, notify.station);
    keep.BindText(2, notify.command);
    keep.BindText(3, notify.smtpUrl);
    keep.BindText(4, notify.smtpUser);
    keep.BindText(5, notify.passwordFile);
    keep.BindText(6, notify.passwordEnv);
    keep.BindText(7, notify.mailFrom);
    keep.BindText(8, JoinAddresses(notify.mailTo));
    keep.Step();
  });
}

std::int64_t NotifyStore::LatestEventId(const std::string& station) {
  if (!impl_->HasTables()) return 0;
  SqliteStatement row(impl_->file.connection(),
                      "SELECT coalesce(max(e.id), 0) FROM alarm_events e"
                      " JOIN alarms a ON a.id = e.alarm_id WHERE ?1 = '' OR a.station = ?1");
  SqliteStatement::Use use(row);
  row.BindText(1, station);
  row.Step();
  return row.Integer(0);
}

std::optional<std::int64_t> NotifyStore::LatestQueuedEventId(const std::string& station,
                                                             DeliveryChannel channel) {
  if (!impl_->HasTables()) return std::nullopt;
  SqliteStatement row(impl_->file.connection(),
                      "SELECT max(d.event_id) FROM deliveries d"
                      " JOIN alarm_events e ON e.id = d.event_id"
                      " JOIN alarms a ON a.id = e.alarm_id"
                      " WHERE a.station = ?1 AND d.channel = ?2");
  SqliteStatement::Use use(row);
  row.BindText(1, station);
  row.BindText(2, DeliveryChannelCode(channel));
  row.Step();
  if (row.IsNull(0)) return std::nullopt;
  return row.Integer(0);
}

std::vector<AlarmEventRow> NotifyStore::EventsAfter(std::int64_t afterId, int limit) {
  std::vector<AlarmEventRow> events;
  if (!impl_->HasTables()) return events;
  SqliteStatement row(impl_->file.connection(),
                      "SELECT id, alarm_id, event, at, payload FROM alarm_events WHERE id > ?1"
                      " ORDER BY id LIMIT ?2");
  SqliteStatement::Use use(row);
  row.Bind(1, afterId);
  row.Bind(2, limit);
  while (row.Step()) {
    events.push_back({row.Integer(0), row.Integer(1), row.Text(2), row.Text(3), row.Text(4)});
  }
  return events;
}

std::int64_t NotifyStore::Queue(const std::string& station, DeliveryChannel channel,
                                std::int64_t afterId, system_clock::time_point now) {
  std::int64_t newest = afterId;
  impl_->Write([&] {
    SqliteStatement insert(impl_->file.connection(),
                           "INSERT OR IGNORE INTO deliveries (event_id, channel, next_attempt_at)"
                           " SELECT e.id, ?3, ?4 FROM alarm_events e"
                           " JOIN alarms a ON a.id = e.alarm_id"
                           " WHERE a.station = ?1 AND e.id > ?2");
    SqliteStatement::Use use(insert);
    insert.BindText(1, station);
    insert.Bind(2, afterId);
    insert.BindText(3, DeliveryChannelCode(channel));
    insert.BindText(4, UtcText(now));
    insert.Step();
    SqliteStatement latest(impl_->file.connection(),
                           "SELECT max(e.id) FROM alarm_events e JOIN alarms a ON a.id = e.alarm_id"
                           " WHERE a.station = ?1 AND e.id > ?2");
    SqliteStatement::Use useLatest(latest);
    latest.BindText(1, station);
    latest.Bind(2, afterId);
    if (latest.Step() && !latest.IsNull(0)) newest = latest.Integer(0);
  });
  return newest;
}

std::optional<PendingDelivery> NotifyStore::NextDue(const std::string& station, bool command,
                                                    bool mail) {
  if (!impl_->HasTables() || (!command && !mail)) return std::nullopt;
  SqliteStatement row(impl_->file.connection(),
                      "SELECT d.id, d.event_id, d.channel, d.attempts, d.next_attempt_at,"
                      " e.payload FROM deliveries d"
                      " JOIN alarm_events e ON e.id = d.event_id"
                      " JOIN alarms a ON a.id = e.alarm_id"
                      " WHERE a.station = ?1 AND d.delivered_at IS NULL"
                      " AND ((?2 AND d.channel = 'command') OR (?3 AND d.channel = 'mail'))"
                      " ORDER BY d.next_attempt_at, d.id LIMIT 1");
  SqliteStatement::Use use(row);
  row.BindText(1, station);
  row.Bind(2, command ? 1 : 0);
  row.Bind(3, mail ? 1 : 0);
  if (!row.Step()) return std::nullopt;
  PendingDelivery pending;
  pending.id = row.Integer(0);
  pending.eventId = row.Integer(1);
  pending.channel = ChannelFromCode(row.Text(2));
  pending.attempts = static_cast<int>(row.Integer(3));
  // A time the program cannot read is taken as due now rather than never.
  pending.nextAttemptAt = TimeFromUtcText(row.Text(4)).value_or(system_clock::time_point{});
  pending.payload = row.Text(5);
  return pending;
}

void NotifyStore::RecordAttempt(std::int64_t deliveryId, bool delivered, const std::string& error,
                                system_clock::time_point now, system_clock::time_point retryAt) {
  impl_->Write([&] {
    SqliteStatement update(impl_->file.connection(),
                           "UPDATE deliveries SET attempts = attempts + 1,"
                           " delivered_at = CASE WHEN ?2 THEN ?3 END,"
                           " next_attempt_at = CASE WHEN ?2 THEN next_attempt_at ELSE ?4 END,"
                           " last_error = CASE WHEN ?2 THEN last_error ELSE ?5 END WHERE id = ?1");
    SqliteStatement::Use use(update);
    update.Bind(1, deliveryId);
    update.Bind(2, delivered ? 1 : 0);
    update.BindText(3, UtcText(now));
    update.BindText(4, UtcText(retryAt));
    update.BindText(5, error);
    update.Step();
  });
}

DeliveryTally NotifyStore::Tally(const std::string& station) {
  DeliveryTally tally;
  if (!impl_->HasTables()) return tally;
  SqliteStatement row(impl_->file.connection(),
                      "SELECT count(d.delivered_at), count(*) - count(d.delivered_at),"
                      " (SELECT d2.last_error FROM deliveries d2"
                      "  JOIN alarm_events e2 ON e2.id = d2.event_id"
                      "  JOIN alarms a2 ON a2.id = e2.alarm_id"
                      "  WHERE a2.station = ?1 AND d2.delivered_at IS NULL"
                      "  AND d2.last_error <> '' ORDER BY d2.id DESC LIMIT 1)"
                      " FROM deliveries d JOIN alarm_events e ON e.id = d.event_id"
                      " JOIN alarms a ON a.id = e.alarm_id WHERE a.station = ?1");
  SqliteStatement::Use use(row);
  row.BindText(1, station);
  if (row.Step()) {
    tally.delivered = row.Integer(0);
    tally.waiting = row.Integer(1);
    if (!row.IsNull(2)) tally.lastError = row.Text(2);
  }
  return tally;
}
