// Date and time texts of the data table. Months, days, hours, minutes and seconds below 10 get a
// leading "0"; larger values are written as they are. The logger's two-digit year is written after
// "20": "2007" for 7, "2012" for 12, and "20100" once a carry has taken it past 99.
#pragma once

#include <ctime>
#include <string>

#include "data/SampleTable.h"

// "15/03/2012"
std::string DateText(int day, int month, int year);
// "14:45:30"
std::string TimeText(int hour, int minute, int second);
// A recording's start as a logger time: its fields held as UTC fields, as the logger's clock is
// read; a two-digit year counts from 2000.
std::time_t LoggerStartSeconds(const LoggerStart& start);
