// The characters the logger sends: its 33-digit status reply and the lines of a download. Written
// apart from the program's protocol library on purpose, as an independent check of it.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "sim/LoggerEmulator.h"

// Minutes between samples for rate code 1..6; 0 for another code.
int RateCodeMinutes(int rateCode);
// Rate code 1..6 set by a rate command character ("1", "2", "4", "5", "6", "7"); 0 for another.
int RateCodeOfCommand(char command);

struct StatusFields {
  std::time_t clock = 0;  // logger time
  int battery = 0;        // B, 0..999
  int rateCode = 0;       // 0..9
  LoggerSample reading;   // present channel readings
  int samples = 0;        // samples in memory; the pointer is 6 + 4 x samples
};
// The 33 digits: minute, hour, day, month, year, second, battery, 0, rate, channel 1 (2 + 3
// digits), channel 2 (2 + 3 digits), memory pointer (3 + 3 digits). Values too large for their
// digits are held at the largest that fits.
std::string StatusReplyText(const StatusFields& fields);

// The two header lines: year, month, day, second; minute, hour, rate code, 0. Each line is four
// three-digit fields and CR LF.
std::string DownloadHeader(std::time_t start, int rateCode);
// One sample line: H1 B1 H2 B2 as three-digit fields, then CR LF.
std::string SampleLine(const LoggerSample& sample);
