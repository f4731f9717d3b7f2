// Whether the logger took a set-clock command. The logger never answers a command, so its next
// status replies are watched instead: its clock must be within a few seconds of the computer's
// and its memory empty. The window and the command-line tool share this judgement and word it
// each in its own language.
#pragma once

#include <ctime>
#include <string>

#include "link/LoggerProtocol.h"

class ClockSettingCheck {
 public:
  // How far the logger's clock may be from the computer's: the command's own digits are read a
  // moment before they go out, and the reply shows whole seconds.
  static constexpr std::time_t kToleranceSeconds = 5;
  // Replies sent before the logger read the whole command still show the old state: the verdict
  // "not taken" waits for this many replies and this long after the command.
  static constexpr int kReplies = 3;
  static constexpr std::time_t kPatienceSeconds = 2;

  enum class Verdict { kWaiting, kFollowed, kNotFollowed };

  // What the latest reply showed.
  struct Seen {
    bool clockFollowed = false;
    bool memoryEmptied = false;
    std::string loggerTime;    // "HH:MM:SS" as the reply gives it
    std::string loggerDate;    // "DD/MM/20YY"
    std::string computerTime;  // the computer's local time when the reply was read, same forms
    std::string computerDate;
    double usedMemory = 0;  // samples the logger still counts
  };

  // The command's digits were read from the computer's clock at `sentAt`. `pace` is how many
  // seconds the logger's clock runs in one of the computer's: 1 for a logger, more for one that is
  // emulated faster than time (its clock and its memory then move on while the check waits).
  explicit ClockSettingCheck(std::time_t sentAt, double pace = 1) : sentAt_(sentAt), pace_(pace) {}

  // One decoded reply after the command, read when the computer's clock showed `computerNow`.
  // kFollowed as soon as a reply shows both; kNotFollowed when none did among at least kReplies
  // replies over at least kPatienceSeconds.
  Verdict Feed(const protocol::StatusReply& reply, std::time_t computerNow);
  const Seen& seen() const { return seen_; }

 private:
  std::time_t sentAt_;
  double pace_;
  int replies_ = 0;
  Seen seen_;
};
