// The two channels' engineering values from the logger's readings, and the one-decimal text that
// the table shows for a value.
#pragma once

#include <string>

// Text of one channel value: one decimal, decimal comma, at most four significant digits, a
// remaining half rounded away from zero on the exact value of the double, "0,0" never signed
// ("1,3" for 1.25, "-0,1", "1185,0" for 1184.5). A value whose integer part needs five digits or
// more is written with four significant digits in exponent form: "2,562E+4", "-1,000E+5".
std::string ChannelValueText(double value);
// The table's values of the two channels, kept as doubles: relative humidity in percent and
// temperature in degrees Celsius, both computed in extended precision.
double HumidityFromReading(int r1);
double TemperatureFromReading(int r2);
