// What the command-line tool does with a download text it received: the table printed, or saved.
#pragma once

#include <iosfwd>
#include <string>

#include "data/ImpossibleReadings.h"

// Decodes a download text; prints the table to `out`, or saves the file when `outPath` is given.
// Nothing is written when the text cannot be decoded. Returns the exit status.
int ShowOrSave(const std::string& text, const std::string& outPath, std::ostream& out,
               std::ostream& err);

// What `found` in `table` is, for the terminal: "raw.txt, sample 7: a humidity of 10327.5 % is
// beyond every 12-bit reading of the sensor; ...". `source` names the download.
std::string ImpossibleReadingText(const ImpossibleReading& found, const SampleTable& table,
                                  const std::string& source);
