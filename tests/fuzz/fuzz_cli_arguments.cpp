// Feeds the command line's parser arbitrary arguments: it returns what it was given or refuses
// with a usage error, and never anything else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliArguments.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

// Input layout: one byte for the number of positional arguments wanted (0..3), then the
// arguments separated by NUL bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::size_t positional = data[0] % 4;
  std::vector<std::string> args = {"status"};
  std::string current;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  args.push_back(current);
  try {
    const cli::CommandLine line = cli::Parse(args, {"--port", "--count", "--timeout", "--out"},
                                             {"--json", "--force"}, positional);
    Check(line.positional.size() == positional);
    for (const auto& [name, value] : line.values)
      Check(line.Has(name) && line.Value(name) == value);
    if (line.Has("--count")) cli::WholeNumber("--count", line.Value("--count"), 1, 1000000);
    const auto timeout = cli::Timeout(line);
    Check(timeout.count() >= 1000 && timeout.count() <= 3600 * 1000);
  } catch (const cli::UsageError&) {
    // A refusal is a fine answer to any input.
  }
  return 0;
}
