// What a logger session tells its owner: the facts of each exchange, in the order they happen. The
// main window shows them, the command-line tool waits for them and the station records them.
#pragma once

#include <cstddef>
#include <string>

#include "link/ClockSettingCheck.h"
#include "link/ReplyInterpreter.h"

// Why a download stopped before its end marker.
enum class DownloadStop {
  kLineLost,   // the line failed or hung up
  kSizeLimit,  // far more came than any logger memory holds
  kOverran,    // more than the memory count announced, and still no end marker
  kSilent,     // nothing came for longer than the session's silence limit
};

class LoggerSessionListener {
 public:
  virtual ~LoggerSessionListener() = default;

  // Every batch read, before the facts below: what the displays show of it (the pie, the clock
  // boxes emptied when a complete reply was taken).
  virtual void BatchRead(const RxEventResult&) {}
  // A status reply that reads as the logger's.
  virtual void StatusRead(const LoggerStatus&) {}
  // The download command went out.
  virtual void DownloadStarted(bool /*forced*/) {}
  // The download text grew to `received` characters.
  virtual void DownloadGrew(std::size_t /*received*/) {}
  // The end marker came: `text` is the whole download, end marker included.
  virtual void DownloadEnded(const std::string& /*text*/) {}
  // The download stopped without its end marker; `received` is what came.
  virtual void DownloadStopped(DownloadStop, const std::string& /*received*/) {}
  // A confirmed clock setting waits, and a reply has just ended: the setting may go out now.
  virtual void ClockSettingDue() {}
  // The replies after a clock setting showed whether the logger took it.
  virtual void ClockChecked(bool /*taken*/, const ClockSettingCheck::Seen&) {}
  // The replies after a rate command showed whether the logger took it: `shownItem` is the rate
  // choice the latest reply shows (-1 for a code outside the table).
  virtual void RateChecked(bool /*taken*/, int /*choice*/, int /*shownItem*/) {}
};
