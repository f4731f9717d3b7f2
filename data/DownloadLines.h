// The download text as a list of lines. A line ends at CR LF, at a lone CR or at a lone LF (so a
// text saved with other line ends reads the same); an empty line after a final line break is not
// counted.
#pragma once

#include <string_view>
#include <vector>

// Calls `visit` with every line of `text`, in order, without keeping them: a view into `text`.
template <typename Visit>
void ForEachDownloadLine(std::string_view text, Visit visit) {
  const std::size_t size = text.size();
  std::size_t start = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    visit(text.substr(start, i - start));
    if (c == '\r' && i + 1 < size && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  // A final line without a break counts; the empty rest after a final break does not.
  if (start < size) visit(text.substr(start));
}

// The lines of `text`, in order; the views point into `text`.
std::vector<std::string_view> SplitDownloadLines(std::string_view text);
int CountDownloadLines(std::string_view text);
