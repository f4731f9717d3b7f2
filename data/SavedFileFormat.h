// The saved data file: one line per sample, the cells as shown, two spaces between them, CR LF.
#pragma once

#include <string>

#include "data/SampleTable.h"

// One saved-file line: date, 2 spaces, time, 2 spaces, channel 1, 2 spaces, channel 2, CR LF.
std::string SavedFileLine(const SampleTable::Row& row);
// The whole saved file: rows 1..N, no heading.
std::string SavedFileText(const SampleTable& table);
