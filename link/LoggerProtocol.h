// The characters exchanged with the logger: the commands the program writes and the 33-digit status
// reply the logger sends by itself while the line is open.
#pragma once

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
constexpr int kRateCount = 6;

// The six rates in the order of the on-screen choices 0..5.
extern const int kRateMinutes[kRateCount];        // 1, 5, 10, 15, 30, 60
extern const char* const kRateItems[kRateCount];  // "1 MINUTO" ... "60 MINUTOS"

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
  double usedMemory() const { return (memoryPointer - 6) / 4.0; }
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
