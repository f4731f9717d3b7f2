// Numbers written for files and people: a fixed count of decimals, the half rounded away from zero
// on the double's exact binary value (so 0.25 gives "0.3" and 0.35, stored just below, "0.3"),
// never an exponent and never "-0.0".
#pragma once

#include <string>

namespace analysis {

// `value` with `decimals` (0..6) digits after `point`. Empty for NaN and infinity, which no file
// format here can hold as a number.
std::string RoundedText(double value, int decimals, char point = '.');

}  // namespace analysis
