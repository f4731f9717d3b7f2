// Writes a table's display rows from its samples' numbers.
#include "data/DisplayRows.h"

#include <string>

#include "data/ChannelValueText.h"
#include "data/TimeStamps.h"

void FillDisplayRows(SampleTable& table) {
  table.rows.assign(table.samples.size() + 1, SampleTable::Row{});
  table.rows[0] = {"", " FECHA:", " HORA:", "CANAL 1", "CANAL 2"};
  for (std::size_t k = 1; k <= table.samples.size(); ++k) {
    const SampleNumbers& numbers = table.samples[k - 1];
    SampleTable::Row& row = table.rows[k];
    row[0] = std::to_string(k);
    if (numbers.hasStamp) {
      // The numbers hold the year in full; the date text takes the logger's year after 2000.
      row[1] = DateText(numbers.day, numbers.month, numbers.year - 2000);
      row[2] = TimeText(numbers.hour, numbers.minute, numbers.second);
    }
    if (numbers.hasValues) {
      row[3] = ChannelValueText(numbers.humidity);
      row[4] = ChannelValueText(numbers.temperature);
    }
  }
}
