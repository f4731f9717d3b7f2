// Fixed-point number texts with a decimal comma, as the instrument displays show them.
#pragma once

#include <string>

// `value` rounded to `decimals` places, half away from zero, with `separator` before the decimals
// and no thousands grouping ("###0.0" is decimals 1, "##0" is decimals 0). Rounding works on the
// value's 15 significant decimal digits, so 0.15 gives "0,2" and -1.25 gives "-1,3" as an operator
// expects, not what the nearest binary fraction would give. A result that rounds to zero carries no
// sign ("0,0", never "-0,0"). Not-a-number and infinities give "---".
std::string FormatDecimal(double value, int decimals, char separator = ',');
