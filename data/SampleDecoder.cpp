// The decoder's steps: header, start stamp and row stamps, headings and numbers, channel values.
#include "data/SampleDecoder.h"

#include <charconv>

#include "data/ChannelValueText.h"
#include "data/DownloadLines.h"
#include "data/TimeStamps.h"
#include "link/LoggerProtocol.h"

namespace {

// Reads single characters of a line as digits. The first character that is not a digit, or a
// position past the end of the line, sets `error` to the conversion error ("'x' is not a valid
// integer value"; the quoted text is empty for a missing character) and every later read fails.
class DigitReader {
 public:
  explicit DigitReader(std::optional<std::string>& error) : error_(error) {}

  // Digit at 1-based `position` of `line`.
  int Digit(std::string_view line, int position) {
    if (failed_) return 0;
    const auto index = static_cast<std::size_t>(position - 1);
    if (index >= line.size()) return Fail(std::string_view());
    const char c = line[index];
    if (c < '0' || c > '9') return Fail(line.substr(index, 1));
    return c - '0';
  }
  // 10 x first + second, from `position` and the one after it.
  int TwoDigits(std::string_view line, int position) {
    const int tens = Digit(line, position);
    return 10 * tens + Digit(line, position + 1);
  }
  // Three-digit field `index` (0..3) of a line.
  int Field(std::string_view line, int index) {
    const int position = 1 + index * protocol::kFieldDigits;
    const int hundreds = Digit(line, position);
    const int tens = Digit(line, position + 1);
    return 100 * hundreds + 10 * tens + Digit(line, position + 2);
  }
  bool failed() const { return failed_; }

 private:
  int Fail(std::string_view text) {
    failed_ = true;
    error_ = protocol::NotAnIntegerText(text);
    return 0;
  }

  std::optional<std::string>& error_;
  bool failed_ = false;
};

// Keeps one number record per table row below the headings, whatever size the caller gave.
void MatchSamplesToRows(SampleTable& table) {
  if (table.rows.empty()) table.rows.resize(1);
  table.samples.resize(table.rows.size() - 1);
}

std::string_view LineOrEmpty(const std::vector<std::string_view>& lines, std::size_t index) {
  return index < lines.size() ? lines[index] : std::string_view();
}

}  // namespace

SampleTable SampleDecoder::Decode(std::string_view downloadText, const SampleTable* previous) {
  SampleTable table;
  if (previous) {
    table.start = previous->start;
    table.startRateMinutes = previous->startRateMinutes;
  }
  const Lines lines = SplitDownloadLines(downloadText);
  // The heading row plus one row per sample line; the end line and the two header lines have none.
  const std::size_t rowCount = lines.size() > 3 ? lines.size() - 2 : 1;
  table.rows.resize(rowCount);
  table.samples.resize(rowCount - 1);
  DecodeTable(lines, table);
  return table;
}

void SampleDecoder::DecodeTable(const Lines& lines, SampleTable& table) {
  MatchSamplesToRows(table);
  if (!DecodeStartAndStamps(lines, table)) return;
  table.rows[0] = {"", " FECHA:", " HORA:", "CANAL 1", "CANAL 2"};
  char number[16];
  for (std::size_t k = 1; k < table.rows.size(); ++k) {
    char* end = std::to_chars(number, number + sizeof number, k).ptr;
    table.rows[k][0].assign(number, end);
  }
  DecodeChannelValues(lines, table);
}

bool SampleDecoder::DecodeStartAndStamps(const Lines& lines, SampleTable& table) {
  const std::string_view first = LineOrEmpty(lines, 0);
  const std::string_view second = LineOrEmpty(lines, 1);
  DigitReader read(table.error);
  // Read in the logger's order; any bad character leaves the start boxes as they were.
  const int year = read.TwoDigits(first, 2);
  const int month = read.TwoDigits(first, 5);
  const int day = read.TwoDigits(first, 8);
  const int secondOfMinute = read.TwoDigits(first, 11);
  const int minute = read.TwoDigits(second, 2);
  const int hour = read.TwoDigits(second, 5);
  const int rateCode = read.Digit(second, 9);
  if (read.failed()) return false;

  table.start = LoggerStart{year, month, day, hour, minute, secondOfMinute};
  // An unknown rate code keeps the rate shown before, and with it the step of the stamps.
  if (const protocol::Rate* rate = protocol::RateOfCode(rateCode)) {
    table.startRateMinutes = rate->minutes;
  }
  table.rateMinutes = table.startRateMinutes;
  // No known rate: the rows keep empty dates and times.
  if (table.rateMinutes != 0) StampRows(table, table.rateMinutes);
  return true;
}

void SampleDecoder::DecodeChannelValues(const Lines& lines, SampleTable& table) {
  MatchSamplesToRows(table);
  DigitReader read(table.error);
  for (std::size_t k = 1; k < table.rows.size(); ++k) {
    const std::string_view line = LineOrEmpty(lines, k + 1);
    const int h1 = read.Field(line, 0);
    const int b1 = read.Field(line, 1);
    const int h2 = read.Field(line, 2);
    const int b2 = read.Field(line, 3);
    if (read.failed()) return;  // this row and the later ones keep no channel texts
    SampleNumbers& numbers = table.samples[k - 1];
    numbers.hasValues = true;
    numbers.humidity = HumidityFromReading(protocol::ReadingOf(h1, b1));
    numbers.temperature = TemperatureFromReading(protocol::ReadingOf(h2, b2));
    table.rows[k][3] = ChannelValueText(numbers.humidity);
    table.rows[k][4] = ChannelValueText(numbers.temperature);
  }
}

void SampleDecoder::UpdateMonthLength(int month, int year) {
  switch (month) {
    case 2:
      // Leap years by the two-digit year alone: every fourth year of the century.
      monthLength_ = year % 4 == 0 ? 29 : 28;
      break;
    case 4:
    case 6:
    case 9:
    case 11:
      monthLength_ = 30;
      break;
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
      monthLength_ = 31;
      break;
    default:
      break;  // an impossible month keeps the length found last
  }
}

void SampleDecoder::StampRows(SampleTable& table, int stepMinutes) {
  // The one-minute rate carries only when the minute reaches 60 exactly; a start minute above 59
  // (the header is not range-checked) then never carries. The other rates also carry past 60.
  const bool carryAbove60 = stepMinutes != 1;
  MatchSamplesToRows(table);
  const int n = static_cast<int>(table.rows.size()) - 1;
  const LoggerStart start = table.start.value_or(LoggerStart{});
  int year = start.year, month = start.month, day = start.day;
  int hour = start.hour, minute = start.minute;
  const int second = start.second;
  for (int k = 1; k <= n; ++k) {
    minute += stepMinutes;
    if (minute == 60) {
      minute = 0;
      ++hour;
    } else if (carryAbove60 && minute > 60) {
      minute -= 60;
      ++hour;
    }
    if (hour == 24) {
      hour = 0;
      ++day;
    }
    UpdateMonthLength(month, year);
    if (day == monthLength_ + 1) {
      day = 1;
      ++month;
    }
    if (month == 13) {
      month = 1;
      ++year;
    }
    SampleTable::Row& row = table.rows[k];
    row[1] = DateText(day, month, year);
    row[2] = TimeText(hour, minute, second);
    SampleNumbers& numbers = table.samples[k - 1];
    numbers.hasStamp = true;
    numbers.year = 2000 + year;
    numbers.month = month;
    numbers.day = day;
    numbers.hour = hour;
    numbers.minute = minute;
    numbers.second = second;
  }
}

std::string WithEndMarker(std::string_view received) {
  if (!received.empty() && received.back() == protocol::kEndMarker) return std::string(received);
  const std::size_t lineEnd = received.find_last_of("\r\n");
  std::string text(lineEnd == std::string_view::npos ? std::string_view()
                                                     : received.substr(0, lineEnd + 1));
  text += protocol::kEndMarker;
  return text;
}

SampleTable DecodeReceived(std::string_view received) {
  if (!received.empty() && received.back() == protocol::kEndMarker)
    return SampleDecoder().Decode(received);
  return SampleDecoder().Decode(WithEndMarker(received));
}
