// A stand-in for the humidity and temperature logger on a pseudo-terminal: the program (and the
// tests) open PortPath() as they would open the logger's serial port.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

struct LoggerSample {
  int humidityReading = 0;     // 12-bit channel 1 reading, r1
  int temperatureReading = 0;  // 12-bit channel 2 reading, r2
};

enum class LoggerFault {
  None,
  SplitReplies,     // each status reply written in several pieces
  DoubledReplies,   // two status replies in one write
  Noise,            // stray bytes between replies
  HangUpInDownload, // the line goes away in the middle of a download
  LetterInSample,   // one sample line carries a letter
};

struct LoggerOptions {
  int storedSamples = 288;          // samples in memory; more than 2000 allowed for stress tests
  int rateCode = 2;                 // 1..6 (1, 5, 10, 15, 30, 60 minutes)
  std::time_t startTime = 0;        // start of logging; 0 means storedSamples intervals ago
  int batteryReading = 180;         // B: battery percent is B / 2.2
  uint32_t seed = 1;                // for the curves and the noise
  int baud = 9600;                  // line pacing; 0 writes unpaced
  int statusPeriodMs = 1000;        // time between status replies
  int endMarkerPauseMs = 150;       // pause before the lone "A"
  LoggerFault fault = LoggerFault::None;
};

class LoggerEmulator {
 public:
  explicit LoggerEmulator(LoggerOptions options = {});
  ~LoggerEmulator();  // stops
  LoggerEmulator(const LoggerEmulator&) = delete;
  LoggerEmulator& operator=(const LoggerEmulator&) = delete;

  // Opens the pseudo-terminal and starts serving it on a thread of its own. Throws
  // std::runtime_error when no pseudo-terminal can be had.
  void Start();
  void Stop();
  // Path of the port to open, such as /dev/pts/7. Valid after Start().
  std::string PortPath() const;

  // What the logger holds now (for tests: a download must decode to exactly these).
  std::vector<LoggerSample> StoredSamples() const;
  int RateCode() const;
  // Every byte the program has written to the logger so far, in order.
  std::string ReceivedCommands() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
