// What the main window does with each batch of received characters, without any window: assembles
// status replies and decodes them, or collects a download until its end marker. The main window
// owns one interpreter, feeds it every batch it reads and applies the returned result to its
// controls.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/LoggerProtocol.h"

// What one decoded status reply says about the logger, as facts; how they look on screen is the
// window's business.
struct LoggerStatus {
  std::string text;               // the 33 digits as received
  std::string time;               // "HH:MM:SS", the fields as received
  std::string date;               // "DD/MM/20YY"
  std::string usedMemoryText;     // samples stored, e.g. "65", "0,25", "-1,5"
  float batteryPercent = 0;       // B / 2.2 in single precision, at most 100
  bool batteryGood = false;       // above protocol::kGoodBatteryPercent
  int rateItem = -1;              // choice 0..5 of the six rates; -1 for a code outside 1..6
  std::optional<float> channel1;  // by the channel's kind; empty when no kind is chosen
  std::optional<float> channel2;
  protocol::StatusReply reply;  // the raw values
};

// Result of one received-characters event, for the main window to apply.
struct RxEventResult {
  bool gaugeVisible = false;           // Gauge1 shown (download mode) or hidden
  int gaugeProgress = 0;               // Gauge1 progress 0..49 after the event
  bool clearTimeAndDate = false;       // Edit3 and Edit4 were emptied (a complete reply was taken)
  std::optional<LoggerStatus> status;  // a reply was decoded
  bool downloadEnded = false;          // the end marker arrived: relabel, arrow cursor, show data
  bool downloadAbandoned = false;  // the download passed kMaxDownloadText without its end marker
  bool startClockTimer = false;    // a clock setting is pending at the end of the event
  // A download was asked for while the logger was not known to be ready; this event brought the
  // complete reply that shows it is: write the download command now, then StartDownload().
  bool sendDownloadCommand = false;
};

class ReplyInterpreter {
 public:
  using Clock = std::chrono::steady_clock;

  // The logger pauses about a second between replies, while the characters of one reply follow
  // each other within a character time (91 ms at 110 baud) or in the 16 ms pieces of a USB
  // adapter. A batch that comes after a longer silence starts a new reply, whatever the buffer
  // holds: a stray byte on the line then costs at most the reply it touches.
  static constexpr Clock::duration kReplyGap = std::chrono::milliseconds(150);

  // A full logger memory is about 28 KB; a download that grows past this without its end marker is
  // abandoned and the text kept for inspection.
  static constexpr std::size_t kMaxDownloadText = 4u << 20;

  // A download whose characters (or whose command) came within this time is still streaming: a
  // second click on the download button then leaves it running. The logger sends a sample line
  // every 15 ms at 9600 baud and pauses far less than this before its end marker.
  static constexpr Clock::duration kStallTime = std::chrono::seconds(2);

  // Channel kinds, the hidden RadioGroup2 / RadioGroup3 items: 0 "T ºC", 1 "mV", -1 none.
  int channel1Kind = 0;
  int channel2Kind = 0;

  // Link flags.
  bool downloading = false;          // received characters belong to a download
  bool downloadDone = false;         // a download has ended in this run; never cleared
  bool clockSettingPending = false;  // a confirmed clock setting waits to be sent

  // One received-characters event: `batch` is what ReceiveText returned for the notice's Count,
  // read at `arrivedAt`. `pauseBefore` is how long the line was quiet before the batch began,
  // when the reader knows it; otherwise the time since the previous batch stands for it.
  RxEventResult OnReceived(std::string_view batch, Clock::time_point arrivedAt,
                           std::optional<Clock::duration> pauseBefore = std::nullopt);
  RxEventResult OnReceived(std::string_view batch) { return OnReceived(batch, Clock::now()); }

  // The download button (before the text is emptied). The request waits for the logger's next
  // complete reply, and the event that brings it says sendDownloadCommand: written just after a
  // reply, the command never lands in one, and no reply already on its way is taken for the
  // download. The logger sends no replies while it streams a download.
  void RequestDownload();
  bool downloadWaiting() const { return downloadWaiting_; }

  // The download command went out at `now`: enter download mode (the caller empties the download
  // text with ClearDownloadText before it writes the command).
  void StartDownload(Clock::time_point now = Clock::now());
  // A download runs and the logger is sending it: its latest characters, or its command when none
  // came yet, are less than kStallTime old at `now`.
  bool DownloadStreaming(Clock::time_point now) const {
    return downloading && now - downloadActivity_ < kStallTime;
  }
  void ClearDownloadText() { downloadText_.clear(); }
  // The connect switch empties the status buffer, leaves download mode and drops a waiting
  // download request at every switching; the next connection must show a reply again.
  void OnConnectSwitch();
  // The set-clock step empties the status buffer before it writes its command.
  void ClearStatusBuffer() { statusBuffer_.clear(); }
  // FormActivate of the main window.
  void OnActivate() { downloading = false; }

  const std::string& statusBuffer() const { return statusBuffer_; }  // Edit2
  const std::string& downloadText() const { return downloadText_; }  // RichEdit1
  int gaugeProgress() const { return gauge_; }

  // Decodes a complete 33-character reply (no state). Throws EConvertError.
  static LoggerStatus DecodeReply(std::string_view reply, int channel1Kind, int channel2Kind);

 private:
  // The download branch of an event: collects the batch or ends the download at the end marker.
  void CollectDownload(std::string_view batch, RxEventResult& result);

  // The status path of an event: assembles and decodes replies.
  void CollectStatus(std::string_view batch, Clock::duration pauseBefore, RxEventResult& result);

  std::string statusBuffer_;
  std::string downloadText_;
  int gauge_ = 0;
  std::optional<Clock::time_point> lastArrival_;
  Clock::time_point downloadActivity_{};  // the download command or its latest characters
  bool downloadWaiting_ = false;          // the download button waits for the next complete reply
};
