// An archive on disk for the notification tests, with alarms and their events written as the
// alarm code writes them, and small helpers to wait on a condition and read a file.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>

#include "alarms/Alarm.h"
#include "archive/Sqlite.h"
#include "archive/StationStore.h"

#include <sqlite3.h>

class NotifyTestArchive {
 public:
  explicit NotifyTestArchive(const std::filesystem::path& folder)
      : path_((folder / "archivo.sqlite").string()) {
    StationStore create(path_);  // the tables, at the present version
  }
  const std::string& path() const { return path_; }

  // Keeps a temperature alarm of `station` and its event; returns the event's id.
  std::int64_t AddEvent(const std::string& station, AlarmEventKind kind, double peak,
                        const std::string& startedAt = "2026-12-07T14:05:00") {
    Alarm alarm;
    alarm.station = station;
    alarm.kind = AlarmKind::kTemperatureHigh;
    alarm.limit = 8.0;
    alarm.peak = peak;
    alarm.startedAt = startedAt;
    alarm.samples = 7;
    alarm.minutes = 30;
    alarm.raisedAt = "2026-12-08T16:40:02+01:00";
    SqliteConnection db;
    Open(db, SQLITE_OPEN_READWRITE);
    SqliteStatement find(db, "SELECT id FROM alarms WHERE station = ?1 AND started_at = ?2");
    {
      SqliteStatement::Use use(find);
      find.BindText(1, station);
      find.BindText(2, startedAt);
      if (find.Step()) alarm.id = find.Integer(0);
    }
    if (alarm.id == 0) {
      SqliteStatement insert(db,
                             "INSERT INTO alarms (station, kind, level, limit_value, started_at,"
                             " samples, minutes, peak, raised_at) VALUES (?1, 't_high', 'alarm',"
                             " 8.0, ?2, 7, 30, ?3, ?4)");
      SqliteStatement::Use use(insert);
      insert.BindText(1, station);
      insert.BindText(2, startedAt);
      insert.BindReal(3, peak);
      insert.BindText(4, alarm.raisedAt);
      insert.Step();
      alarm.id = sqlite3_last_insert_rowid(db.handle());
    }
    SqliteStatement event(db,
                          "INSERT INTO alarm_events (alarm_id, event, at, payload)"
                          " VALUES (?1, ?2, '2026-12-08T16:40:02+01:00', ?3)");
    SqliteStatement::Use use(event);
    event.Bind(1, alarm.id);
    event.BindText(2, AlarmEventCode(kind));
    event.BindText(3, AlarmEventJson(kind, alarm).dump());
    event.Step();
    return sqlite3_last_insert_rowid(db.handle());
  }

  // One number of the archive, from a query that returns one.
  std::string Single(const std::string& sql) const {
    SqliteConnection db;
    Open(db, SQLITE_OPEN_READONLY);
    SqliteStatement row(db, sql.c_str());
    SqliteStatement::Use use(row);
    return row.Step() && !row.IsNull(0) ? row.Text(0) : std::string();
  }

 private:
  // The notifier writes at the same time: wait for it as the program's own connections do.
  void Open(SqliteConnection& db, int flags) const {
    db.Open(path_, flags);
    sqlite3_busy_timeout(db.handle(), 30000);
  }

  std::string path_;
};

// Waits until `done` holds, looking every 20 ms for at most `limit`; returns whether it held.
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}
