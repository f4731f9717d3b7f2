// The serial port on a real pseudo-terminal: opening, exclusive use, raw transfers, time limits.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "link/CPort.h"
#include "link/UiHandOff.h"
#include "tests/link/PseudoTerminal.h"

namespace {

using namespace std::chrono_literals;

std::string AllByteValues() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
  return bytes;
}

class SerialPortTest : public ::testing::Test {
 protected:
  SerialPortTest() {
    port.SetPort(pty.Path());
    ApplyLoggerLineSettings(port);
  }

  // Serves notices until `done` holds; false after a generous limit.
  bool ServeUntil(const std::function<bool()>& done) {
    return handOff.ServeUntil(done, std::chrono::steady_clock::now() + 10s);
  }

  // Waits until `count` received bytes are waiting in the port.
  bool AwaitPending(int count) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (port.PendingInput() < count) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      handOff.ServeUntil([] { return false; }, std::chrono::steady_clock::now() + 1ms);
    }
    return true;
  }

  PseudoTerminal pty;
  UiHandOff handOff;
  TComPort port{handOff};
};

TEST_F(SerialPortTest, ConnectAndDisconnectAreIdempotentAndRepeatable) {
  EXPECT_EQ(port.Port(), pty.Path());
  for (int round = 0; round < 3; ++round) {
    port.Connect();
    port.Connect();
    EXPECT_TRUE(port.Connected());
    port.Disconnect();
    port.Disconnect();
    EXPECT_FALSE(port.Connected());
  }
  port.SetConnected(true);
  EXPECT_TRUE(port.Connected());
  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
}

TEST_F(SerialPortTest, MissingDeviceGivesReasonOneWithErrno) {
  port.SetPort("/dev/velmorante-no-such-port");
  try {
    port.Connect();
    FAIL() << "Connect succeeded";
  } catch (const EComPort& error) {
    EXPECT_EQ(error.Reason, 1);
    EXPECT_EQ(error.SystemError, 2);
    EXPECT_STREQ(error.what(), "Unable to open com port (win error code: 2)");
  }
  EXPECT_FALSE(port.Connected());
}

TEST_F(SerialPortTest, SecondOpenOfAPortInUseFailsUntilItIsClosed) {
  port.Connect();
  TComPort second{handOff};
  second.SetPort(pty.Path());
  try {
    second.Connect();
    FAIL() << "a second port opened the same line";
  } catch (const EComPort& error) {
    EXPECT_EQ(error.Reason, 1);
    EXPECT_EQ(error.SystemError, EBUSY);
  }
  EXPECT_FALSE(second.Connected());
  // The refused open left the first port working.
  EXPECT_EQ(port.SendText("ok"), 2);
  EXPECT_EQ(pty.Receive(2), "ok");
  port.Disconnect();
  second.Connect();
  EXPECT_TRUE(second.Connected());
}

TEST_F(SerialPortTest, RawModeCarriesEveryByteValueBothWaysWithoutEcho) {
  const std::string bytes = AllByteValues();
  port.Connect();
  pty.Send(bytes);
  ASSERT_TRUE(AwaitPending(256));
  std::string received;
  EXPECT_EQ(port.ReceiveText(received, 256), 256);
  EXPECT_EQ(received, bytes);

  // Were input echoed or output translated, the far end would not read exactly these bytes.
  EXPECT_EQ(port.SendText(bytes + "end"), 259);
  EXPECT_EQ(pty.Receive(259), bytes + "end");
}

TEST_F(SerialPortTest, EmptyTransfersAndClosedPortOperations) {
  std::string text = "stale";
  EXPECT_EQ(port.SendText(""), 0);
  EXPECT_EQ(port.ReceiveText(text, 0), 0);
  EXPECT_EQ(text, "");

  const struct {
    const char* name;
    std::function<void()> operation;
    int reason;
  } closedCases[] = {
      {"SendText", [&] { port.SendText("x"); }, 2},
      {"ReceiveText", [&] { port.ReceiveText(text, 1); }, 3},
      {"PendingInput", [&] { port.PendingInput(); }, 10},
  };
  for (const auto& entry : closedCases) {
    try {
      entry.operation();
      ADD_FAILURE() << entry.name << " on a closed port succeeded";
    } catch (const EComPort& error) {
      EXPECT_EQ(error.Reason, entry.reason) << entry.name;
      EXPECT_EQ(error.SystemError, EBADF) << entry.name;
    }
    EXPECT_FALSE(port.Connected());
  }

  port.Connect();
  text = "stale";
  EXPECT_EQ(port.SendText(""), 0);
  EXPECT_EQ(port.ReceiveText(text, -3), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(pty.Receive(1, 50ms), "");
}

TEST_F(SerialPortTest, InputQueuedBeforeOpeningIsDropped) {
  pty.Send("stale bytes");
  port.Connect();
  EXPECT_EQ(port.PendingInput(), 0);
  pty.Send("fresh");
  ASSERT_TRUE(AwaitPending(5));
  std::string text;
  EXPECT_EQ(port.ReceiveText(text, 5), 5);
  EXPECT_EQ(text, "fresh");
}

TEST_F(SerialPortTest, ReadEndsAfterTheIntervalOrTheIdleLimit) {
  port.Connect();
  pty.Send("abc");
  ASSERT_TRUE(AwaitPending(3));
  std::string text;
  // More than will come: the 1 ms interval ends the read after the last byte.
  EXPECT_EQ(port.ReceiveText(text, 100), 3);
  EXPECT_EQ(text, "abc");
  // Nothing comes at all: the wait for a first byte is bounded.
  EXPECT_EQ(port.ReceiveText(text, 10), 0);
  EXPECT_EQ(text, "");

  // With the component's default interval a read takes what is waiting and returns at once.
  port.Timeouts().SetReadInterval(-1);
  pty.Send("xy");
  ASSERT_TRUE(AwaitPending(2));
  EXPECT_EQ(port.ReceiveText(text, 50), 2);
  EXPECT_EQ(text, "xy");
}

TEST_F(SerialPortTest, WriteToAStoppedLineEndsAtTheTimeLimit) {
  port.FlowControl().SetXonXoffOut(true);
  port.Connect();
  // The far end stops our output; the byte after XOFF shows that XOFF has been taken in.
  pty.Send("\x13m");
  ASSERT_TRUE(AwaitPending(1));
  EXPECT_LT(port.SendText("hello"), 5);
  pty.Send("\x11");  // XON: what was written goes out, and the line works again
  EXPECT_EQ(port.SendText("!"), 1);
  const std::string out = pty.Receive(1);
  EXPECT_FALSE(out.empty());
}

TEST_F(SerialPortTest, PortChangeOnAnOpenPortReopensOnTheNewLine) {
  PseudoTerminal other;
  port.Connect();
  port.SetPort(pty.Path());  // same name: stays open on the same line
  EXPECT_TRUE(port.Connected());
  port.SetPort(other.Path());
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(port.SendText("moved"), 5);
  EXPECT_EQ(other.Receive(5), "moved");
  // The first line is free again.
  TComPort first{handOff};
  first.SetPort(pty.Path());
  first.Connect();
  EXPECT_TRUE(first.Connected());
}

}  // namespace
