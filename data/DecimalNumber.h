// Reading a decimal number written by a person or by this program ("45,5", "-0,1", "2,562E+4"),
// the same whatever the process locale: the C library's locale-dependent readers are not used.
#pragma once

#include <optional>
#include <string_view>

struct DecimalSyntax {
  bool pointToo = false;  // a decimal point is read like the decimal comma
  bool exponent = false;  // "E+4" / "e-2" after the digits
};

// What the saved table holds: decimal comma, exponent for very large values ("2,562E+4").
inline constexpr DecimalSyntax kTableNumber{false, true};
// What an operator types: comma or point, no exponent ("45,5", "45.5").
inline constexpr DecimalSyntax kTypedNumber{true, false};

// The finite value of `text`: an optional sign, digits with at most one decimal mark (digits on at
// least one side of it) and, when allowed, an exponent. Blanks and tabs around it are allowed;
// anything else (a thousands separator, "inf", "0x1p3", an empty text) gives nothing.
std::optional<double> ParseDecimalNumber(std::string_view text, DecimalSyntax syntax = {});
