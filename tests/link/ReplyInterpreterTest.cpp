#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/ReplyInterpreter.h"

namespace {

constexpr const char* kTenMinuteReply = "051003091457180030920202158001010";

// The ten-minute reply with other digits at 1-based `position`.
std::string ReplyWith(int position, const std::string& digits) {
  std::string reply = kTenMinuteReply;
  reply.replace(static_cast<std::size_t>(position - 1), digits.size(), digits);
  return reply;
}

TEST(DecodeReplyTest, TenMinuteReplyGivesEveryFact) {
  const LoggerStatus d = ReplyInterpreter::DecodeReply(kTenMinuteReply, 0, 0);
  EXPECT_EQ(d.time, "10:05:57");
  EXPECT_EQ(d.date, "03/09/2014");
  EXPECT_EQ(d.usedMemoryText, "65");
  EXPECT_NEAR(d.batteryPercent, 81.8, 0.05);
  EXPECT_TRUE(d.batteryGood);
  EXPECT_EQ(d.rateItem, 2);
  ASSERT_TRUE(d.channel1 && d.channel2);
  EXPECT_NEAR(*d.channel1, 76.048, 0.0005);
  EXPECT_FLOAT_EQ(*d.channel2, 17.0f);
}

TEST(DecodeReplyTest, BatteryLevelCapAndCaptions) {
  struct Case {
    const char* reading;
    float level;
    bool good;
  };
  const Case cases[] = {
      {"230", 100.0f, true},     {"000", 0.0f, false},  {"167", 167 / 2.2f, false},
      {"168", 168 / 2.2f, true}, {"999", 100.0f, true},
  };
  for (const Case& c : cases) {
    const LoggerStatus d = ReplyInterpreter::DecodeReply(ReplyWith(13, c.reading), 0, 0);
    EXPECT_FLOAT_EQ(d.batteryPercent, c.level) << c.reading;
    EXPECT_EQ(d.batteryGood, c.good) << c.reading;
  }
}

TEST(DecodeReplyTest, UsedMemoryText) {
  const std::pair<const char*, const char*> cases[] = {
      {"000006", "0"}, {"000000", "-1,5"}, {"000007", "0,25"}, {"031072", "2000,5"}};
  for (const auto& [pointer, text] : cases) {
    EXPECT_EQ(ReplyInterpreter::DecodeReply(ReplyWith(28, pointer), 0, 0).usedMemoryText, text);
  }
}

TEST(DecodeReplyTest, RateCodesSelectItemsOrLeaveTheSelection) {
  const int expected[10] = {-1, 0, 1, 2, 3, 4, 5, -1, -1, -1};
  for (int code = 0; code <= 9; ++code) {
    const std::string digit(1, static_cast<char>('0' + code));
    EXPECT_EQ(ReplyInterpreter::DecodeReply(ReplyWith(17, digit), 0, 0).rateItem, expected[code]);
  }
}

TEST(DecodeReplyTest, ChannelKinds) {
  const LoggerStatus raw = ReplyInterpreter::DecodeReply(kTenMinuteReply, 1, 1);
  EXPECT_FLOAT_EQ(*raw.channel1, 2506.0f);
  EXPECT_FLOAT_EQ(*raw.channel2, 670.0f);
  const LoggerStatus none = ReplyInterpreter::DecodeReply(kTenMinuteReply, -1, -1);
  EXPECT_FALSE(none.channel1.has_value());
  EXPECT_FALSE(none.channel2.has_value());
  // Zero of each channel, and a reading below it.
  const LoggerStatus zero = ReplyInterpreter::DecodeReply(ReplyWith(18,
                                                                    "02108"
                                                                    "01244"),
                                                          0, 0);
  EXPECT_FLOAT_EQ(*zero.channel1, 0.0f);
  EXPECT_FLOAT_EQ(*zero.channel2, 0.0f);
  const LoggerStatus low = ReplyInterpreter::DecodeReply(ReplyWith(18,
                                                                   "00000"
                                                                   "00000"),
                                                         0, 0);
  EXPECT_FLOAT_EQ(*low.channel1, -25.0f);
  EXPECT_FLOAT_EQ(*low.channel2, -50.0f);
}

// Feeds batches and records, per event, whether a reply was decoded.
std::vector<bool> Feed(ReplyInterpreter& in, const std::vector<std::string>& batches) {
  std::vector<bool> decoded;
  for (const std::string& b : batches) decoded.push_back(in.OnReceived(b).status.has_value());
  return decoded;
}

TEST(ReplyAssemblyTest, BatchSequences) {
  const std::string reply = kTenMinuteReply;
  struct Case {
    const char* name;
    std::vector<std::string> batches;
    std::vector<bool> decoded;
  };
  const Case cases[] = {
      {"whole reply", {reply}, {true}},
      {"20 then 13", {reply.substr(0, 20), reply.substr(20)}, {false, true}},
      {"one character at a time then a reply",
       {reply.substr(0, 1), reply.substr(1, 31), reply.substr(32), reply},
       {false, false, true, true}},
      // 66 characters are not read; the next event empties the buffer and starts afresh.
      {"two replies in one batch", {reply + reply, reply, reply}, {false, true, true}},
      // A 34-character buffer survives the next event; it is emptied one event later.
      {"34 then 33", {reply + "1", reply, reply}, {false, false, true}},
      // 35 characters are too many: the next event empties the buffer first.
      {"35 then 33", {reply + "12", reply}, {false, true}},
      // A stray piece before a reply spoils that reply and is dropped once the buffer passes 34.
      {"stray digits then replies", {"12", reply, reply}, {false, false, true}},
  };
  for (const Case& c : cases) {
    ReplyInterpreter in;
    EXPECT_EQ(Feed(in, c.batches), c.decoded) << c.name;
  }
}

TEST(ReplyAssemblyTest, BufferIsEmptiedAfterAReplyAndWhenEmptiedByTheCaller) {
  ReplyInterpreter in;
  const RxEventResult r = in.OnReceived(kTenMinuteReply);
  EXPECT_TRUE(r.clearTimeAndDate);
  EXPECT_FALSE(r.gaugeVisible);
  EXPECT_TRUE(in.statusBuffer().empty());

  in.OnReceived("0510");
  in.ClearStatusBuffer();
  EXPECT_TRUE(in.OnReceived(kTenMinuteReply).status.has_value());

  in.OnReceived("0510");
  in.downloading = true;
  in.OnConnectSwitch();
  EXPECT_FALSE(in.downloading);
  EXPECT_TRUE(in.OnReceived(kTenMinuteReply).status.has_value());
}

TEST(ReplyAssemblyTest, ReplyWithNonDigitIsDroppedAndNoticesGoOn) {
  ReplyInterpreter in;
  const std::string bad = ReplyWith(20, "2x2");
  const RxEventResult r = in.OnReceived(bad);
  EXPECT_FALSE(r.status.has_value());
  EXPECT_TRUE(r.clearTimeAndDate);
  EXPECT_TRUE(in.statusBuffer().empty());
  const RxEventResult nul = in.OnReceived(ReplyWith(1, std::string(1, '\0')));
  EXPECT_FALSE(nul.status.has_value());
  EXPECT_TRUE(nul.clearTimeAndDate);
  EXPECT_TRUE(in.statusBuffer().empty());
  const RxEventResult next = in.OnReceived(kTenMinuteReply);
  EXPECT_TRUE(next.status.has_value());
}

TEST(DownloadTest, EndMarkerOnlyAsABatchOfItsOwn) {
  struct Case {
    std::vector<std::string> batches;
    const char* text;
    bool ended;
  };
  const Case cases[] = {
      {{"12", "A"}, "12A", true},
      {{"12", "3A"}, "123A", false},
      {{"A"}, "A", true},
      {{"12", "AA"}, "12AA", false},
      {{"12\r\n", "A\r\n"}, "12\r\nA\r\n", false},
  };
  for (const Case& c : cases) {
    ReplyInterpreter in;
    in.StartDownload();
    bool ended = false;
    for (const std::string& b : c.batches) {
      const RxEventResult r = in.OnReceived(b);
      ended = r.downloadEnded;
      EXPECT_EQ(r.gaugeVisible, !ended);
    }
    EXPECT_EQ(in.downloadText(), c.text);
    EXPECT_EQ(ended, c.ended);
    EXPECT_EQ(in.downloading, !c.ended);
    EXPECT_EQ(in.downloadDone, c.ended);
  }
}

TEST(DownloadTest, AfterTheEndRepliesAreReadAgainAndTheTextStays) {
  ReplyInterpreter in;
  in.StartDownload();
  in.OnReceived("012003015030\r\n");
  in.OnReceived("A");
  EXPECT_TRUE(in.OnReceived(kTenMinuteReply).status.has_value());
  EXPECT_EQ(in.downloadText(), "012003015030\r\nA");
  EXPECT_TRUE(in.downloadDone);
}

TEST(DownloadTest, PieCyclesThroughFiftyStepsAndIsNotResetByANewDownload) {
  ReplyInterpreter in;
  in.StartDownload();
  std::vector<int> progress;
  for (int batch = 1; batch <= 51; ++batch) progress.push_back(in.OnReceived("x").gaugeProgress);
  EXPECT_EQ(progress[0], 1);
  EXPECT_EQ(progress[48], 49);
  EXPECT_EQ(progress[49], 0);  // the 50th batch empties the pie
  EXPECT_EQ(progress[50], 1);  // the 51st shows one step

  // Interrupted by the connect switch, then a new download: the pie goes on from where it stood.
  in.OnReceived("x");
  in.OnConnectSwitch();
  EXPECT_EQ(in.OnReceived("0").gaugeProgress, 2);  // listening does not move it
  in.ClearDownloadText();
  in.StartDownload();
  EXPECT_EQ(in.OnReceived("x").gaugeProgress, 3);
  EXPECT_EQ(in.downloadText(), "x");
  // The end marker does not step it.
  EXPECT_EQ(in.OnReceived("A").gaugeProgress, 3);
}

TEST(PendingClockTest, EveryEventStartsTheTimerWhilePendingInEitherMode) {
  ReplyInterpreter in;
  EXPECT_FALSE(in.OnReceived("0510").startClockTimer);
  in.clockSettingPending = true;
  EXPECT_TRUE(in.OnReceived("0310").startClockTimer);  // partial reply
  EXPECT_TRUE(in.OnReceived(std::string(kTenMinuteReply).substr(8)).startClockTimer);
  in.StartDownload();
  EXPECT_TRUE(in.OnReceived("12").startClockTimer);
  EXPECT_TRUE(in.OnReceived("A").startClockTimer);
  // Survives the connect switch.
  in.OnConnectSwitch();
  EXPECT_TRUE(in.OnReceived("0").startClockTimer);
  in.clockSettingPending = false;
  EXPECT_FALSE(in.OnReceived("0").startClockTimer);
}

TEST(DownloadTest, RunawayDownloadIsAbandonedAtTheBoundWithItsTextKept) {
  ReplyInterpreter in;
  in.StartDownload();
  const std::string chunk(64 * 1024, '7');
  const std::size_t fits = ReplyInterpreter::kMaxDownloadText / chunk.size();
  for (std::size_t i = 0; i < fits; ++i) {
    const RxEventResult r = in.OnReceived(chunk);
    ASSERT_FALSE(r.downloadAbandoned) << i;
  }
  EXPECT_EQ(in.downloadText().size(), ReplyInterpreter::kMaxDownloadText);
  const RxEventResult passed = in.OnReceived("8");
  EXPECT_TRUE(passed.downloadAbandoned);
  EXPECT_FALSE(passed.downloadEnded);
  EXPECT_FALSE(passed.gaugeVisible);
  EXPECT_FALSE(in.downloading);
  EXPECT_FALSE(in.downloadDone);
  EXPECT_EQ(in.downloadText().size(), ReplyInterpreter::kMaxDownloadText);
  EXPECT_EQ(in.downloadText().substr(0, 4), "7777");
  // Back to listening.
  EXPECT_TRUE(in.OnReceived(kTenMinuteReply).status.has_value());
}

}  // namespace
