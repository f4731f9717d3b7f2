// A stand-in for the humidity and temperature logger on a pseudo-terminal: the program (and the
// tests) open PortPath() as they would open the logger's serial port.
//
// The logger keeps a clock of its own without a time zone: its times are held as std::time_t whose
// UTC fields are the logger's fields (see NaiveLocalTime()).
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct LoggerSample {
  int humidityReading = 0;     // 12-bit channel 1 reading, r1
  int temperatureReading = 0;  // 12-bit channel 2 reading, r2
  bool operator==(const LoggerSample&) const = default;
};

enum class LoggerFault {
  None,
  SplitReplies,      // each status reply written in several pieces
  DoubledReplies,    // two status replies in one write
  Noise,             // stray bytes between replies
  HangUpInDownload,  // the line goes away in the middle of a download
  LetterInSample,    // one sample line carries a letter
  StrayByte,         // a stray digit right before every third status reply, in the same write
  GluedEndMarker,    // the end marker of a download goes out in one write with a status reply
  NoEndMarker,       // a download ends without its end marker; status replies follow
  KeepsClock,        // a set-clock command empties the memory but leaves the clock as it was
};

struct LoggerOptions {
  int storedSamples = 288;    // samples in memory; more than 2000 allowed for stress tests
  int rateCode = 2;           // 1..6 (1, 5, 10, 15, 30, 60 minutes)
  std::time_t startTime = 0;  // start of logging; 0 means storedSamples intervals before the clock
  int batteryReading = 180;   // B: battery percent is B / 2.2
  uint32_t seed = 1;          // for the curves and the noise
  int baud = 9600;            // line pacing; 0 writes unpaced
  // Line time handed over at once when paced: 0 a byte at a time, as a UART delivers it; 16 as a
  // USB serial adapter delivers it.
  int deliveryMs = 2;
  int statusPeriodMs = 1000;   // time between status replies
  int endMarkerPauseMs = 150;  // pause before the lone "A"
  LoggerFault fault = LoggerFault::None;
  std::time_t clockTime = 0;  // the logger's clock at Start(); 0 means the computer's local time
  // Add a sample to memory at every interval of the running clock, at the start of logging plus a
  // whole number of intervals, until the memory holds 2000 samples; time passes and samples come
  // whether or not a program has the port open.
  bool recordLive = true;
  int speed = 1;  // logger seconds that pass in one real second; status replies keep their period
  // When not empty: a symbolic link kept pointing to the port while the logger is plugged in.
  std::string linkPath;
};

class LoggerEmulator {
 public:
  explicit LoggerEmulator(LoggerOptions options = {});
  ~LoggerEmulator();  // stops
  LoggerEmulator(const LoggerEmulator&) = delete;
  LoggerEmulator& operator=(const LoggerEmulator&) = delete;

  // Opens the pseudo-terminal, points the link to it, and starts serving it on a thread of its
  // own. Throws std::runtime_error when no pseudo-terminal can be had or the link cannot be made.
  void Start();
  // Stops serving, removes the link and closes the logger's end of the line: a program that has
  // the port open sees a hang-up. PortPath() keeps its value.
  void Stop();
  // Path of the port to open, such as /dev/pts/7. Valid after Start().
  std::string PortPath() const;

  // The adapter pulled out: as Stop(), but the logger goes on keeping time and recording, and
  // Replug() brings it back. Nothing when not serving.
  void Unplug();
  // The adapter put back after Unplug(): a new pseudo-terminal (PortPath() changes, the link
  // follows), with the memory, the clock and the rate as they have run on meanwhile. Throws as
  // Start() does, and then stays unplugged. Nothing when not unplugged.
  void Replug();
  bool Unplugged() const;
  // Start, Stop, Unplug and Replug are called from one thread at a time.

  // What the logger holds now (for tests: a download must decode to exactly these).
  std::vector<LoggerSample> StoredSamples() const;
  int RateCode() const;
  // Samples that set-clock commands erased although no download had sent them: a program that
  // empties the memory must keep this at 0.
  int SamplesErasedUnseen() const;
  // Every sample recorded since Start(), the ones stored at the start included, in all
  // recordings: what a program that never loses one has archived, less those still only in memory.
  int SamplesRecorded() const;
  // Every byte the program has written to the logger so far, in order.
  std::string ReceivedCommands() const;

  // The whole memory, what a forced complete download sends: at least 2000 samples, the stored
  // ones first, then older contents that the memory pointer no longer counts.
  std::vector<LoggerSample> MemorySamples() const;
  // The logger's clock and the start of logging, in the logger's own time.
  std::time_t LoggerClock() const;
  std::time_t LoggingStart() const;
  // True while a program has the port open.
  bool ClientConnected() const;
  // The characters of the latest download the logger sent, end marker included (for figures and
  // tests); empty before the first. DownloadsSent() counts downloads started.
  std::string LastDownloadText() const;
  // Every status reply written so far, in order, without the stray bytes of a fault.
  std::vector<std::string> SentReplies() const;
  int DownloadsSent() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The computer's local date and time as a logger time (local fields held as UTC fields).
std::time_t NaiveLocalTime(std::time_t now);

// Fault names used on command lines: none, split, doubled, noise, hangup, letter, stray, glued,
// nomarker, keepclock.
const char* LoggerFaultName(LoggerFault fault);
bool LoggerFaultFromName(std::string_view name, LoggerFault& fault);
