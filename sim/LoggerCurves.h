// Plausible readings for the logger: a daily cycle of temperature and, opposite to it, relative
// humidity, with a slow drift from day to day and a little noise. The same time and seed always
// give the same reading.
#pragma once

#include <cstdint>
#include <ctime>

#include "sim/LoggerEmulator.h"

LoggerSample CurveReading(std::time_t loggerTime, uint32_t seed);
