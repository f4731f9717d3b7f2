// Desktop notifications of alarm events, on a private message bus of the test's own with a
// notification service that records what it is asked to show, and an archive file on disk.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTest>
#include <QtDBus/QDBusConnection>

#include "app/DesktopAlarms.h"
#include "tests/notify/NotifyTestArchive.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A message bus for the test alone, so that the desktop's own (or its absence) plays no part.
class PrivateBus {
 public:
  PrivateBus() {
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
    if (posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, const_cast<char* const*>(argv),
                     environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    pollfd watched{out[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && ::poll(&watched, 1, 30000) == 1 && ::read(out[0], &c, 1) == 1 && c != '\n') {
      address_ += c;
    }
    ::close(out[0]);
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  QString address() const { return QString::fromStdString(address_); }

 private:
  pid_t pid_ = -1;
  std::string address_;
};

}  // namespace

// The desktop's notification service as far as the program uses it.
class RecordingNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct Shown {
    QString app, summary, body;
  };
  std::vector<Shown> shown;

 public slots:
  uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap&, int) {
    shown.push_back({app, summary, body});
    return static_cast<uint>(shown.size());
  }
};

namespace {

TEST(DesktopAlarms, NewEventsAreShownAndThoseFromBeforeTheStartAreNot) {
  PrivateBus bus;
  if (bus.address().isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed: no bus to test on";
  const fs::path folder =
      fs::temp_directory_path() / ("velmorante-desktop-" + std::to_string(getpid()));
  fs::create_directories(folder);
  NotifyTestArchive archive(folder);
  archive.AddEvent("camara1", AlarmEventKind::kRaised, 8.6, "2026-11-01T10:00:00");

  RecordingNotifications service;
  QDBusConnection server = QDBusConnection::connectToBus(bus.address(), "notificaciones");
  ASSERT_TRUE(server.registerService("org.freedesktop.Notifications"));
  ASSERT_TRUE(server.registerObject("/org/freedesktop/Notifications", &service,
                                    QDBusConnection::ExportAllSlots));
  const QString address = bus.address();
  DesktopAlarms alarms([address] { return QDBusConnection::connectToBus(address, "programa"); },
                       DesktopAlarms::ArchiveSource(archive.path()), 50ms);
  alarms.Start(0ms);
  ASSERT_TRUE(QTest::qWaitFor([&] { return alarms.watching(); }, 30000));
  archive.AddEvent("camara1", AlarmEventKind::kRaised, 9.3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !service.shown.empty(); }, 30000));
  // A few more looks: still nothing of the old event, nor the new one twice.
  const int looks = alarms.looks();
  ASSERT_TRUE(QTest::qWaitFor([&] { return alarms.looks() >= looks + 3; }, 30000));
  ASSERT_EQ(service.shown.size(), 1u);
  EXPECT_EQ(service.shown[0].app, "Velmorante");
  EXPECT_EQ(service.shown[0].summary, "Alarma activada: temperatura alta en camara1");
  EXPECT_TRUE(service.shown[0].body.contains("Pico: 9,3 °C"))
      << service.shown[0].body.toStdString();

  QDBusConnection::disconnectFromBus("programa");
  QDBusConnection::disconnectFromBus("notificaciones");
  fs::remove_all(folder);
}

TEST(DesktopAlarms, WithoutABusNothingIsReadOrShown) {
  bool read = false;
  DesktopAlarms alarms(
      [] { return QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "nada"); },
      {[&read] {
         read = true;
         return std::int64_t{0};
       },
       [&read](std::int64_t) {
         read = true;
         return std::vector<AlarmEventView>();
       }},
      10ms);
  alarms.Start(0ms);
  ASSERT_TRUE(QTest::qWaitFor([&] { return alarms.busLookedFor(); }, 30000));
  QCoreApplication::processEvents();
  EXPECT_FALSE(read);
  EXPECT_EQ(alarms.looks(), 0);
  EXPECT_FALSE(alarms.watching());
  QDBusConnection::disconnectFromBus("nada");
}

}  // namespace

#include "DesktopAlarmsTest.moc"
