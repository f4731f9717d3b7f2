// The command line of velmorante-cli: exit statuses, the usage error, and the parser that every
// command uses for its options (`--name value` and `--name=value`) and its arguments.
#pragma once

#include <chrono>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

// A mistake on the command line: reported with a pointer to --help, exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // A mistake in the options or arguments of `command` ("history show"), which the report names.
  UsageError(std::string command, const std::string& message)
      : std::runtime_error(message), command_(std::move(command)) {}
  // The whole command the mistake is in; empty when the message says all.
  const std::string& command() const { return command_; }

 private:
  std::string command_;
};

// Arguments of one command: options with a value, switches, and the rest in order.
struct CommandLine {
  std::map<std::string, std::string> values;                  // the last value of each option given
  std::map<std::string, std::vector<std::string>> allValues;  // every value, in order
  std::set<std::string> switches;
  std::vector<std::string> positional;

  std::string Value(const std::string& name) const;
  // Every value of an option that may be given more than once; none when it was not given.
  std::vector<std::string> Values(const std::string& name) const;
  bool Has(const std::string& name) const;
};

// Parses `args` (args[0] is the command's whole name: "history show" for a subcommand, which every
// mistake reported is then said to be in). Options in `valueOptions` take a value, either
// as the next argument or after '='; `switchOptions` take none. Throws UsageError for an unknown
// option, a missing value, a value given to a switch, or a number of arguments other than
// `positionalCount`.
CommandLine Parse(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                  const std::set<std::string>& switchOptions, std::size_t positionalCount);
// The same for a command that takes from `fewest` to `most` arguments.
CommandLine Parse(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                  const std::set<std::string>& switchOptions, std::size_t fewest, std::size_t most);

// `text` as a whole number in [lowest, highest]; UsageError naming `what` otherwise.
long WholeNumber(const std::string& what, const std::string& text, long lowest, long highest);

// The --port value; UsageError when it is missing.
std::string RequirePort(const CommandLine& line);

// The --timeout value in seconds (1..3600, default 5).
std::chrono::milliseconds Timeout(const CommandLine& line);

}  // namespace cli
