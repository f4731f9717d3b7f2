// The characters exchanged with the logger: the commands the program writes and the 33-digit status
// reply the logger sends by itself while the line is open.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace protocol {

constexpr int kStatusReplyLength = 33;
constexpr int kLoggerCapacity = 2000;  // samples the logger's memory holds
constexpr char kEndMarker = 'A';

// Command characters. The rate commands skip '3', which opens the set-clock command.
constexpr char kSetClockCommand = '3';
constexpr char kDownloadCommand = '8';
constexpr char kForcedDownloadCommand = 'E';

// One of the logger's six sample rates under every name it goes by.
struct Rate {
  int minutes;          // between two samples
  int code;             // in the status reply and the download header
  char command;         // the one-character rate command
  const char* item;     // the on-screen choice
  const char* caption;  // the data window's rate text
};
constexpr int kRateCount = 6;
// In the order of the on-screen choices 0..5.
inline constexpr Rate kRates[kRateCount] = {
    {1, 1, '1', "1 MINUTO", "CADA 1 MINUTO"},      {5, 2, '2', "5 MINUTOS", "CADA 5 MINUTOS"},
    {10, 3, '4', "10 MINUTOS", "CADA 10 MINUTOS"}, {15, 4, '5', "15 MINUTOS", "CADA 15 MINUTOS"},
    {30, 5, '6', "30 MINUTOS", "CADA 30 MINUTOS"}, {60, 6, '7', "60 MINUTOS", "CADA 60 MINUTOS"}};
// The same minutes and choices as plain arrays, for callers that search or list them.
inline constexpr int kRateMinutes[kRateCount] = {kRates[0].minutes, kRates[1].minutes,
                                                 kRates[2].minutes, kRates[3].minutes,
                                                 kRates[4].minutes, kRates[5].minutes};
inline constexpr const char* kRateItems[kRateCount] = {
    kRates[0].item, kRates[1].item, kRates[2].item, kRates[3].item, kRates[4].item, kRates[5].item};

// The rate with the reply and header code `code`, or with the caption or the minutes given;
// nullptr when none has it.
const Rate* RateOfCode(int code);
const Rate* RateOfCaption(std::string_view caption);
const Rate* RateOfMinutes(long long minutes);

// The memory pointer P of a status reply starts at 6 for an empty memory and counts 4 per sample.
constexpr int kMemoryPointerOrigin = 6;
constexpr int kMemoryPointerStep = 4;
// Samples stored by the pointer's count, (P - 6) / 4: a multiple of 0.25, -1.5 for P = 0.
inline double UsedMemory(int pointer) {
  return static_cast<double>(pointer - kMemoryPointerOrigin) / kMemoryPointerStep;
}

// A reading travels as a high part times 256 plus a low part.
constexpr int kHighPartWeight = 256;
inline int ReadingOf(int high, int low) {
  return high * kHighPartWeight + low;
}

// A download line: four three-digit fields, each a value 000..255, then CR LF. Header lines have
// the same layout.
constexpr int kFieldDigits = 3;
constexpr int kLineFields = 4;
constexpr int kLineDigits = kFieldDigits * kLineFields;
constexpr std::string_view kLineBreak = "\r\n";
constexpr int kLineLength = kLineDigits + static_cast<int>(kLineBreak.size());
// A download opens with two header lines (start date and time, then the rate) before its samples.
constexpr int kHeaderLines = 2;
// Characters of a download of `samples` samples before its end marker.
constexpr std::size_t DownloadSize(std::size_t samples) {
  return (kHeaderLines + samples) * static_cast<std::size_t>(kLineLength);
}
// Whole sample lines among the first `characters` characters of a download.
constexpr std::size_t SamplesIn(std::size_t characters) {
  const std::size_t header = DownloadSize(0);
  return characters > header ? (characters - header) / static_cast<std::size_t>(kLineLength) : 0;
}

// Relative humidity in percent from channel 1's reading in millivolts: 620 mV at 0 % and 24.8 mV
// per percent. The reading less 620 is divided in two steps in extended precision, first by 24.8
// thousandths held as an extended constant, then by 1000 held as a single-precision constant; each
// caller narrows the result to the precision it keeps.
long double HumidityPercent(long long reading);

// Temperature in degrees Celsius from channel 2's reading in millivolts: 500 mV at 0 degrees and
// 10 mV per degree. `Real` is the precision of the division, chosen by the caller.
template <typename Real>
Real TemperatureCelsius(long long reading) {
  return static_cast<Real>(reading - 500) / 10;
}

// One-character rate command for on-screen choice 0..5: "1", "2", "4", "5", "6", "7".
// Throws std::out_of_range for another choice.
std::string RateCommand(int choice);

// "E" for the forced complete download, else "8".
std::string DownloadCommand(bool forced);

// The set-clock command as the 13 one-character writes: "3", then hour, minute, second, day, month
// and two-digit year, two digits each, from `localTime`.
std::vector<std::string> SetClockWrites(const std::tm& localTime);

// The run-time library's conversion error: "'%s' is not a valid integer value" and its float twin.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
EConvertError NotAnInteger(std::string_view text);
// The same text as a string, which keeps every byte of `text` (what() of an error stops at a NUL).
std::string NotAnIntegerText(std::string_view text);
EConvertError NotAFloat(std::string_view text);

// Battery level in percent from the reading B of a reply: B / 2.2 in single precision, as the
// level is shown, and at most 100.
float BatteryPercent(int reading);
// A level above this counts as a good battery, below it the batteries want replacing. No
// three-digit reading gives exactly this level (167 gives 75.9, 168 gives 76.4).
constexpr float kGoodBatteryPercent = 76;
inline bool BatteryIsGood(float percent) {
  return percent > kGoodBatteryPercent;
}

// Digit value of one character; throws NotAnInteger(text of the character) for a non-digit.
int DigitValue(char c);

// Every value a status reply carries, as read from its 33 digits.
struct StatusReply {
  std::string minute, hour, day, month, year, second;  // two characters each, as received
  int battery = 0;                                     // B, positions 13-15
  int rateCode = 0;                                    // position 17
  int raw1 = 0, raw2 = 0;                              // channel readings
  int memoryPointer = 0;                               // P
  double usedMemory() const { return UsedMemory(memoryPointer); }
};

// Converts a 33-character reply; throws EConvertError on the first non-digit. A reply of another
// length is a programming error (std::invalid_argument).
StatusReply ParseStatusReply(std::string_view reply);

// The logger's clock runs on real time, so a reply read out of step shows itself by a field no
// clock can hold: minute or second above 59, hour above 23, day above 31, month above 12. Returns
// a description of the first such field, or nothing. Day and month 00 pass: a logger whose clock
// was never set may report them.
std::optional<std::string> ImpossibleClockField(const StatusReply& reply);

// Shortest general form with up to 15 significant digits and a decimal comma: 65, 65,25, -1,5,
// 0,25. Values from 1E15 up, or below 1E-5, are written in exponent form: 1E15, 1,5E-7.
std::string GeneralNumberText(double value);

}  // namespace protocol
