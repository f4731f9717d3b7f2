// The Spanish words of an alarm event for the people it reaches: a one-line title (the mail's
// subject, the desktop notification's summary) and a text naming the station, the channel, the
// limit, the peak and the times. Made from the event's JSON, as notifications carry it.
#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

struct AlarmText {
  std::string title;
  std::string body;  // lines ended by '\n'
};

// Throws nothing: fields missing from `event` are left out of the text.
AlarmText MakeAlarmText(const nlohmann::json& event);
