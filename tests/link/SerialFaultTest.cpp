// Faults of the serial core an operator would meet: handlers that leave bytes unread or raise,
// reads and writes that fail or stall, and the texts that reach the operator.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "link/CPort.h"
#include "link/SerialSystem.h"
#include "link/UiHandOff.h"
#include "tests/link/PseudoTerminal.h"

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

class SerialFaultTest : public ::testing::Test {
 protected:
  SerialFaultTest() {
    port.SetPort(pty.Path());
    ApplyLoggerLineSettings(port);
  }
  // Serves notices for `time`, or until `done` holds.
  void Serve(
      SteadyClock::duration time, const std::function<bool()>& done = [] { return false; }) {
    handOff.ServeUntil(done, SteadyClock::now() + time);
  }

  // Waits until the port's input queue holds `count` characters; false after ten seconds.
  bool WaitForInput(int count) {
    const auto end = SteadyClock::now() + 10s;
    while (port.PendingInput() < count) {
      if (SteadyClock::now() >= end) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

  PseudoTerminal pty;
  UiHandOff handOff;
  TComPort port{handOff};
};

TEST_F(SerialFaultTest, UnreadAndPartlyReadBytes) {
  // Nothing read: announced once, not again and again while nothing new comes.
  int notices = 0;
  port.OnRxChar = [&](TCustomComPort&, int) { ++notices; };
  port.Connect();
  pty.Send("abc");
  Serve(10s, [&] { return notices > 0; });
  Serve(400ms);
  EXPECT_EQ(notices, 1);
  port.Disconnect();

  // Part of Count read: the rest is announced again at once, without a new arrival.
  std::vector<int> counts;
  port.OnRxChar = [&](TCustomComPort& sender, int count) {
    counts.push_back(count);
    std::string two;
    sender.ReceiveText(two, 2);
  };
  port.Connect();
  pty.Send("hello");
  Serve(10s, [&] { return counts.size() >= 3; });
  EXPECT_EQ(counts, (std::vector<int>{5, 3, 1}));
  port.Disconnect();
}

TEST_F(SerialFaultTest, RaisingHandlerEndsNoticesAndKeepsItsText) {
  const struct {
    const char* name;
    std::function<void()> raise;
    int reason;
    const char* text;
  } cases[] = {
      {"port error", [] { throw EComPort(3, EIO); }, 3,
       "ReadFile function failed (win error code: 5)"},
      {"other error", [] { throw std::runtime_error("handler bug"); }, 21, "handler bug"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int calls = 0;
    std::vector<std::string> reports;
    int reason = 0;
    port.OnRxChar = [&](TCustomComPort&, int) {
      ++calls;
      c.raise();
    };
    port.OnFailure = [&](TCustomComPort&, const EComPort& error) {
      reports.push_back(error.what());
      reason = error.Reason;
    };
    port.Connect();
    pty.Send("x");
    Serve(10s, [&] { return !reports.empty(); });
    pty.Send("more");
    Serve(400ms);
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], c.text);
    EXPECT_EQ(reason, c.reason);
    port.Disconnect();
  }
}

// Passes every call on, except that reads fail once the first has returned bytes, and writes
// find the line full when asked to.
class FaultySystem : public SerialSystem {
 public:
  ssize_t Read(int fd, void* buffer, size_t size) override {
    if (readsFail && reads++ > 0) {
      errno = EIO;
      return -1;
    }
    return SerialSystem::Read(fd, buffer, size);
  }
  ssize_t Write(int fd, const void* buffer, size_t size) override {
    if (lineFull) {
      errno = EAGAIN;
      return -1;
    }
    return SerialSystem::Write(fd, buffer, size);
  }
  std::atomic<bool> readsFail{false};
  std::atomic<bool> lineFull{false};
  std::atomic<int> reads{0};
};

TEST_F(SerialFaultTest, TransfersKeepTheirBytesAndTimeLimits) {
  auto system = std::make_shared<FaultySystem>();
  port.SetSystem(system);
  port.SetEvents(0);  // no watch thread: this test reads by itself
  port.Connect();

  // The read interval ends a read soon after the last byte, well before the idle limit.
  pty.Send("ab");
  ASSERT_TRUE(WaitForInput(2));
  std::string text;
  auto start = SteadyClock::now();
  EXPECT_EQ(port.ReceiveText(text, 10), 2);
  EXPECT_LT(SteadyClock::now() - start, 500ms);
  EXPECT_EQ(text, "ab");

  // A read that fails after bytes came returns those bytes.
  pty.Send("abcdef");
  ASSERT_TRUE(WaitForInput(6));
  system->readsFail = true;
  EXPECT_EQ(port.ReceiveText(text, 10), 6);
  EXPECT_EQ(text, "abcdef");
  system->readsFail = false;

  // A line that takes nothing: the write ends after 100 ms per byte plus the constant.
  port.Timeouts().SetWriteTotalMultiplier(100);
  port.Timeouts().SetWriteTotalConstant(100);
  system->lineFull = true;
  start = SteadyClock::now();
  EXPECT_EQ(port.SendText("12345"), 0);
  const auto took = SteadyClock::now() - start;
  EXPECT_GE(took, 590ms);
  EXPECT_LT(took, 3s);
  port.Disconnect();
}

}  // namespace
