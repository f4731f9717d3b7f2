// The download text as lines. CR LF is what the logger sends; a lone CR or a lone LF also ends a
// line, so a text that passed through an editor or another platform reads the same.
#include "data/DownloadLines.h"

namespace {

// Calls `line` for every line of `text`, in order.
template <typename Visit>
void ForEachLine(std::string_view text, Visit line) {
  const std::size_t size = text.size();
  std::size_t start = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    line(text.substr(start, i - start));
    if (c == '\r' && i + 1 < size && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  // A final line without a break counts; the empty rest after a final break does not.
  if (start < size) line(text.substr(start));
}

}  // namespace

int CountDownloadLines(std::string_view text) {
  int count = 0;
  ForEachLine(text, [&](std::string_view) { ++count; });
  return count;
}

std::vector<std::string_view> SplitDownloadLines(std::string_view text) {
  std::vector<std::string_view> lines;
  lines.reserve(static_cast<std::size_t>(CountDownloadLines(text)));
  ForEachLine(text, [&](std::string_view line) { lines.push_back(line); });
  return lines;
}
