#include "cli/CliOutput.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace {

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const unsigned char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      quoted += escape;
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted + "\"";
}

int RateMinutes(int rateCode) {
  return rateCode >= 1 && rateCode <= protocol::kRateCount ? protocol::kRateMinutes[rateCode - 1]
                                                           : 0;
}

}  // namespace

std::string StatusLine(const LoggerStatus& s) {
  const protocol::StatusReply& r = s.reply;
  std::string line = s.time + "  " + s.date + "  battery " + Fixed(s.batteryPercent, 1) + " % (" +
                     (s.batteryGood ? "ok" : "replace batteries") + ")  memory " +
                     s.usedMemoryText + " of " + std::to_string(protocol::kLoggerCapacity) +
                     "  rate ";
  line += s.rateItem >= 0 ? protocol::kRateItems[s.rateItem] : "code " + std::to_string(r.rateCode);
  line += "  channel 1 " + (s.channel1 ? Fixed(*s.channel1, 1) + " %RH" : std::string("-"));
  line += "  channel 2 " + (s.channel2 ? Fixed(*s.channel2, 1) + " C" : std::string("-"));
  return line;
}

std::string StatusJson(const LoggerStatus& s) {
  const protocol::StatusReply& r = s.reply;
  std::string json = "{\"time\":" + JsonString(s.time) + ",\"date\":" + JsonString(s.date);
  json += ",\"batteryReading\":" + std::to_string(r.battery);
  json += ",\"batteryPercent\":" + Fixed(s.batteryPercent, 1);
  json += ",\"batteryGood\":" + std::string(s.batteryGood ? "true" : "false");
  json += ",\"memoryPointer\":" + std::to_string(r.memoryPointer);
  json += ",\"usedMemory\":" + Fixed(r.usedMemory(), 2);
  json += ",\"rateCode\":" + std::to_string(r.rateCode);
  json += ",\"rateMinutes\":" + std::to_string(RateMinutes(r.rateCode));
  json += ",\"raw1\":" + std::to_string(r.raw1) + ",\"raw2\":" + std::to_string(r.raw2);
  json += ",\"humidity\":" + (s.channel1 ? Fixed(*s.channel1, 3) : std::string("null"));
  json += ",\"temperature\":" + (s.channel2 ? Fixed(*s.channel2, 1) : std::string("null"));
  return json + "}";
}

void PrintTable(const SampleTable& table, std::ostream& out) {
  out << "Start: " << table.startDate << ' ' << table.startTime << "  Rate: " << table.rateText
      << "  Samples: " << (table.rows.empty() ? 0 : table.rows.size() - 1) << '\n';
  std::size_t widths[5] = {};
  for (const auto& row : table.rows) {
    for (int c = 0; c < 5; ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : table.rows) {
    std::string line;
    for (int c = 0; c < 5; ++c) {
      std::string cell = row[c];
      // Numbers and values to the right, dates and times to the left.
      const std::size_t pad = widths[c] - std::min(widths[c], cell.size());
      if (c == 0 || c >= 3) {
        line += std::string(pad, ' ') + cell;
      } else {
        line += cell + std::string(pad, ' ');
      }
      if (c < 4) line += "  ";
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}
