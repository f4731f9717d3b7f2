// Where a status reply starts: batches as the line delivers them at 9600 baud (a byte at a time,
// in 16 ms pieces, or whole after the watch thread waited for a quiet line), with stray bytes,
// must never yield a reply the logger did not send. Also the download request that waits for a
// reply showing the logger ready.
#include <gtest/gtest.h>

#include <ostream>

#include <chrono>
#include <string>
#include <vector>

#include "link/ReplyInterpreter.h"

namespace {

using Clock = ReplyInterpreter::Clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

// A reply of the logger whose seconds are `second` (00..59): the logger's clock at 10:05:ss.
std::string Reply(int second) {
  std::string reply = "051003091457180030920202158001010";
  reply[10] = static_cast<char>('0' + second / 10);
  reply[11] = static_cast<char>('0' + second % 10);
  return reply;
}

struct Piece {
  Clock::duration at;
  std::string text;
};

enum class Delivery { Whole, ByteAtATime, Usb16ms };

// What the line hands over for `text` written at `start` at 9600 baud.
void Deliver(std::vector<Piece>& line, Clock::duration start, const std::string& text,
             Delivery delivery) {
  const Clock::duration byteTime = microseconds(1042);
  const std::size_t size = delivery == Delivery::Whole     ? text.size()
                           : delivery == Delivery::Usb16ms ? 15
                                                           : 1;
  for (std::size_t i = 0; i < text.size(); i += size) {
    const std::string piece = text.substr(i, size);
    line.push_back({start + byteTime * static_cast<long>(i + piece.size()), piece});
  }
}

struct FramingCase {
  const char* name;
  Delivery delivery;
  // Stray bytes written right before reply k (empty: none), and noise half a second after it.
  std::vector<std::string> strayBefore;
  std::vector<std::string> noiseAfter;
  std::vector<int> expected;  // seconds of the replies that must be decoded, in order
};

// What ctest lists beside the case's name: the pattern's name, not the object's bytes.
void PrintTo(const FramingCase& c, std::ostream* out) {
  *out << c.name;
}

std::string PrintName(const ::testing::TestParamInfo<FramingCase>& info) {
  return info.param.name;
}

class ReplyFraming : public ::testing::TestWithParam<FramingCase> {};

TEST_P(ReplyFraming, OnlyRepliesTheLoggerSentAreDecoded) {
  const FramingCase& c = GetParam();
  std::vector<Piece> line;
  for (int k = 0; k < static_cast<int>(c.strayBefore.size()); ++k) {
    const Clock::duration start = milliseconds(1000) * k;
    Deliver(line, start, c.strayBefore[k] + Reply(k), c.delivery);
    if (!c.noiseAfter[k].empty()) {
      Deliver(line, start + milliseconds(500), c.noiseAfter[k], c.delivery);
    }
  }
  ReplyInterpreter in;
  const Clock::time_point origin = Clock::now();
  std::vector<int> decoded;
  for (const Piece& p : line) {
    const RxEventResult r = in.OnReceived(p.text, origin + p.at);
    if (r.status) decoded.push_back(std::stoi(r.status->time.substr(6)));
  }
  EXPECT_EQ(decoded, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, ReplyFraming,
    ::testing::Values(
        FramingCase{"WholeRepliesNoFault", Delivery::Whole, {"", "", ""}, {"", "", ""}, {0, 1, 2}},
        // The watch thread hands the stray digit over with the reply: 34 characters, not read.
        FramingCase{"WholeStrayBeforeSecond",
                    Delivery::Whole,
                    {"", "7", "", ""},
                    {"", "", "", ""},
                    {0, 2, 3}},
        // Without the quiet wait the 33rd character is the reply's 32nd: its clock is impossible.
        FramingCase{"ByteAtATimeStrayBeforeSecond",
                    Delivery::ByteAtATime,
                    {"", "3", "", ""},
                    {"", "", "", ""},
                    {0, 2, 3}},
        FramingCase{"WholeTwoStrayDigits",
                    Delivery::Whole,
                    {"", "12", "", ""},
                    {"", "", "", ""},
                    {0, 2, 3}},
        FramingCase{"Usb16msStrayBeforeSecond",
                    Delivery::Usb16ms,
                    {"", "9", "", ""},
                    {"", "", "", ""},
                    {0, 2, 3}},
        FramingCase{"Usb16msNoFault", Delivery::Usb16ms, {"", "", ""}, {"", "", ""}, {0, 1, 2}},
        // Noise in the pause between replies is forgotten when the next reply starts.
        FramingCase{"ByteAtATimeNoiseBetweenReplies",
                    Delivery::ByteAtATime,
                    {"", "", ""},
                    {"\x85x", "", ""},
                    {0, 1, 2}},
        FramingCase{
            "WholeNoiseBetweenReplies", Delivery::Whole, {"", "", ""}, {"", "55", ""}, {0, 1, 2}}),
    PrintName);

TEST(ClockFieldCheck, RejectsOnlyFieldsNoClockCanHold) {
  const auto check = [](int first, const std::string& digits) {
    std::string reply = Reply(0);
    reply.replace(static_cast<std::size_t>(first - 1), digits.size(), digits);
    return protocol::ImpossibleClockField(protocol::ParseStatusReply(reply)).has_value();
  };
  // Minute 60, hour 24, day 32, month 13, second 60 cannot be; the largest of each and day and
  // month 00 (a clock never set) can.
  EXPECT_TRUE(check(1, "60"));
  EXPECT_TRUE(check(3, "24"));
  EXPECT_TRUE(check(5, "32"));
  EXPECT_TRUE(check(7, "13"));
  EXPECT_TRUE(check(11, "60"));
  EXPECT_FALSE(check(1, "5923311299"));
  EXPECT_FALSE(check(5, "0000"));
  ReplyInterpreter in;
  const RxEventResult r = in.OnReceived(Reply(0).replace(6, 2, "13"));
  EXPECT_FALSE(r.status.has_value());
  EXPECT_TRUE(r.clearTimeAndDate);
  EXPECT_TRUE(in.statusBuffer().empty());
}

TEST(DownloadRequest, WaitsForTheNextCompleteReplySoNoReplyOnItsWayJoinsTheDownload) {
  ReplyInterpreter in;
  // Connected, no reply yet: the request waits; a partial reply does not release it.
  in.RequestDownload();
  EXPECT_TRUE(in.downloadWaiting());
  EXPECT_FALSE(in.OnReceived(Reply(0).substr(0, 20)).sendDownloadCommand);
  const RxEventResult ready = in.OnReceived(Reply(0).substr(20));
  EXPECT_TRUE(ready.sendDownloadCommand);
  EXPECT_FALSE(in.downloadWaiting());
  in.StartDownload();
  in.OnReceived("012003015030\r\n");

  // Asked again while the logger streams: download mode is left, the tail and its end marker are
  // not a download, and the command goes out after the next reply, once.
  in.ClearDownloadText();
  in.RequestDownload();
  EXPECT_FALSE(in.downloading);
  EXPECT_FALSE(in.OnReceived("045014002000\r\n").sendDownloadCommand);
  const RxEventResult marker = in.OnReceived("A");
  EXPECT_FALSE(marker.downloadEnded || marker.sendDownloadCommand);
  EXPECT_FALSE(in.downloadDone);
  const Clock::time_point later = Clock::now() + milliseconds(900);
  EXPECT_TRUE(in.OnReceived(Reply(1), later).sendDownloadCommand);
  EXPECT_FALSE(in.OnReceived(Reply(2), later + milliseconds(1000)).sendDownloadCommand);
  EXPECT_TRUE(in.downloadText().empty());

  // The switch operated: a waiting request is dropped.
  in.OnConnectSwitch();
  in.RequestDownload();
  in.OnConnectSwitch();
  EXPECT_FALSE(in.downloadWaiting());
  EXPECT_FALSE(in.OnReceived(Reply(3), later + milliseconds(2000)).sendDownloadCommand);

  // A reply seen, and the next one already in the input queue when the button is clicked: the
  // command waits for that reply to end, and the reply is never read as the download's start
  // (its digits would give every sample a wrong date).
  in.RequestDownload();
  EXPECT_TRUE(in.downloadWaiting());
  EXPECT_TRUE(in.OnReceived(Reply(4), later + milliseconds(3000)).sendDownloadCommand);
  in.ClearDownloadText();
  in.StartDownload();
  in.OnReceived("012003015030\r\n");
  EXPECT_EQ(in.downloadText(), "012003015030\r\n");
}

}  // namespace
