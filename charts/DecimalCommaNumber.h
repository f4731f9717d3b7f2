// Reading a table cell as a floating-point number written with a decimal comma ("23,5", "-3",
// "1,5E+2"). Blanks around the number are allowed; a point, a thousands separator or anything else
// makes the text invalid.
#pragma once

#include <optional>
#include <string_view>

std::optional<double> ParseDecimalComma(std::string_view text);
