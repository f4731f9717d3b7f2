// The download text as lines. CR LF is what the logger sends; a lone CR or a lone LF also ends a
// line, so a text that passed through an editor or another platform reads the same.
#include "data/DownloadLines.h"

int CountDownloadLines(std::string_view text) {
  int count = 0;
  ForEachDownloadLine(text, [&](std::string_view) { ++count; });
  return count;
}

std::vector<std::string_view> SplitDownloadLines(std::string_view text) {
  std::vector<std::string_view> lines;
  lines.reserve(static_cast<std::size_t>(CountDownloadLines(text)));
  ForEachDownloadLine(text, [&](std::string_view line) { lines.push_back(line); });
  return lines;
}
