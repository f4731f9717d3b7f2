#include "cli/CommandHelp.h"

#include <sstream>
#include <vector>

namespace cli {

std::string CommandHelp(const std::string& usage, const std::string& command) {
  std::vector<std::string> lines;
  std::istringstream in(usage);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  // The list of commands: the indented lines after the first line ending in ':'.
  std::size_t first = 0;
  while (first < lines.size() && (lines[first].empty() || lines[first].back() != ':')) ++first;
  std::size_t end = first + 1;
  while (end < lines.size() && !lines[end].empty() && lines[end][0] == ' ') ++end;
  if (first >= lines.size()) return usage;

  const std::string start = "  " + command;
  std::string text = lines.front() + "\n\n";
  bool inCommand = false;
  bool found = false;
  for (std::size_t i = first + 1; i < end; ++i) {
    const std::string& line = lines[i];
    const bool startsCommand = line.size() > 2 && line[2] != ' ';
    if (startsCommand) {
      inCommand = line.compare(0, start.size(), start) == 0 &&
                  (line.size() == start.size() || line[start.size()] == ' ');
    }
    if (inCommand) {
      text += line + '\n';
      found = true;
    }
  }
  if (!found) return usage;
  text += '\n';
  for (std::size_t i = end; i < lines.size(); ++i) text += lines[i] + '\n';
  return text;
}

}  // namespace cli
