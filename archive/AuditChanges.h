// The audit entries of actions on a logger and on files, made the same way by every program: the
// logger's clock set, its rate set, a table exported, a report written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "archive/AuditTrail.h"

// The logger's clock set from the computer's: the computer's local time then, the logger's clock
// from the reply just before (local ISO times, "2026-12-08T16:40:00"; empty when unknown), the
// drift (logger minus computer, seconds) and whether the logger's replies showed it took it;
// `taken` empty (null in the entry) for the entry written just before the command goes out, which
// an entry with the outcome follows.
AuditChange SetClockChange(const std::string& station, const std::string& port,
                           const std::string& computerClock, const std::string& loggerClockBefore,
                           std::optional<std::int64_t> driftSeconds, std::optional<bool> taken);
// The rate set: minutes between samples before (none when unknown) and asked for.
AuditChange SetRateChange(const std::string& station, const std::string& port,
                          std::optional<int> oldMinutes, int newMinutes, bool taken);
// A file written from the records (kExport or kReport): its name and the SHA-256 of its bytes;
// `source` says what it was made from ("download 42", "station camara1").
AuditChange FileWrittenChange(AuditAction action, const std::string& station,
                              const std::string& fileName, const std::string& sha256,
                              const std::string& source);

// "2026-12-08T16:40:00" for a local time.
std::string LocalIsoText(std::int64_t secondsSinceEpoch);
