// What the command-line tool does with a download text it received: the table printed, or saved.
#pragma once

#include <iosfwd>
#include <string>

// Decodes a download text; prints the table to `out`, or saves the file when `outPath` is given.
// Nothing is written when the text cannot be decoded. Returns the exit status.
int ShowOrSave(const std::string& text, const std::string& outPath, std::ostream& out,
               std::ostream& err);
