// Deliveries of alarm events as the station's notifier makes them: mail to a real SMTP server on
// loopback, a command that receives the event's JSON, failures tried again and recorded, and a
// stop that does not wait for a hung command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "NotifyTestArchive.h"
#include "notify/Notifier.h"
#include "notify/NotifyStore.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Debian's interpreter, for which python3-aiosmtpd is installed, even when another python3 comes
// first on the PATH.
const char* Python() {
  return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

// The mail sink of mail_sink.py, started on a free port and ended with the test.
class MailSink {
 public:
  explicit MailSink(const fs::path& folder) : folder_(folder) {
    fs::create_directories(folder);
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string script = VELMORANTE_MAIL_SINK;
    const std::string where = folder.string();
    const char* argv[] = {Python(), script.c_str(), where.c_str(), nullptr};
    if (posix_spawnp(&pid_, Python(), &actions, nullptr, const_cast<char* const*>(argv), environ) !=
        0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string line;
    pollfd watched{out[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && ::poll(&watched, 1, 30000) == 1 && ::read(out[0], &c, 1) == 1 && c != '\n') {
      line += c;
    }
    ::close(out[0]);
    port_ = line.empty() ? 0 : std::stoi(line);
  }
  ~MailSink() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  int port() const { return port_; }
  std::vector<std::string> Messages() const {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      if (entry.path().extension() == ".txt") names.push_back(entry.path());
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> texts;
    for (const fs::path& name : names) texts.push_back(ReadAll(name));
    return texts;
  }

 private:
  fs::path folder_;
  pid_t pid_ = -1;
  int port_ = 0;
};

bool HaveMailServer() {
  return std::system((std::string(Python()) + " -c 'import aiosmtpd' >/dev/null 2>&1").c_str()) ==
         0;
}

class NotifyDeliveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("velmorante-notify-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    archive_ = std::make_unique<NotifyTestArchive>(folder_);
  }
  void TearDown() override {
    notifier_.reset();
    fs::remove_all(folder_);
  }
  void Configure(const StationNotify& notify) {
    NotifyStore(archive_->path(), ArchiveAccess::kReadWrite).Write(notify);
  }
  void StartNotifier(NotifierTiming timing = Quick()) {
    notifier_ = std::make_unique<Notifier>(
        "camara1", archive_->path(),
        [this](const std::string& line) {
          std::lock_guard<std::mutex> lock(logMutex_);
          log_ += line + "\n";
        },
        timing);
    notifier_->Start();
  }
  static NotifierTiming Quick() {
    NotifierTiming timing;
    timing.firstRetry = 100ms;
    timing.maxRetry = 400ms;
    timing.lookEvery = 50ms;
    timing.mailConnectLimit = 5s;
    timing.mailLimit = 20s;
    return timing;
  }
  std::string Log() {
    std::lock_guard<std::mutex> lock(logMutex_);
    return log_;
  }
  std::string Delivery(std::int64_t event, const char* channel, const char* column) {
    return archive_->Single(std::string("SELECT ") + column + " FROM deliveries WHERE event_id = " +
                            std::to_string(event) + " AND channel = '" + channel + "'");
  }

  fs::path folder_;
  std::unique_ptr<NotifyTestArchive> archive_;
  std::unique_ptr<Notifier> notifier_;
  std::mutex logMutex_;
  std::string log_;
};

TEST_F(NotifyDeliveryTest, MailReachesARealServerInSpanishOncePerEventAndOldEventsAreNotSent) {
  if (!HaveMailServer()) GTEST_SKIP() << "python3-aiosmtpd is not installed: no SMTP server to use";
  MailSink sink(folder_ / "mail");
  ASSERT_GT(sink.port(), 0) << "the mail sink did not start";
  // An event from before the notifier ran, and one of another station: neither is mailed.
  archive_->AddEvent("camara1", AlarmEventKind::kRaised, 8.4, "2026-11-01T10:00:00");
  archive_->AddEvent("camara2", AlarmEventKind::kRaised, 12.0);
  StationNotify notify;
  notify.station = "camara1";
  notify.smtpUrl = "smtp://127.0.0.1:" + std::to_string(sink.port());
  notify.mailFrom = "registro@example.org";
  notify.mailTo = {"jefa@example.org", "turno@example.org"};
  Configure(notify);
  StartNotifier();
  // Events from here on are new to it.
  ASSERT_TRUE(WaitFor([&] { return Log().find("notifications: by mail") != std::string::npos; }));
  const std::int64_t raised = archive_->AddEvent("camara1", AlarmEventKind::kRaised, 9.3);
  const std::int64_t cleared = archive_->AddEvent("camara1", AlarmEventKind::kCleared, 9.3);
  notifier_->Wake();
  // Recorded once the server has taken each, which is after it has kept it.
  ASSERT_TRUE(WaitFor([&] { return !Delivery(cleared, "mail", "delivered_at").empty(); })) << Log();
  notifier_.reset();

  const std::vector<std::string> mails = sink.Messages();
  ASSERT_EQ(mails.size(), 2u) << Log();
  const std::string& first = mails[0];
  EXPECT_NE(first.find("Envelope-From: registro@example.org"), std::string::npos) << first;
  EXPECT_NE(first.find("Envelope-To: jefa@example.org, turno@example.org"), std::string::npos)
      << first;
  EXPECT_NE(first.find("Subject: Alarma activada: temperatura alta en camara1"), std::string::npos)
      << first;
  EXPECT_NE(first.find("Content-Type: text/plain; charset=\"UTF-8\""), std::string::npos) << first;
  EXPECT_NE(first.find("Message-ID: <"), std::string::npos) << first;
  EXPECT_NE(first.find("Date: "), std::string::npos) << first;
  for (const char* line : {"Estación: camara1", "Canal: temperatura", "Límite: 8,0 °C",
                           "Pico: 9,3 °C", "Desde: 07/12/2026 14:05:00"}) {
    EXPECT_NE(first.find(line), std::string::npos) << line << " in\n" << first;
  }
  EXPECT_NE(mails[1].find("Subject: Alarma terminada"), std::string::npos) << mails[1];
  EXPECT_FALSE(Delivery(raised, "mail", "delivered_at").empty());
  EXPECT_EQ(Delivery(cleared, "mail", "attempts"), "1");
  EXPECT_EQ(archive_->Single("SELECT count(*) FROM deliveries"), "2");
}

TEST_F(NotifyDeliveryTest, CommandGetsTheEventAsJsonAndAFailedOneIsTriedAgainAndRecorded) {
  const fs::path received = folder_ / "evento.json";
  const fs::path failedOnce = folder_ / "fallo";
  StationNotify notify;
  notify.station = "camara1";
  // Fails the first time with a word on its standard error, then keeps what it is given.
  notify.command = "if [ ! -e '" + failedOnce.string() + "' ]; then touch '" + failedOnce.string() +
                   "'; echo sin red >&2; exit 3; fi; cat > '" + received.string() + "'";
  Configure(notify);
  StartNotifier();
  ASSERT_TRUE(WaitFor([&] { return Log().find("notifications: by") != std::string::npos; }));
  const std::int64_t event = archive_->AddEvent("camara1", AlarmEventKind::kRaised, 9.0);
  notifier_->Wake();
  ASSERT_TRUE(WaitFor([&] { return !Delivery(event, "command", "delivered_at").empty(); }))
      << Log();
  notifier_.reset();

  const nlohmann::json json = nlohmann::json::parse(ReadAll(received));
  EXPECT_EQ(json["event"], "raised");
  EXPECT_EQ(json["station"], "camara1");
  EXPECT_EQ(json["kind"], "t_high");
  EXPECT_EQ(json["peak"], 9.0);
  EXPECT_EQ(Delivery(event, "command", "attempts"), "2");
  EXPECT_NE(Delivery(event, "command", "last_error").find("exit status 3: sin red"),
            std::string::npos);
  EXPECT_NE(Log().find("attempt 1"), std::string::npos) << Log();
}

TEST_F(NotifyDeliveryTest, UnreachableServerAndHungCommandAreRecordedAsFailuresWithBackOff) {
  StationNotify notify;
  notify.station = "camara1";
  notify.command = "sleep 30";
  // A port nobody listens on: the connection is refused at once.
  notify.smtpUrl = "smtp://127.0.0.1:1";
  notify.mailFrom = "registro@example.org";
  notify.mailTo = {"jefa@example.org"};
  Configure(notify);
  NotifierTiming timing = Quick();
  timing.commandLimit = 300ms;
  timing.firstRetry = 1h;  // one attempt each within the test
  timing.maxRetry = 2h;
  StartNotifier(timing);
  ASSERT_TRUE(WaitFor([&] { return Log().find("notifications: by") != std::string::npos; }));
  const std::int64_t event = archive_->AddEvent("camara1", AlarmEventKind::kRaised, 9.0);
  notifier_->Wake();
  ASSERT_TRUE(WaitFor([&] {
    return Delivery(event, "command", "attempts") == "1" &&
           Delivery(event, "mail", "attempts") == "1";
  })) << Log();
  notifier_.reset();
  EXPECT_NE(Delivery(event, "command", "last_error").find("did not end within"), std::string::npos);
  EXPECT_NE(Delivery(event, "mail", "last_error").find("mail not sent"), std::string::npos);
  EXPECT_TRUE(Delivery(event, "mail", "delivered_at").empty());
  // Due again an hour later, not at once.
  EXPECT_EQ(archive_->Single("SELECT count(*) FROM deliveries WHERE next_attempt_at > "
                             "strftime('%Y-%m-%dT%H:%M:%SZ', 'now', '+50 minutes')"),
            "2");
}

TEST_F(NotifyDeliveryTest, StopEndsAHungCommandAtOnceWithoutCountingTheAttempt) {
  StationNotify notify;
  notify.station = "camara1";
  notify.command = "echo empezado > '" + (folder_ / "empezado").string() + "'; sleep 60";
  Configure(notify);
  NotifierTiming timing = Quick();
  timing.commandLimit = 120s;
  StartNotifier(timing);
  ASSERT_TRUE(WaitFor([&] { return Log().find("notifications: by") != std::string::npos; }));
  const std::int64_t event = archive_->AddEvent("camara1", AlarmEventKind::kRaised, 9.0);
  notifier_->Wake();
  ASSERT_TRUE(WaitFor([&] { return fs::exists(folder_ / "empezado"); })) << Log();
  const auto before = std::chrono::steady_clock::now();
  notifier_->Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
  EXPECT_EQ(Delivery(event, "command", "attempts"), "0");
  EXPECT_TRUE(Delivery(event, "command", "delivered_at").empty());
}

}  // namespace
