// Time stamps of samples as exports and charts need them. The fields are written as the data table
// gives them (local wall-clock time, year in full); nothing is corrected or moved between zones.
#pragma once

#include <cstdint>
#include <string>

#include "data/SampleDecoder.h"

namespace analysis {

// The six fields of a time stamp, year in full.
struct Stamp {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

Stamp StampOf(const SampleNumbers& sample);
// The logger's start of logging (year in full); meaningful only when the table has a start date.
Stamp StartStampOf(const SampleTable& table);
// Whether the table carries its logger's start (a raw download does; a saved table file does not).
bool HasStart(const SampleTable& table);

// "2012-03-15T14:50:30"
std::string IsoText(const Stamp& stamp);
void AppendIsoText(std::string& text, const Stamp& stamp);
// "15/03/2012 14:50:30"
std::string SpanishDateTimeText(const Stamp& stamp);
void AppendSpanishDateTimeText(std::string& text, const Stamp& stamp);

// Seconds from 1970-01-01 00:00:00 to the stamp read on one uniform wall clock (every day 86,400
// s, no zone, no daylight saving): the position of a sample on a time axis. Fields beyond their
// range (minute 75, month 13) carry into the next larger field.
std::int64_t WallClockSeconds(const Stamp& stamp);

}  // namespace analysis
