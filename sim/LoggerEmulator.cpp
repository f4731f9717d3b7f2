#include "sim/LoggerEmulator.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

#include "sim/LoggerCurves.h"
#include "sim/LoggerText.h"
#include "sim/PortLink.h"
#include "sim/PtyEndpoint.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The emulator keeps its own copy of the logger's facts (here and in LoggerText) instead of taking
// them from the program's protocol library: it is an independent check of the program's code.
constexpr int kMemoryCapacity = 2000;  // samples the logger records before it stops
// A set-clock command whose twelve digits do not follow within this time is dropped.
constexpr auto kClockDigitsPatience = std::chrono::seconds(2);
// A status reply the program does not take within this time is dropped, as a line would.
constexpr auto kStatusPatience = milliseconds(500);

}  // namespace

struct LoggerEmulator::Impl {
  explicit Impl(LoggerOptions o) : options(std::move(o)), rng(options.seed) {
    options.rateCode = std::clamp(options.rateCode, 1, 6);
    options.storedSamples = std::max(options.storedSamples, 0);
    options.statusPeriodMs = std::max(options.statusPeriodMs, 1);
    options.endMarkerPauseMs = std::max(options.endMarkerPauseMs, 0);
    options.deliveryMs = std::max(options.deliveryMs, 0);
    options.speed = std::max(options.speed, 1);
    clockBase = options.clockTime != 0 ? options.clockTime : NaiveLocalTime(std::time(nullptr));
    steadyBase = Clock::now();
    rateCode = options.rateCode;
    samples = options.storedSamples;
    const std::time_t step = 60 * RateCodeMinutes(rateCode);
    start = options.startTime != 0 ? options.startTime : clockBase - samples * step;
    memory.resize(std::max(kMemoryCapacity, samples));
    for (size_t k = 0; k < memory.size(); ++k) {
      memory[k] = CurveReading(start + static_cast<std::time_t>(k + 1) * step, options.seed);
    }
    // Sample k is taken at start + k intervals, whatever the options: that is the time a download
    // gives it. A start long before the clock has the samples of the time between recorded at once.
    nextSample = start + (samples + 1) * step;
  }

  // Logger state, guarded by `mutex` (the serving thread writes, accessors read).
  mutable std::mutex mutex;
  LoggerOptions options;
  std::time_t clockBase = 0;
  Clock::time_point steadyBase;
  std::time_t start = 0;
  int rateCode = 2;
  int samples = 0;
  std::vector<LoggerSample> memory;
  std::time_t nextSample = 0;
  std::string received;
  std::string lastDownload;
  std::vector<std::string> sentReplies;
  int downloads = 0;
  int offered = 0;         // samples the latest download sent
  int erasedUnseen = 0;    // samples a set-clock erased that no download had sent
  int erasedRecorded = 0;  // samples that set-clock commands erased, sent or not
  std::atomic<bool> clientConnected{false};
  std::string portPath;
  bool unplugged = false;  // written by the thread that calls Unplug and Replug

  // Serving thread only.
  std::unique_ptr<PtyEndpoint> line;
  std::thread thread;
  std::mt19937 rng;
  std::string clockDigits;  // digits of a set-clock command being received
  bool clockCommandOpen = false;
  Clock::time_point clockCommandDeadline;
  unsigned tick = 0;

  std::time_t ClockNow() const {
    const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - steadyBase);
    return clockBase + static_cast<std::time_t>(elapsed.count() * options.speed / 1000);
  }

  // Records every sample due by the logger's clock; `mutex` held. Called before anything reads
  // the memory, so that what is seen (a reply's count, a download, StoredSamples()) always agrees
  // with the clock at that moment, however long the serving thread was busy or gone.
  void CatchUp() {
    if (!options.recordLive) return;
    const std::time_t now = ClockNow();
    const std::time_t step = 60 * RateCodeMinutes(rateCode);
    while (nextSample <= now && samples < kMemoryCapacity) {
      memory[samples++] = CurveReading(nextSample, options.seed);
      nextSample += step;
    }
  }

  void RecordLive() {
    std::lock_guard lock(mutex);
    CatchUp();
  }

  std::string StatusReply() {
    std::lock_guard lock(mutex);
    CatchUp();
    StatusFields f;
    f.clock = ClockNow();
    f.battery = options.batteryReading;
    f.rateCode = rateCode;
    f.reading = CurveReading(f.clock, options.seed);
    f.samples = samples;
    return StatusReplyText(f);
  }

  void SendStatus() {
    std::string reply = StatusReply();
    const unsigned n = tick++;
    switch (options.fault) {
      case LoggerFault::SplitReplies: {
        Sent(reply);
        // Two or three pieces with a short gap between them.
        std::uniform_int_distribution<size_t> cut(1, reply.size() - 1);
        size_t a = cut(rng), b = cut(rng);
        if (a > b) std::swap(a, b);
        const size_t cuts[] = {0, a, b, reply.size()};
        for (int i = 0; i < 3; ++i) {
          if (cuts[i + 1] == cuts[i]) continue;
          if (i > 0 && !line->SleepUntil(line->LineIdleAt() + milliseconds(15))) return;
          if (line->Write(std::string_view(reply).substr(cuts[i], cuts[i + 1] - cuts[i]),
                          options.baud, kStatusPatience) != PtyEndpoint::WriteResult::Done) {
            return;
          }
        }
        return;
      }
      case LoggerFault::DoubledReplies:
        if (n % 3 == 1) {
          const std::string second = StatusReply();
          Sent(reply);
          Sent(second);
          line->Write(reply + second, options.baud, kStatusPatience);
          return;
        }
        break;
      case LoggerFault::StrayByte:
        if (n % 3 == 1) {
          std::uniform_int_distribution<int> digit('0', '9');
          Sent(reply);
          line->Write(std::string(1, static_cast<char>(digit(rng))) + reply, options.baud,
                      kStatusPatience);
          return;
        }
        break;
      default:
        break;
    }
    Sent(reply);
    line->Write(reply, options.baud, kStatusPatience);
  }

  void Sent(const std::string& reply) {
    std::lock_guard lock(mutex);
    sentReplies.push_back(reply);
  }

  void SendNoise() {
    std::uniform_int_distribution<int> length(1, 6), byte(0, 255);
    std::string noise(static_cast<size_t>(length(rng)), '\0');
    for (char& c : noise) c = static_cast<char>(byte(rng));
    line->Write(noise, options.baud, kStatusPatience);
  }

  // Sends the stored samples ("8") or the whole memory ("E") in the download line layout, then
  // the end marker alone after a pause.
  void Download(bool whole) {
    std::string text;
    size_t lines = 0;
    {
      std::lock_guard lock(mutex);
      CatchUp();
      const size_t count = whole ? memory.size() : static_cast<size_t>(samples);
      text = DownloadHeader(start, rateCode);
      text.reserve(text.size() + 14 * count + 1);
      for (size_t k = 0; k < count; ++k) text += SampleLine(memory[k]);
      lines = count;
      offered = std::max(offered, static_cast<int>(std::min<size_t>(count, samples)));
      ++downloads;
      lastDownload.clear();
    }
    const size_t headerSize = 28;
    if (options.fault == LoggerFault::LetterInSample && lines > 0) {
      text[headerSize + 14 * (lines / 2) + 4] = 'X';
    }
    if (options.fault == LoggerFault::HangUpInDownload) {
      const std::string_view part =
          std::string_view(text).substr(0, headerSize + 14 * (lines / 2) + 7);
      line->Write(part, options.baud);
      {
        std::lock_guard lock(mutex);
        lastDownload = std::string(part);
      }
      line->HangUp();
      clientConnected = false;
      return;
    }
    if (!Stream(text)) return;
    if (options.fault == LoggerFault::NoEndMarker) {
      std::lock_guard lock(mutex);
      lastDownload = text;
      return;
    }
    if (options.fault == LoggerFault::GluedEndMarker) {
      // No pause: the marker and the logger's next reply leave together.
      const std::string reply = StatusReply();
      {
        std::lock_guard lock(mutex);
        lastDownload = text + "A";
      }
      Sent(reply);
      line->Write("A" + reply, options.baud);
      return;
    }
    if (!line->SleepUntil(line->LineIdleAt() + milliseconds(options.endMarkerPauseMs))) return;
    // Recorded before the marker goes out: a reader that has the marker finds the record.
    {
      std::lock_guard lock(mutex);
      lastDownload = text + "A";
    }
    if (!Stream("A")) {
      std::lock_guard lock(mutex);
      lastDownload = text;
    }
  }

  // Sends `text` at line pace. The logger does not see the program close its port, so a download
  // goes on while nobody listens (those bytes are lost) and a program that opens the port again
  // receives the rest. Returns false when stopped or hung up.
  bool Stream(std::string_view text) {
    constexpr size_t kPiece = 14;  // one sample line
    const double byteSeconds = options.baud > 0 ? 10.0 / options.baud : 0;
    for (size_t at = 0; at < text.size(); at += kPiece) {
      const std::string_view piece = text.substr(at, kPiece);
      const PtyEndpoint::WriteResult r = line->Write(piece, options.baud);
      if (r == PtyEndpoint::WriteResult::Stopped || line->HungUp()) return false;
      if (r == PtyEndpoint::WriteResult::ClientGone) {
        const auto lineTime = std::chrono::duration<double>(byteSeconds * piece.size());
        if (!line->SleepUntil(Clock::now() +
                              std::chrono::duration_cast<Clock::duration>(lineTime))) {
          return false;
        }
      }
    }
    return true;
  }

  void SetClock() {
    const auto two = [&](size_t i) {
      return (clockDigits[i] - '0') * 10 + (clockDigits[i + 1] - '0');
    };
    std::tm tm{};
    tm.tm_hour = two(0);
    tm.tm_min = two(2);
    tm.tm_sec = two(4);
    tm.tm_mday = two(6);
    tm.tm_mon = two(8) - 1;
    tm.tm_year = 100 + two(10);
    std::lock_guard lock(mutex);
    CatchUp();
    if (options.fault != LoggerFault::KeepsClock) {
      // timegm carries out-of-range fields over, as a clock chip set to nonsense would run on.
      clockBase = timegm(&tm);
      steadyBase = Clock::now();
    }
    erasedUnseen += std::max(0, samples - offered);
    erasedRecorded += samples;
    offered = 0;
    start = ClockNow();
    samples = 0;
    nextSample = start + 60 * RateCodeMinutes(rateCode);
  }

  void SetRate(int code) {
    std::lock_guard lock(mutex);
    CatchUp();  // what is due at the old rate is recorded at it
    rateCode = code;
    nextSample = ClockNow() + 60 * RateCodeMinutes(code);
  }

  void HandleCommands(const std::string& bytes) {
    {
      std::lock_guard lock(mutex);
      received += bytes;
    }
    for (const char c : bytes) {
      if (clockCommandOpen) {
        if (Clock::now() <= clockCommandDeadline && std::isdigit(static_cast<unsigned char>(c))) {
          clockDigits += c;
          if (clockDigits.size() == 12) {
            SetClock();
            clockCommandOpen = false;
          }
          continue;
        }
        clockCommandOpen = false;  // broken off: the character counts on its own
      }
      if (c == '3') {
        clockCommandOpen = true;
        clockDigits.clear();
        clockCommandDeadline = Clock::now() + kClockDigitsPatience;
      } else if (const int code = RateCodeOfCommand(c); code != 0) {
        SetRate(code);
      } else if (c == '8' || c == 'E') {
        Download(c == 'E');
        if (line->HungUp()) return;
      }
    }
  }

  void Run() {
    const auto period = milliseconds(options.statusPeriodMs);
    bool present = false;
    auto nextStatus = Clock::time_point::max();
    auto nextNoise = Clock::time_point::max();
    for (;;) {
      if (line->HungUp()) {
        if (!line->Wait(Clock::time_point::max(), false)) return;
        continue;
      }
      if (line->TakeClientClosed()) line->DiscardStaleOutput();
      const bool nowPresent = line->ClientPresent();
      if (nowPresent && !present) {
        nextStatus = Clock::now() + period / 2;
        nextNoise = Clock::time_point::max();
      } else if (!nowPresent && present) {
        line->DiscardStaleOutput();
        clockCommandOpen = false;
      }
      present = nowPresent;
      clientConnected = present;

      std::string input;
      line->ReadInput(input);
      if (!input.empty()) {
        const auto downloadsBefore = downloads;  // written by this thread alone
        HandleCommands(input);
        // Nothing is sent during a download; the next reply comes half a period after it, and
        // after a download no sooner than the pause before its end marker: the marker stands
        // alone on both sides.
        Clock::duration gap = period / 2;
        if (downloads != downloadsBefore) {
          gap = std::max<Clock::duration>(gap, milliseconds(options.endMarkerPauseMs));
        }
        if (present) nextStatus = std::max(nextStatus, Clock::now() + gap);
        continue;
      }
      RecordLive();
      const auto now = Clock::now();
      if (present && now >= nextStatus) {
        SendStatus();
        nextStatus = std::max(nextStatus + period, Clock::now());
        if (options.fault == LoggerFault::Noise && tick % 3 == 1) nextNoise = now + period / 2;
      }
      if (present && Clock::now() >= nextNoise) {
        SendNoise();
        nextNoise = Clock::time_point::max();
      }
      auto deadline = Clock::now() + std::chrono::seconds(1);  // the clock runs on, samples come
      if (present) deadline = std::min({deadline, nextStatus, nextNoise});
      if (clockCommandOpen) deadline = std::min(deadline, clockCommandDeadline);
      if (!line->Wait(deadline, present)) return;
    }
  }
};

LoggerEmulator::LoggerEmulator(LoggerOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

LoggerEmulator::~LoggerEmulator() {
  Stop();
}

void LoggerEmulator::Start() {
  if (impl_->thread.joinable()) return;
  auto line = std::make_unique<PtyEndpoint>();
  line->SetDeliveryMs(impl_->options.deliveryMs);
  if (!impl_->options.linkPath.empty()) PointPortLink(impl_->options.linkPath, line->Path());
  {
    std::lock_guard lock(impl_->mutex);
    impl_->portPath = line->Path();
  }
  impl_->line = std::move(line);
  impl_->unplugged = false;
  impl_->clockCommandOpen = false;  // a command cut off by the unplugging is lost with the line
  impl_->thread = std::thread([this] { impl_->Run(); });
}

void LoggerEmulator::Stop() {
  impl_->unplugged = false;
  if (!impl_->thread.joinable()) return;
  impl_->line->RequestStop();
  impl_->thread.join();
  // The link goes first, so that nobody opens a port that is about to go.
  RemovePortLink(impl_->options.linkPath, impl_->line->Path());
  // Release the line: a program that still has the port open sees a hang-up, as when unplugged.
  impl_->line->HangUp();
  impl_->clientConnected = false;
}

void LoggerEmulator::Unplug() {
  if (!impl_->thread.joinable()) return;
  Stop();
  impl_->unplugged = true;
}

void LoggerEmulator::Replug() {
  if (!impl_->unplugged) return;
  Start();
}

bool LoggerEmulator::Unplugged() const {
  return impl_->unplugged;
}

std::string LoggerEmulator::PortPath() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->portPath;
}

std::vector<LoggerSample> LoggerEmulator::StoredSamples() const {
  std::lock_guard lock(impl_->mutex);
  impl_->CatchUp();
  return {impl_->memory.begin(), impl_->memory.begin() + impl_->samples};
}

std::vector<LoggerSample> LoggerEmulator::MemorySamples() const {
  std::lock_guard lock(impl_->mutex);
  impl_->CatchUp();
  return impl_->memory;
}

int LoggerEmulator::SamplesErasedUnseen() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->erasedUnseen;
}

int LoggerEmulator::SamplesRecorded() const {
  std::lock_guard lock(impl_->mutex);
  impl_->CatchUp();
  return impl_->erasedRecorded + impl_->samples;
}

int LoggerEmulator::RateCode() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->rateCode;
}

std::string LoggerEmulator::ReceivedCommands() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->received;
}

std::time_t LoggerEmulator::LoggerClock() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->ClockNow();
}

std::time_t LoggerEmulator::LoggingStart() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->start;
}

bool LoggerEmulator::ClientConnected() const {
  return impl_->clientConnected;
}

std::string LoggerEmulator::LastDownloadText() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->lastDownload;
}

std::vector<std::string> LoggerEmulator::SentReplies() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->sentReplies;
}

int LoggerEmulator::DownloadsSent() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->downloads;
}

std::time_t NaiveLocalTime(std::time_t now) {
  std::tm tm{};
  localtime_r(&now, &tm);
  return timegm(&tm);
}

namespace {
struct FaultName {
  LoggerFault fault;
  const char* name;
};
constexpr FaultName kFaultNames[] = {
    {LoggerFault::None, "none"},
    {LoggerFault::SplitReplies, "split"},
    {LoggerFault::DoubledReplies, "doubled"},
    {LoggerFault::Noise, "noise"},
    {LoggerFault::HangUpInDownload, "hangup"},
    {LoggerFault::LetterInSample, "letter"},
    {LoggerFault::StrayByte, "stray"},
    {LoggerFault::GluedEndMarker, "glued"},
    {LoggerFault::NoEndMarker, "nomarker"},
    {LoggerFault::KeepsClock, "keepclock"},
};
}  // namespace

const char* LoggerFaultName(LoggerFault fault) {
  for (const auto& f : kFaultNames) {
    if (f.fault == fault) return f.name;
  }
  return "none";
}

bool LoggerFaultFromName(std::string_view name, LoggerFault& fault) {
  for (const auto& f : kFaultNames) {
    if (name == f.name) {
      fault = f.fault;
      return true;
    }
  }
  return false;
}
