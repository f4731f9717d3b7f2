// The logger session over a real port on a pseudo-terminal, its notices served by the test as a
// user-interface thread would: replies survive an owner that stalls, a pause on the line still
// starts a new reply, and a rate setting is judged by the replies after it. The port's watch
// stamps reads on a clock the test moves, so the pauses the session judges are the test's,
// however loaded the machine is.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "link/CPort.h"
#include "link/LoggerSession.h"
#include "link/SerialSystem.h"
#include "link/UiHandOff.h"
#include "tests/link/PseudoTerminal.h"

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// 10:05:57 03/09/2014, rate code 3 (every 10 minutes, choice 2).
const std::string kReply = "051003091457180030920202158001010";
constexpr auto kPatience = 10s;  // generous: the machine may be loaded

// The line's time as the port's watch sees it: it stands still until the test moves it on.
// It counts the stamps taken: two (woken, then counted) for each notice.
class LineClock {
 public:
  SteadyClock::time_point Now() {
    ++stamps;
    return start_ + SteadyClock::duration(moved_.load());
  }
  void MoveOn(SteadyClock::duration by) { moved_ += by.count(); }
  std::atomic<int> stamps{0};

 private:
  const SteadyClock::time_point start_ = SteadyClock::now();
  std::atomic<SteadyClock::rep> moved_{0};
};

// The real system calls, counting the times the port's watch went back to waiting on the line.
class WatchedSystem : public SerialSystem {
 public:
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
    if (count == 2) ++waits;  // the line and the stop descriptor
    return SerialSystem::Poll(fds, count, timeoutMs);
  }
  std::atomic<int> waits{0};
};

struct Recorder : LoggerSessionListener {
  std::vector<std::string> replies;
  std::vector<std::tuple<bool, int, int>> rateVerdicts;
  void StatusRead(const LoggerStatus& status) override { replies.push_back(status.text); }
  void RateChecked(bool taken, int choice, int shown) override {
    rateVerdicts.emplace_back(taken, choice, shown);
  }
};

class LoggerSessionTest : public ::testing::Test {
 protected:
  LoggerSessionTest() {
    ApplyLoggerLineSettings(port);
    port.SetPort(line.Path());
    port.SetSystem(system);
    port.SetReadClock([this] { return clock.Now(); });
    port.OnRxChar = [this](TCustomComPort& sender, int count) {
      session.OnRxChar(sender, count);
      ++notices;
      waitsAtNotice = system->waits;  // the watch is waiting for this notice, not on the line
      if (inHandler) {
        auto act = std::move(inHandler);
        act();
      }
    };
    port.Connect();
  }
  ~LoggerSessionTest() override { port.Disconnect(); }

  bool Serve(const std::function<bool()>& done) {
    return handOff.ServeUntil(done, SteadyClock::now() + kPatience);
  }
  // Waits until `done` holds, without serving notices (the owner is busy).
  static bool Busy(const std::function<bool()>& done) {
    const auto deadline = SteadyClock::now() + kPatience;
    while (!done()) {
      if (SteadyClock::now() > deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  // The user-interface thread is busy elsewhere for longer than a reply's pause, once `arrived`
  // holds: the bytes sent meanwhile are on the port.
  void Stall(const std::function<bool()>& arrived) {
    ASSERT_TRUE(Busy(arrived));
    clock.MoveOn(400ms);
  }

  // Until the watch is back waiting on the line after the last notice: bytes sent from then on
  // come after a pause it measures, not while it was still busy with that notice.
  bool WatchWaitsAgain() {
    return Busy([this] { return system->waits > waitsAtNotice; });
  }

  LineClock clock;
  std::shared_ptr<WatchedSystem> system = std::make_shared<WatchedSystem>();
  PseudoTerminal line;
  UiHandOff handOff;
  TComPort port{handOff};
  Recorder recorder;
  LoggerSession session{port, recorder};
  int notices = 0;
  std::function<void()> inHandler;  // runs once inside the next notice
  int waitsAtNotice = 0;
};

TEST_F(LoggerSessionTest, AReplyInTwoNoticesIsReadHoweverLateTheOwnerHandlesThem) {
  // The rest of the reply comes while the owner is still busy with the first half's notice.
  inHandler = [this] {
    line.Send(kReply.substr(16));
    Stall([this] { return port.PendingInput() >= int(kReply.size() - 16); });
  };
  line.Send(kReply.substr(0, 16));
  ASSERT_TRUE(Serve([&] { return !recorder.replies.empty(); }));
  EXPECT_EQ(recorder.replies.front(), kReply);
  EXPECT_GE(notices, 2);

  // The rest comes just after the first half was handled, while the owner is busy elsewhere.
  const int before = notices;
  line.Send(kReply.substr(0, 16));
  ASSERT_TRUE(Serve([&] { return notices > before; }));
  const int stampsBefore = clock.stamps;
  line.Send(kReply.substr(16));
  // The watch has stamped the rest's notice and waits for the owner to take it.
  Stall([&] {
    return clock.stamps >= stampsBefore + 2 && port.PendingInput() >= int(kReply.size() - 16);
  });
  ASSERT_TRUE(Serve([&] { return recorder.replies.size() == 2; }));
  EXPECT_EQ(recorder.replies.back(), kReply);
}

TEST_F(LoggerSessionTest, APauseOnTheLineStillDropsWhatCameBeforeIt) {
  line.Send("9");  // a stray byte
  ASSERT_TRUE(Serve([&] { return notices == 1; }));
  ASSERT_TRUE(WatchWaitsAgain());
  // Longer than the pause between replies: the stray byte belongs to no reply.
  clock.MoveOn(ReplyInterpreter::kReplyGap * 2);
  line.Send(kReply);
  ASSERT_TRUE(Serve([&] { return !recorder.replies.empty(); }));
  EXPECT_EQ(recorder.replies.front(), kReply);
}

TEST_F(LoggerSessionTest, ARateIsJudgedByTheRepliesAfterIt) {
  session.SetRate(1);  // every 5 minutes: code 2, written "2"
  EXPECT_EQ(line.Receive(1), "2");
  for (int i = 0; i < 3; ++i) {
    line.Send(kReply);  // still every 10 minutes
    ASSERT_TRUE(Serve([&] { return recorder.replies.size() == std::size_t(i + 1); }));
    // A reply glued to the next would not be told apart: each is read before the next is sent.
  }
  ASSERT_EQ(recorder.rateVerdicts.size(), 1u);
  EXPECT_EQ(recorder.rateVerdicts[0], std::make_tuple(false, 1, 2));

  session.SetRate(2);
  line.Send(kReply);
  ASSERT_TRUE(Serve([&] { return recorder.rateVerdicts.size() == 2; }));
  EXPECT_EQ(recorder.rateVerdicts[1], std::make_tuple(true, 2, 2));
}

}  // namespace
