// The logger's clock as a status reply shows it, beside the computer's: both as local times on one
// calendar without time zone, so that their difference is the logger's drift.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "link/LoggerProtocol.h"

// The logger's clock as seconds of a calendar without time zone (its fields read as UTC); none when
// a field is not a number.
std::optional<std::time_t> LoggerClock(const protocol::StatusReply& reply);
// The computer's local time `now` on the same calendar.
std::time_t ComputerClock(std::time_t now);
// "2026-12-07T14:05:00" for a time on that calendar.
std::string ClockIsoText(std::time_t clock);
