// What the archive keeps of one download: the raw text exactly as received with its checksum, how
// and when it came and how it ended, what the decoder made of it, and the files it was saved to.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/SampleTable.h"

enum class DownloadKind { kNormal, kWholeMemory };

// Why a download ended without its end marker; kNone for a complete download.
enum class EndReason {
  kNone,
  kLineLost,       // the device went away or hung up
  kSwitchedOff,    // the operator switched the link off
  kSizeLimit,      // abandoned: far more came than any logger memory holds
  kTimedOut,       // nothing more came for too long
  kRestarted,      // a new download was started over it
  kProgramClosed,  // the program was closed while it ran
};

// Codes kept in the archive and shown by `history --json`: "normal" / "full"; "" / "line-lost" ...
const char* KindCode(DownloadKind kind);
const char* ReasonCode(EndReason reason);
std::optional<DownloadKind> KindFromCode(std::string_view code);
std::optional<EndReason> ReasonFromCode(std::string_view code);

// "2026-12-07T23:11:11Z"
std::string UtcText(std::chrono::system_clock::time_point when);
// The time of a text in UtcText's form; none for any other text.
std::optional<std::chrono::system_clock::time_point> TimeFromUtcText(std::string_view text);

// A download to archive.
struct NewDownload {
  std::string rawText;  // every character after the command, the end marker "A" when it came
  std::chrono::system_clock::time_point receivedAt;
  std::string port;
  std::string program;  // name and version of the program that received it
  DownloadKind kind = DownloadKind::kNormal;
  EndReason reason = EndReason::kNone;
  // Set when a station took the download: its name, and the logger's clock from the reply just
  // before it (local logger time, "2026-12-07T14:05:00") with its difference from the computer's
  // local clock in seconds (logger minus computer).
  std::string station;
  std::string loggerClock;
  std::optional<std::int64_t> clockDriftSeconds;
  // The acting program's name in the audit trail ("velmorante-station") when it is not the first
  // part of `program`, whose last word is the version.
  std::string auditProgram;
  // The computer's time zone when it came ("Europe/Madrid", or "+01:00" when no name is known);
  // empty: the archive finds it.
  std::string timeZone;
};

// One archived download as listed.
struct DownloadSummary {
  std::int64_t id = 0;
  std::string receivedAt;  // UTC, ISO 8601 with "Z"
  std::string port;
  std::string program;
  DownloadKind kind = DownloadKind::kNormal;
  EndReason reason = EndReason::kNone;
  bool complete() const { return reason == EndReason::kNone; }
  std::string sha256;  // of the raw text, hexadecimal
  std::int64_t size = 0;
  // As decoded when archived: the start of logging (none when the header could not be read), the
  // minutes between samples (0 when the rate code is unknown) and the samples.
  std::optional<LoggerStart> start;
  int rateMinutes = 0;
  std::int64_t samples = 0;
  std::string decodeError;  // empty when the text decoded completely
  std::int64_t savedCount = 0;
  std::string station;  // empty when no station took it
};

struct SavedFile {
  std::string path;
  std::string savedAt;  // UTC, ISO 8601 with "Z"
};

struct ArchivedDownload {
  DownloadSummary summary;
  std::string rawText;
  std::vector<SavedFile> savedFiles;
};

// A record that no longer matches its raw text: the text's checksum changed, or a detail recorded
// beside it (start, rate, samples, size, completeness) is not what the text gives.
struct ChecksumMismatch {
  enum class Part { kChecksum, kDetails };
  std::int64_t id = 0;
  Part part = Part::kChecksum;
  std::string recorded;  // the checksum, or the detail as recorded ("samples 40")
  std::string actual;    // the same computed from the raw text now
};
