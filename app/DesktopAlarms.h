// Shows the archive's new alarm events as desktop notifications while the window program runs:
// a few seconds after start-up it looks for the session bus (without one it does nothing and says
// nothing), takes the newest event as seen, so that old events are not shown again, and then
// looks for newer ones every few seconds, each shown through the desktop's notification service.
#pragma once

#include <QObject>
#include <QTimer>
#include <QtDBus/QDBusConnection>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "archive/ArchiveModule.h"

class DesktopAlarms : public QObject {
 public:
  struct Source {
    std::function<std::int64_t()> latest;  // the newest event's id
    std::function<std::vector<AlarmEventView>(std::int64_t after)> after;
  };
  // `bus` gives the connection to use when the first look comes (the session bus in the program).
  DesktopAlarms(std::function<QDBusConnection()> bus, Source source,
                std::chrono::milliseconds every, QObject* parent = nullptr);

  // The first look after `delay`, then one every `every`.
  void Start(std::chrono::milliseconds delay);
  // Whether the bus was looked for; whether the first look found the newest event; how many looks
  // there were and how many notifications were sent.
  bool busLookedFor() const { return bus_.has_value(); }
  bool watching() const { return seen_.has_value(); }
  int looks() const { return looks_; }
  int shown() const { return shown_; }

  // The archive of `path` through the archive module, loaded at the first look.
  static Source ArchiveSource(const std::string& path);

 private:
  void Look();
  void Show(const AlarmEventView& event);

  std::function<QDBusConnection()> connect_;
  std::optional<QDBusConnection> bus_;
  Source source_;
  QTimer timer_;
  std::optional<std::int64_t> seen_;  // newest event already shown or taken as old
  int looks_ = 0;
  int shown_ = 0;
};
