// The saved data file: one line per sample, the cells as shown, two spaces between them, CR LF.
#include "data/SavedFileFormat.h"

std::string SavedFileLine(const SampleTable::Row& row) {
  std::string line;
  line.reserve(row[1].size() + row[2].size() + row[3].size() + row[4].size() + 8);
  line.append(row[1]).append("  ").append(row[2]).append("  ");
  line.append(row[3]).append("  ").append(row[4]).append("\r\n");
  return line;
}

std::string SavedFileText(const SampleTable& table) {
  std::string text;
  if (table.rows.size() <= 1) return text;
  text.reserve((table.rows.size() - 1) * 40);
  for (std::size_t k = 1; k < table.rows.size(); ++k) {
    const SampleTable::Row& row = table.rows[k];
    text.append(row[1]).append("  ").append(row[2]).append("  ");
    text.append(row[3]).append("  ").append(row[4]).append("\r\n");
  }
  return text;
}
