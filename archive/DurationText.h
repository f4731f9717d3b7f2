// Lengths of time as an operator writes them: a whole number and a unit ("30s", "10m", "6h",
// "1d"), or several from the largest unit down ("1d12h", "1h30m"). Read and written the same way
// in every language: no locale is consulted.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// The length `text` gives; none for an empty text, a number without its unit, an unknown unit,
// units out of order or repeated, spaces or signs, or a length beyond a hundred years.
std::optional<std::chrono::seconds> ParseDuration(std::string_view text);

// The shortest text ParseDuration reads back as `length` ("1d12h", "90s" as "1m30s", "0s").
// A negative length is written as "0s".
std::string DurationText(std::chrono::seconds length);
