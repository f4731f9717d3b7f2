// Display rows for a table that holds only its samples' numbers (a station's record put together
// from many downloads): the same texts the decoder writes for a download's rows.
#pragma once

#include "data/SampleTable.h"

// Replaces `table.rows` with the heading row and one row per sample: its number (1, 2, 3...), its
// date and time when it has a time stamp, its two channel texts when it has values.
void FillDisplayRows(SampleTable& table);
