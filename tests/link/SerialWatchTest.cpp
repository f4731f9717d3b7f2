// The watch thread and the hand-off of its notices to the user-interface thread, on a real
// pseudo-terminal: order, completeness, closing while a notice waits, and failure reports.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "link/CPort.h"
#include "link/UiHandOff.h"
#include "tests/link/PseudoTerminal.h"

namespace {

using namespace std::chrono_literals;

class SerialWatchTest : public ::testing::Test {
 protected:
  SerialWatchTest() {
    port.SetPort(pty.Path());
    ApplyLoggerLineSettings(port);
    handOff.SetWakeup([this] { ++wakeups; });
  }

  bool ServeUntil(const std::function<bool()>& done) {
    return handOff.ServeUntil(done, std::chrono::steady_clock::now() + 15s);
  }

  // Waits, without serving, until the watch thread has queued a notice.
  bool AwaitQueuedNotice(int seenBefore) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (wakeups.load() == seenBefore) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

  // A handler that reads exactly what each notice announces.
  void ReadEveryNotice() {
    port.OnRxChar = [this](TCustomComPort& sender, int count) {
      std::string text;
      const int got = sender.ReceiveText(text, count);
      if (got != count || static_cast<int>(text.size()) != count) ++shortReads;
      counts.push_back(count);
      received += text;
    };
  }

  PseudoTerminal pty;
  UiHandOff handOff;
  TComPort port{handOff};
  std::atomic<int> wakeups{0};
  std::vector<int> counts;
  std::string received;
  int shortReads = 0;
};

TEST_F(SerialWatchTest, NoticeCountIsReadAtOnceAndExactly) {
  ReadEveryNotice();
  port.Connect();
  const std::string reply = "123456789012345678901234567890123";
  pty.Send(reply);
  ASSERT_TRUE(ServeUntil([&] { return received.size() >= reply.size(); }));
  EXPECT_EQ(received, reply);
  EXPECT_EQ(shortReads, 0);
  for (int count : counts) EXPECT_GE(count, 1);
}

TEST_F(SerialWatchTest, ThousandsOfBurstsArriveCompleteAndInOrder) {
  std::atomic<size_t> receivedSize{0};
  port.OnRxChar = [&](TCustomComPort& sender, int count) {
    std::string text;
    if (sender.ReceiveText(text, count) != count) ++shortReads;
    received += text;
    receivedSize = received.size();
  };
  port.Connect();

  // The first half goes in lock step, so that every burst needs a notice of its own; the second
  // half streams, so that bursts pile up while a notice is being handled.
  // Enough for every way bursts can meet a notice, and few enough for a loaded machine running
  // the sanitizers within the test's time limit.
  constexpr int kBursts = 4000;
  std::string sent;
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> size(1, 64);
  for (int burst = 0; burst < kBursts; ++burst) {
    const int length = size(random);
    for (int i = 0; i < length; ++i) sent.push_back(static_cast<char>((sent.size() * 7) % 256));
  }
  std::atomic<bool> writerDone{false};
  std::atomic<bool> writerStuck{false};
  std::thread writer([&] {
    std::mt19937 sizes(20240611);
    size_t offset = 0;
    for (int burst = 0; burst < kBursts && !writerStuck; ++burst) {
      const size_t length = static_cast<size_t>(size(sizes));
      pty.Send(sent.substr(offset, length));
      offset += length;
      if (burst < kBursts / 2) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (receivedSize.load() < offset) {
          if (std::chrono::steady_clock::now() > deadline) {
            writerStuck = true;  // a notice went missing
            break;
          }
          std::this_thread::sleep_for(20us);  // waits for the condition without spinning
        }
      }
    }
    writerDone = true;
    handOff.Notify();
  });
  const bool complete = handOff.ServeUntil(
      [&] { return writerStuck.load() || (writerDone.load() && received.size() >= sent.size()); },
      std::chrono::steady_clock::now() + 45s);
  writerStuck = true;
  writer.join();
  ASSERT_TRUE(complete);
  EXPECT_EQ(received.size(), sent.size());
  EXPECT_TRUE(received == sent) << "bytes lost, duplicated or out of order";
  EXPECT_EQ(shortReads, 0);
  EXPECT_EQ(port.PendingInput(), 0);
}

TEST_F(SerialWatchTest, NoticeWhoseBytesWereAlreadyReadCallsNoHandler) {
  ReadEveryNotice();
  port.Connect();
  const int before = wakeups.load();
  pty.Send("early");
  ASSERT_TRUE(AwaitQueuedNotice(before));
  std::string text;
  ASSERT_EQ(port.ReceiveText(text, 5), 5);  // read outside any handler, before the notice runs
  handOff.RunPending();
  EXPECT_TRUE(counts.empty());
  pty.Send("late");
  ASSERT_TRUE(ServeUntil([&] { return received.size() >= 4; }));
  EXPECT_EQ(received, "late");
}

TEST_F(SerialWatchTest, UnreadBytesAreAnnouncedAgainWithTheNextArrival) {
  int notices = 0;
  int lastCount = 0;
  port.OnRxChar = [&](TCustomComPort&, int count) {
    ++notices;
    lastCount = count;
  };
  port.Connect();
  pty.Send("abc");
  ASSERT_TRUE(ServeUntil([&] { return notices >= 1; }));
  EXPECT_EQ(lastCount, 3);
  pty.Send("de");
  ASSERT_TRUE(ServeUntil([&] { return lastCount == 5; }));
  // The handler left everything unread: one notice per arrival, not one per moment.
  EXPECT_LE(notices, 3);
}

TEST_F(SerialWatchTest, DisconnectServesTheNoticeThatIsWaiting) {
  bool connectedInHandler = false;
  port.OnRxChar = [&](TCustomComPort& sender, int count) {
    connectedInHandler = sender.Connected();
    std::string text;
    sender.ReceiveText(text, count);
    received += text;
  };
  port.Connect();
  const int before = wakeups.load();
  pty.Send("pending");
  ASSERT_TRUE(AwaitQueuedNotice(before));
  port.Disconnect();  // the watch thread is blocked in its hand-off right now
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(received, "pending");
  EXPECT_TRUE(connectedInHandler);
}

TEST_F(SerialWatchTest, HandlerMayCloseAndReopenThePortItIsCalledFor) {
  int notices = 0;
  port.OnRxChar = [&](TCustomComPort& sender, int count) {
    ++notices;
    if (notices == 1) {
      sender.Disconnect();
      EXPECT_FALSE(sender.Connected());
      sender.Connect();
      return;
    }
    std::string text;
    sender.ReceiveText(text, count);
    received += text;
  };
  port.Connect();
  pty.Send("first");
  ASSERT_TRUE(ServeUntil([&] { return notices >= 1; }));
  pty.Send("second");
  ASSERT_TRUE(ServeUntil([&] { return received.size() >= 6; }));
  EXPECT_EQ(received, "second");
  port.OnRxChar = [&](TCustomComPort& sender, int) { sender.Disconnect(); };
  pty.Send("x");
  ASSERT_TRUE(ServeUntil([&] { return !port.Connected(); }));
}

TEST_F(SerialWatchTest, FarEndHangUpIsReportedOnce) {
  std::vector<EComPort> failures;
  port.OnFailure = [&](TCustomComPort&, const EComPort& error) { failures.push_back(error); };
  port.Connect();
  pty.CloseMaster();
  ASSERT_TRUE(ServeUntil([&] { return !failures.empty(); }));
  handOff.ServeUntil([] { return false; }, std::chrono::steady_clock::now() + 200ms);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].Reason, 3);
  EXPECT_EQ(failures[0].SystemError, EIO);
  EXPECT_TRUE(port.Connected());  // the owner closes it
  EXPECT_NO_THROW(port.Disconnect());
  EXPECT_FALSE(port.Connected());
}

TEST_F(SerialWatchTest, RaisingHandlerIsReportedAndReconnectingRestoresNotices) {
  const struct {
    const char* name;
    std::function<void()> raise;
    int reason;
    int systemError;
  } cases[] = {
      {"port error", [] { throw EComPort(10, EIO); }, 10, EIO},
      {"other error", [] { throw std::runtime_error("handler bug"); }, 21, -1},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.name);
    int failures = 0;
    int reason = 0;
    int systemError = 0;
    port.OnFailure = [&](TCustomComPort& sender, const EComPort& error) {
      ++failures;
      reason = error.Reason;
      systemError = error.SystemError;
      sender.Disconnect();  // allowed from inside the report
    };
    port.OnRxChar = [&](TCustomComPort&, int) { entry.raise(); };
    port.Connect();
    pty.Send("boom");
    ASSERT_TRUE(ServeUntil([&] { return failures > 0; }));
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(reason, entry.reason);
    EXPECT_EQ(systemError, entry.systemError);
    EXPECT_FALSE(port.Connected());

    received.clear();
    ReadEveryNotice();
    port.Connect();
    pty.Send("again");
    ASSERT_TRUE(ServeUntil([&] { return received.size() >= 5; }));
    EXPECT_EQ(received, "again");
    port.Disconnect();
  }
}

TEST(UiHandOffTest, PassesExceptionsBackAndReleasesCancelledWaiters) {
  UiHandOff handOff;
  int owner = 0;
  std::atomic<int> outcome{0};  // 1: rethrown in the worker, 2: cancelled waiter returned
  std::thread raising([&] {
    try {
      handOff.RunAndWait(&owner, [] { throw std::runtime_error("from the task"); });
    } catch (const std::runtime_error&) {
      outcome = 1;
    }
    handOff.Notify();
  });
  ASSERT_TRUE(handOff.ServeUntil([&] { return outcome.load() == 1; },
                                 std::chrono::steady_clock::now() + 10s));
  raising.join();

  std::atomic<bool> ran{false};
  std::atomic<bool> queued{false};
  handOff.SetWakeup([&] { queued = true; });
  std::thread cancelled([&] {
    handOff.RunAndWait(&owner, [&] { ran = true; });
    outcome = 2;
  });
  const auto queueDeadline = std::chrono::steady_clock::now() + 10s;
  while (!queued && std::chrono::steady_clock::now() < queueDeadline)
    std::this_thread::sleep_for(100us);
  ASSERT_TRUE(queued.load()) << "the task was never queued";
  handOff.Cancel(&owner);
  cancelled.join();
  EXPECT_EQ(outcome.load(), 2);
  EXPECT_FALSE(ran.load());
  EXPECT_EQ(handOff.RunPending(), 0);

  // Posted tasks run in order; one that raises leaves the rest queued.
  std::string order;
  handOff.Post(&owner, [&] { order += "a"; });
  handOff.Post(&owner, [&] { throw std::runtime_error("posted"); });
  handOff.Post(&owner, [&] { order += "c"; });
  EXPECT_THROW(handOff.RunPending(), std::runtime_error);
  EXPECT_EQ(handOff.RunPending(), 1);
  EXPECT_EQ(order, "ac");
}

}  // namespace
