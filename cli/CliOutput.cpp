#include "cli/CliOutput.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Translate.h"
#include "data/StartTexts.h"

namespace {

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

int RateMinutes(int rateCode) {
  return rateCode >= 1 && rateCode <= protocol::kRateCount ? protocol::kRateMinutes[rateCode - 1]
                                                           : 0;
}

// A single-precision value as the double with the same shortest decimal text (23.2f gives 23.2,
// not 23.200000762939453): the figure the logger's arithmetic gives, without float noise.
double AsDecimal(float value) {
  char text[32];
  const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
  double result = value;
  std::from_chars(text, written.ptr, result);
  return result;
}

}  // namespace

std::string TerminalPortErrorText(const EComPort& error) {
  const std::string message = error.what();
  // A text of another kind (an exception out of a handler) stays as it is.
  if (message.rfind(EComPort::ReasonText(error.Reason), 0) != 0) return message;
  std::string cause;
  if (error.SystemError == ENOTTY) {
    cause = _("it is not a serial port");
  } else if (error.SystemError == EBUSY) {
    cause = _("another program is using it");
  } else if (error.SystemError > 0) {
    cause = std::strerror(error.SystemError);
  }
  // Opening: the caller names the port; the cause is the whole story.
  if (error.Reason == kReasonOpenFailed) return cause.empty() ? _("it cannot be opened") : cause;
  std::string what;
  switch (error.Reason) {
    case kReasonWriteFailed:
      what = _("writing to the port failed");
      break;
    case kReasonReadFailed:
      what = _("reading from the port failed");
      break;
    case kReasonSetStateFailed:
      what = _("the port does not take the line's settings");
      break;
    case kReasonPurgeFailed:
    case kReasonPendingInputFailed:
    case kReasonModemLinesFailed:
    case kReasonWaitFailed:
      what = _("the port stopped answering the system");
      break;
    case kReasonPortListFailed:
      what = _("the serial ports cannot be listed");
      break;
    default:
      what = _("the serial port failed");
      break;
  }
  return cause.empty() ? what : what + ": " + cause;
}

std::string RateText(int minutes) {
  return cli::Format(ngettext("%s minute", "%s minutes", static_cast<unsigned long>(minutes)),
                     std::to_string(minutes));
}

std::string StatusLine(const LoggerStatus& s) {
  const protocol::StatusReply& r = s.reply;
  using cli::Format;
  const std::string battery = Fixed(s.batteryPercent, 1) + " % (" +
                              (s.batteryGood ? _("ok") : _("replace batteries")) + ")";
  const std::string rate = s.rateItem >= 0 ? RateText(protocol::kRateMinutes[s.rateItem])
                                           : Format(_("code %s"), std::to_string(r.rateCode));
  std::string line =
      s.time + "  " + s.date + "  " + Format(_("battery %s"), battery) + "  " +
      Format(_("memory %s of %s"), s.usedMemoryText, std::to_string(protocol::kLoggerCapacity)) +
      "  " + Format(_("rate %s"), rate);
  line += "  " + Format(_("channel 1 %s"), s.channel1 ? Fixed(*s.channel1, 1) + " %RH" : "-");
  line += "  " + Format(_("channel 2 %s"), s.channel2 ? Fixed(*s.channel2, 1) + " C" : "-");
  return line;
}

std::string StatusJson(const LoggerStatus& s) {
  using Json = nlohmann::ordered_json;
  const protocol::StatusReply& r = s.reply;
  const Json json = {{"reply", s.text},
                     {"time", s.time},
                     {"date", s.date},
                     {"batteryReading", r.battery},
                     {"batteryPercent", AsDecimal(s.batteryPercent)},
                     {"batteryGood", s.batteryGood},
                     {"memoryPointer", r.memoryPointer},
                     {"usedMemory", r.usedMemory()},
                     {"rateCode", r.rateCode},
                     {"rateMinutes", RateMinutes(r.rateCode)},
                     {"raw1", r.raw1},
                     {"raw2", r.raw2},
                     {"humidity", s.channel1 ? Json(AsDecimal(*s.channel1)) : Json(nullptr)},
                     {"temperature", s.channel2 ? Json(AsDecimal(*s.channel2)) : Json(nullptr)}};
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void PrintTable(const SampleTable& table, std::ostream& out) {
  // The rate and the headings in the user's language; the table's own are the windows' Spanish.
  const std::string rate = table.rateMinutes > 0 ? RateText(table.rateMinutes) : std::string();
  out << cli::Format(_("Start: %s %s  Rate: %s  Samples: %s"), StartDateText(table),
                     StartTimeText(table), rate,
                     std::to_string(table.rows.empty() ? 0 : table.rows.size() - 1))
      << '\n';
  std::vector<SampleTable::Row> rows = table.rows;
  if (!rows.empty()) rows[0] = {"", _("DATE:"), _("TIME:"), _("CHANNEL 1"), _("CHANNEL 2")};
  std::size_t widths[5] = {};
  for (const auto& row : rows) {
    for (int c = 0; c < 5; ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : rows) {
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
