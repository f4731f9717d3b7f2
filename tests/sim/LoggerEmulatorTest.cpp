// The logger emulator on a real pseudo-terminal, seen from a bare program end.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "data/ChannelValueText.h"
#include "data/SampleDecoder.h"
#include "link/LoggerProtocol.h"
#include "sim/LoggerEmulator.h"
#include "sim/LoggerText.h"
#include "tests/sim/PtyClient.h"

namespace {

using namespace std::chrono_literals;

// 2012-03-15 14:45:30 as the logger's own time.
constexpr std::time_t kClock = 1331822730;

LoggerOptions FastOptions() {
  LoggerOptions options;
  options.baud = 0;
  options.statusPeriodMs = 100;
  options.endMarkerPauseMs = 30;
  options.clockTime = kClock;
  options.recordLive = false;
  return options;
}

template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = 10s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

protocol::StatusReply NextReply(PtyClient& client) {
  const std::string text = client.Read(33);
  EXPECT_EQ(text.size(), 33u);
  return protocol::ParseStatusReply(text);
}

// Replies sent before a command may still wait in the port: reads on until one satisfies `wanted`.
template <typename Wanted>
std::optional<protocol::StatusReply> ReplyWhere(PtyClient& client, Wanted wanted) {
  for (int i = 0; i < 30; ++i) {
    const protocol::StatusReply r = NextReply(client);
    if (wanted(r)) return r;
  }
  return std::nullopt;
}

TEST(LoggerEmulator, StatusReplyCarriesClockBatteryRateAndMemoryPointer) {
  LoggerOptions options = FastOptions();
  options.storedSamples = 65;
  options.rateCode = 3;
  options.batteryReading = 167;
  LoggerEmulator logger(options);
  logger.Start();
  PtyClient client(logger.PortPath());
  ASSERT_TRUE(client.IsOpen());
  const protocol::StatusReply r = NextReply(client);
  EXPECT_EQ(r.hour + r.minute, "1445");
  EXPECT_EQ(r.day + r.month + r.year, "150312");
  EXPECT_EQ(r.battery, 167);
  EXPECT_EQ(r.rateCode, 3);
  EXPECT_EQ(r.memoryPointer, 6 + 4 * 65);
  EXPECT_EQ(r.usedMemory(), 65);
  EXPECT_GT(r.raw1, 620);  // a humidity above 0 %
  EXPECT_LT(r.raw1, 4096);
  EXPECT_GT(r.raw2, 500);  // a temperature above 0 degrees
  EXPECT_LT(r.raw2, 1000);
}

TEST(LoggerEmulator, SendsOnlyWhileAProgramHasThePortAndLeavesNothingStale) {
  LoggerOptions options = FastOptions();
  options.statusPeriodMs = 1000;  // the first reply comes half a period after the port opens
  LoggerEmulator logger(options);
  logger.Start();
  // A whole status period by the logger's own clock passes with nobody on the port.
  ASSERT_TRUE(Eventually([&] { return logger.LoggerClock() >= kClock + 1; }));
  EXPECT_TRUE(logger.SentReplies().empty())
      << "replies went out before any program opened the port";
  {
    PtyClient first(logger.PortPath());
    ASSERT_TRUE(first.IsOpen());
    ASSERT_TRUE(Eventually([&] { return first.Waiting() >= 66; }, 10s));
  }  // closes with replies unread
  ASSERT_TRUE(Eventually([&] { return !logger.ClientConnected(); }));
  const std::size_t sentBefore = logger.SentReplies().size();
  PtyClient second(logger.PortPath());
  ASSERT_TRUE(second.IsOpen());
  ASSERT_TRUE(Eventually([&] { return second.Waiting() >= 33; }, 10s));
  // A reply is counted before it is written, so the line can hold no more than the replies sent
  // since the second program opened it; anything more was left by the first.
  const int waiting = second.Waiting();
  const std::size_t sentSince = logger.SentReplies().size() - sentBefore;
  EXPECT_LE(waiting, static_cast<int>(33 * sentSince))
      << "the next program got what the last one left";
  const std::string reply = second.Read(33);
  EXPECT_NO_THROW(protocol::ParseStatusReply(reply));
}

TEST(LoggerEmulator, StopHangsUpTheLineOfAProgramThatHasThePortOpen) {
  LoggerEmulator logger(FastOptions());
  logger.Start();
  PtyClient client(logger.PortPath());
  ASSERT_TRUE(client.IsOpen());
  NextReply(client);
  logger.Stop();
  EXPECT_FALSE(logger.ClientConnected());
  pollfd p{client.Descriptor(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 10000), 1);
  EXPECT_TRUE(p.revents & (POLLHUP | POLLERR)) << "the program saw no hang-up";
  logger.Stop();  // stopping again, and destroying after, change nothing
}

TEST(LoggerEmulator, RateCommandsSetTheirRateCodes) {
  LoggerEmulator logger(FastOptions());
  logger.Start();
  PtyClient client(logger.PortPath());
  const struct {
    const char* command;
    int code;
  } cases[] = {{"1", 1}, {"2", 2}, {"4", 3}, {"5", 4}, {"6", 5}, {"7", 6}};
  for (const auto& c : cases) {
    client.Write(c.command);
    ASSERT_TRUE(Eventually([&] { return logger.RateCode() == c.code; })) << c.command;
    EXPECT_TRUE(ReplyWhere(client, [&](const auto& r) { return r.rateCode == c.code; }))
        << c.command;
  }
  EXPECT_EQ(logger.ReceivedCommands(), "124567");
}

TEST(LoggerEmulator, SetClockSetsTheClockAndEmptiesMemory) {
  LoggerOptions options = FastOptions();
  options.storedSamples = 40;
  LoggerEmulator logger(options);
  logger.Start();
  PtyClient client(logger.PortPath());
  NextReply(client);
  std::tm tm{};
  tm.tm_hour = 7, tm.tm_min = 5, tm.tm_sec = 3, tm.tm_mday = 9, tm.tm_mon = 2, tm.tm_year = 109;
  for (const std::string& w : protocol::SetClockWrites(tm)) client.Write(w);
  ASSERT_TRUE(Eventually([&] { return logger.StoredSamples().empty(); }));
  const auto r = ReplyWhere(client, [](const auto& reply) { return reply.memoryPointer == 6; });
  ASSERT_TRUE(r);
  EXPECT_EQ(r->hour + r->minute + r->day + r->month + r->year, "0705090309");
  EXPECT_EQ(logger.LoggingStart(), 1236582303);  // 2009-03-09 07:05:03
}

TEST(LoggerEmulator, DownloadSendsHeaderSampleLinesAndTheEndMarkerAlone) {
  LoggerOptions options = FastOptions();
  options.storedSamples = 3;
  options.rateCode = 2;
  options.startTime = 1331822730;  // 15/03/2012 14:45:30
  LoggerEmulator logger(options);
  logger.Start();
  PtyClient client(logger.PortPath());
  NextReply(client);
  client.Write("8");
  const std::string text = client.ReadUntil("\r\n");
  std::string body = text;
  while (body.size() < 28 + 3 * 14) body += client.Read(28 + 3 * 14 - body.size());
  // Everything before the marker, then a pause, then the marker on its own.
  EXPECT_EQ(client.Waiting(), 0);
  EXPECT_EQ(client.Read(1), "A");
  EXPECT_EQ(body.substr(0, 28), "012003015030\r\n045014002000\r\n");
  const auto samples = logger.StoredSamples();
  ASSERT_EQ(samples.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(body.substr(28 + 14 * k, 14), SampleLine(samples[k]));
  }
  const SampleTable table = SampleDecoder().Decode(body + "A");
  ASSERT_FALSE(table.error);
  ASSERT_EQ(table.rows.size(), 4u);
  EXPECT_EQ(table.rows[1][1] + " " + table.rows[1][2], "15/03/2012 14:50:30");
  EXPECT_EQ(table.rows[3][3], ChannelValueText(HumidityFromReading(samples[2].humidityReading)));
  EXPECT_EQ(table.rows[3][4],
            ChannelValueText(TemperatureFromReading(samples[2].temperatureReading)));
  EXPECT_EQ(logger.LastDownloadText(), body + "A");
}

TEST(LoggerEmulator, ForcedDownloadSendsTheWholeMemoryAndStressSizesBeyondIt) {
  for (const int stored : {10, 2500}) {
    LoggerOptions options = FastOptions();
    options.storedSamples = stored;
    LoggerEmulator logger(options);
    logger.Start();
    PtyClient client(logger.PortPath());
    NextReply(client);
    client.Write("E");
    const std::string text = client.ReadUntil("\r\nA", 20s);
    const std::size_t expected = std::max(2000, stored);
    // A status reply (33 characters) due just before the command went out may come first.
    const std::size_t download = 28 + 14 * expected + 1;
    ASSERT_GE(text.size(), download) << stored;
    EXPECT_EQ((text.size() - download) % 33, 0u) << stored;
    EXPECT_LE(text.size() - download, 33u) << stored;
    EXPECT_EQ(logger.MemorySamples().size(), expected);
  }
}

TEST(LoggerEmulator, SampleLinesKeepTwelveBitReadingsInThreeDigitFields) {
  const struct {
    LoggerSample sample;
    const char* line;
  } cases[] = {{{1860, 735}, "007068002223\r\n"},
               {{0, 4095}, "000000015255\r\n"},
               {{256, 255}, "001000000255\r\n"}};
  for (const auto& c : cases) EXPECT_EQ(SampleLine(c.sample), c.line);
  StatusFields f;
  f.clock = 1409738757;  // 2014-09-03 10:05:57
  f.battery = 180;
  f.rateCode = 3;
  f.reading = {9 * 256 + 202, 2 * 256 + 158};
  f.samples = 65;
  EXPECT_EQ(StatusReplyText(f), "051003091457180030920202158001010");
}

}  // namespace
