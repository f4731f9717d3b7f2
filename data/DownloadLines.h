// The download text as a list of lines. A line ends at CR LF, at a lone CR or at a lone LF (so a
// text saved with other line ends reads the same); an empty line after a final line break is not
// counted.
#pragma once

#include <string_view>
#include <vector>

// The lines of `text`, in order; the views point into `text`.
std::vector<std::string_view> SplitDownloadLines(std::string_view text);
int CountDownloadLines(std::string_view text);
