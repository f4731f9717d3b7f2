// Line settings, modem lines and the property rules, seen through a recording layer over the real
// system calls (a pseudo-terminal keeps no RTS or DTR and ignores most line settings).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "link/CPort.h"
#include "link/SerialSystem.h"
#include "link/UiHandOff.h"
#include "tests/link/PseudoTerminal.h"

namespace {

struct ModemRequest {
  unsigned long request;
  int lines;
};

class RecordingSystem : public SerialSystem {
 public:
  int Open(const char* path, int flags) override {
    Record([&] { openFlags.push_back(flags); });
    return SerialSystem::Open(path, flags);
  }
  int Close(int fd) override {
    Record([&] { ++closes; });
    return SerialSystem::Close(fd);
  }
  int Ioctl(int fd, unsigned long request) override {
    Record([&] { plainRequests.push_back(request); });
    return SerialSystem::Ioctl(fd, request);
  }
  int Ioctl(int fd, unsigned long request, int* value) override {
    if (request == TIOCMBIS || request == TIOCMBIC) {
      Record([&] { modem.push_back({request, *value}); });
    }
    return SerialSystem::Ioctl(fd, request, value);
  }
  int TcSetAttr(int fd, int when, const termios* settings) override {
    int fail = 0;
    Record([&] {
      applied.push_back(*settings);
      fail = failSetAttr;
    });
    if (fail != 0) {
      errno = fail;
      return -1;
    }
    return SerialSystem::TcSetAttr(fd, when, settings);
  }
  int Flock(int fd, int operation) override {
    Record([&] { flocks.push_back(operation); });
    return SerialSystem::Flock(fd, operation);
  }
  int SetArbitrarySpeed(int fd, int bitsPerSecond) override {
    Record([&] { arbitrarySpeeds.push_back(bitsPerSecond); });
    return SerialSystem::SetArbitrarySpeed(fd, bitsPerSecond);
  }

  // Reads and clears under the lock (the watch thread calls in too).
  template <typename F>
  void Record(F&& f) {
    std::lock_guard<std::mutex> lock(mutex);
    f();
  }
  size_t AppliedCount() {
    std::lock_guard<std::mutex> lock(mutex);
    return applied.size();
  }
  termios LastApplied() {
    std::lock_guard<std::mutex> lock(mutex);
    return applied.back();
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex);
    applied.clear();
    modem.clear();
    arbitrarySpeeds.clear();
  }

  std::mutex mutex;
  std::vector<int> openFlags;
  int closes = 0;
  std::vector<unsigned long> plainRequests;
  std::vector<ModemRequest> modem;
  std::vector<termios> applied;
  std::vector<int> flocks;
  std::vector<int> arbitrarySpeeds;
  int failSetAttr = 0;
};

class SerialSettingsTest : public ::testing::Test {
 protected:
  SerialSettingsTest() {
    port.SetSystem(system);
    port.SetPort(pty.Path());
    ApplyLoggerLineSettings(port);
  }

  PseudoTerminal pty;
  UiHandOff handOff;
  std::shared_ptr<RecordingSystem> system = std::make_shared<RecordingSystem>();
  TComPort port{handOff};
};

TEST_F(SerialSettingsTest, OpeningGivesARawExclusiveLineWithDtrLowAndRtsAsAsked) {
  termios before;
  ASSERT_EQ(tcgetattr(pty.Slave(), &before), 0);
  port.FlowControl().SetControlRTS(rtsEnable);  // stored only while closed
  EXPECT_TRUE(system->applied.empty());
  EXPECT_TRUE(system->modem.empty());
  port.Connect();

  ASSERT_EQ(system->openFlags.size(), 1u);
  EXPECT_EQ(system->openFlags[0] & O_ACCMODE, O_RDWR);
  EXPECT_TRUE(system->openFlags[0] & O_NOCTTY);
  EXPECT_EQ(system->flocks, std::vector<int>{LOCK_EX | LOCK_NB});
  EXPECT_EQ(system->plainRequests, std::vector<unsigned long>{TIOCEXCL});

  const termios line = system->LastApplied();
  EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(line.c_oflag & OPOST, 0u);
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | INPCK), 0u);
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS | HUPCL), 0u);
  EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(line.c_cc[VMIN], 0);
  EXPECT_EQ(line.c_cc[VTIME], 0);
  EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
  ASSERT_EQ(system->modem.size(), 2u);
  EXPECT_EQ(system->modem[0].request, static_cast<unsigned long>(TIOCMBIC));
  EXPECT_EQ(system->modem[0].lines, TIOCM_DTR);
  EXPECT_EQ(system->modem[1].request, static_cast<unsigned long>(TIOCMBIS));
  EXPECT_EQ(system->modem[1].lines, TIOCM_RTS);

  // While open, RTS follows at once.
  system->Clear();
  port.FlowControl().SetControlRTS(rtsDisable);
  ASSERT_EQ(system->modem.size(), 2u);
  EXPECT_EQ(system->modem[1].request, static_cast<unsigned long>(TIOCMBIC));
  EXPECT_EQ(system->modem[1].lines, TIOCM_RTS);

  // Closing puts the line's earlier settings back and gives up exclusive use.
  port.Disconnect();
  const termios restored = system->LastApplied();
  EXPECT_EQ(restored.c_lflag, before.c_lflag);
  EXPECT_EQ(restored.c_iflag, before.c_iflag);
  EXPECT_EQ(restored.c_cflag, before.c_cflag);
  EXPECT_EQ(system->plainRequests.back(), static_cast<unsigned long>(TIOCNXCL));
  EXPECT_EQ(system->closes, 1);
}

TEST_F(SerialSettingsTest, EachSettingReachesTheTerminal) {
  const struct {
    const char* name;
    std::function<void(TComPort&)> set;
    std::function<void(const termios&, const std::vector<int>& arbitrary)> check;
  } cases[] = {
      {"odd parity", [](TComPort& p) { p.Parity().SetBits(prOdd); },
       [](const termios& t, auto&) {
         EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB | PARODD));
       }},
      {"even parity", [](TComPort& p) { p.Parity().SetBits(prEven); },
       [](const termios& t, auto&) {
         EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB));
       }},
      {"mark parity", [](TComPort& p) { p.Parity().SetBits(prMark); },
       [](const termios& t, auto&) {
         EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR),
                   static_cast<tcflag_t>(PARENB | PARODD | CMSPAR));
       }},
      {"space parity", [](TComPort& p) { p.Parity().SetBits(prSpace); },
       [](const termios& t, auto&) {
         EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB | CMSPAR));
       }},
      {"parity check", [](TComPort& p) { p.Parity().SetCheck(true); },
       [](const termios& t, auto&) { EXPECT_TRUE(t.c_iflag & INPCK); }},
      {"seven data bits", [](TComPort& p) { p.SetDataBits(dbSeven); },
       [](const termios& t, auto&) { EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS7)); }},
      {"five data bits", [](TComPort& p) { p.SetDataBits(dbFive); },
       [](const termios& t, auto&) { EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS5)); }},
      {"two stop bits", [](TComPort& p) { p.SetStopBits(sbTwoStopBits); },
       [](const termios& t, auto&) { EXPECT_TRUE(t.c_cflag & CSTOPB); }},
      {"one and a half stop bits", [](TComPort& p) { p.SetStopBits(sbOne5StopBits); },
       [](const termios& t, auto&) { EXPECT_FALSE(t.c_cflag & CSTOPB); }},
      {"hardware flow control", [](TComPort& p) { p.FlowControl().SetFlowControl(fcHardware); },
       [](const termios& t, auto&) {
         EXPECT_TRUE(t.c_cflag & CRTSCTS);
         EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
       }},
      {"software flow control", [](TComPort& p) { p.FlowControl().SetFlowControl(fcSoftware); },
       [](const termios& t, auto&) {
         EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
         EXPECT_FALSE(t.c_cflag & CRTSCTS);
         EXPECT_EQ(t.c_cc[VSTART], 17);
         EXPECT_EQ(t.c_cc[VSTOP], 19);
       }},
      {"115200 bits per second", [](TComPort& p) { p.SetBaudRate(br115200); },
       [](const termios& t, auto& arbitrary) {
         EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B115200));
         EXPECT_TRUE(arbitrary.empty());
       }},
      {"14400 bits per second", [](TComPort& p) { p.SetBaudRate(br14400); },
       [](const termios&, auto& arbitrary) { EXPECT_EQ(arbitrary, std::vector<int>{14400}); }},
      {"custom standard rate",
       [](TComPort& p) {
         p.SetCustomBaudRate(4800);
         p.SetBaudRate(brCustom);
       },
       [](const termios& t, auto& arbitrary) {
         EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
         EXPECT_TRUE(arbitrary.empty());
       }},
      {"custom odd rate",
       [](TComPort& p) {
         p.SetCustomBaudRate(250000);
         p.SetBaudRate(brCustom);
       },
       [](const termios&, auto& arbitrary) { EXPECT_EQ(arbitrary.back(), 250000); }},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.name);
    TComPort fresh{handOff};
    fresh.SetSystem(system);
    fresh.SetPort(pty.Path());
    entry.set(fresh);
    system->Clear();
    fresh.Connect();
    entry.check(system->LastApplied(), system->arbitrarySpeeds);
  }
}

TEST_F(SerialSettingsTest, SettersApplyOnlyRealChangesAndNestedChangesOnce) {
  port.Connect();
  const size_t start = system->AppliedCount();

  // Equal values change nothing.
  port.SetBaudRate(br9600);
  port.SetDataBits(dbEight);
  port.Parity().SetBits(prNone);
  port.FlowControl().SetControlDTR(dtrDisable);
  port.FlowControl().SetXonChar(17);
  port.SetPort(pty.Path());
  EXPECT_EQ(system->AppliedCount(), start);
  EXPECT_EQ(system->openFlags.size(), 1u);

  // A real change is applied at once.
  port.SetBaudRate(br19200);
  EXPECT_EQ(system->AppliedCount(), start + 1);
  EXPECT_EQ(cfgetospeed(&system->applied.back()), static_cast<speed_t>(B19200));

  // Nested changes are applied once, at the outermost end; a spare EndChange does nothing.
  port.BeginChange();
  port.BeginChange();
  port.SetBaudRate(br38400);
  port.SetStopBits(sbTwoStopBits);
  port.EndChange();
  EXPECT_EQ(system->AppliedCount(), start + 1);
  port.EndChange();
  EXPECT_EQ(system->AppliedCount(), start + 2);
  EXPECT_EQ(cfgetospeed(&system->applied.back()), static_cast<speed_t>(B38400));
  EXPECT_TRUE(system->applied.back().c_cflag & CSTOPB);
  port.EndChange();
  EXPECT_EQ(system->AppliedCount(), start + 2);

  // While loading, settings are only stored.
  port.BeginLoading();
  port.SetBaudRate(br1200);
  port.EndLoading();
  EXPECT_EQ(system->AppliedCount(), start + 2);
}

TEST_F(SerialSettingsTest, StoredValuesAndConnectedOnlyProperties) {
  const struct {
    int given;
    int stored;
  } sizes[] = {{1001, 1000}, {1000, 1000}, {128001, 128000}, {1, 0}, {2, 2}};
  for (const auto& entry : sizes) {
    port.Buffer().SetInputSize(entry.given);
    port.Buffer().SetOutputSize(entry.given);
    EXPECT_EQ(port.Buffer().InputSize(), entry.stored) << entry.given;
    EXPECT_EQ(port.Buffer().OutputSize(), entry.stored) << entry.given;
  }

  port.SetSyncMethod(smNone);  // free while closed
  port.SetSyncMethod(smThreadSync);
  port.Connect();
  port.SetSyncMethod(smThreadSync);  // equal value: nothing to refuse
  try {
    port.SetSyncMethod(smWindowSync);
    FAIL() << "SyncMethod changed while connected";
  } catch (const EComPort& error) {
    EXPECT_EQ(error.Reason, 14);
    EXPECT_EQ(error.SystemError, -1);
    EXPECT_STREQ(error.what(), "Cannot set property while connected");
  }
  EXPECT_EQ(port.SyncMethod(), smThreadSync);
  EXPECT_THROW(port.SetSystem(nullptr), EComPort);
}

TEST_F(SerialSettingsTest, DerivedFlowControlReadsAndWrites) {
  TComFlowControl& flow = port.FlowControl();
  const struct {
    TRTSFlowControl rts;
    bool cts, xonIn, xonOut;
    TFlowControl expected;
  } reads[] = {
      {rtsHandshake, true, false, false, fcHardware}, {rtsDisable, false, true, true, fcSoftware},
      {rtsDisable, false, false, false, fcNone},      {rtsEnable, false, false, false, fcCustom},
      {rtsDisable, false, true, false, fcCustom},     {rtsHandshake, false, false, false, fcCustom},
      {rtsDisable, true, false, false, fcCustom},
  };
  for (const auto& entry : reads) {
    flow.SetControlRTS(entry.rts);
    flow.SetOutCTSFlow(entry.cts);
    flow.SetXonXoffIn(entry.xonIn);
    flow.SetXonXoffOut(entry.xonOut);
    flow.SetOutDSRFlow(true);  // plays no part
    EXPECT_EQ(flow.FlowControl(), entry.expected);
  }

  for (TFlowControl value : {fcHardware, fcSoftware, fcNone}) {
    flow.SetControlRTS(rtsEnable);
    flow.SetOutCTSFlow(true);
    flow.SetXonXoffIn(true);
    flow.SetXonXoffOut(false);
    flow.SetFlowControl(value);
    EXPECT_EQ(flow.FlowControl(), value);
  }
  flow.SetControlRTS(rtsToggle);
  flow.SetFlowControl(fcCustom);
  EXPECT_EQ(flow.ControlRTS(), rtsToggle);
  EXPECT_EQ(flow.FlowControl(), fcCustom);

  // Writing re-applies the line state even when nothing changed.
  port.Connect();
  const size_t before = system->AppliedCount();
  flow.SetFlowControl(fcCustom);
  EXPECT_EQ(system->AppliedCount(), before + 1);
}

TEST_F(SerialSettingsTest, FailedConnectClosesWhatItOpened) {
  system->failSetAttr = EIO;
  try {
    port.Connect();
    FAIL() << "Connect succeeded";
  } catch (const EComPort& error) {
    EXPECT_EQ(error.Reason, 7);
    EXPECT_EQ(error.SystemError, EIO);
    EXPECT_STREQ(error.what(), "SetCommState function failed (win error code: 5)");
  }
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(system->openFlags.size(), 1u);
  EXPECT_EQ(system->closes, 1);
  // The line is free for the next try.
  system->failSetAttr = 0;
  port.Connect();
  EXPECT_TRUE(port.Connected());
}

}  // namespace
