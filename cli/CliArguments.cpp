#include "cli/CliArguments.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "cli/Translate.h"

namespace cli {

std::string CommandLine::Value(const std::string& name) const {
  const auto it = values.find(name);
  return it == values.end() ? "" : it->second;
}

bool CommandLine::Has(const std::string& name) const {
  return values.count(name) != 0 || switches.count(name) != 0;
}

namespace {

// The arguments after the command's name, last first as the parser takes them. The parser reads
// "--name=" as "--name" and takes the next argument for its value, so an empty value after '=' is
// handed to it as an argument of its own.
std::vector<std::string> ParserOrder(const std::vector<std::string>& args,
                                     const std::set<std::string>& valueOptions) {
  std::vector<std::string> order;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::string name = arg.substr(0, arg.size() - 1);
    if (!optionsEnded && !arg.empty() && arg.back() == '=' && valueOptions.count(name)) {
      order.push_back(name);
      order.push_back("");
    } else {
      // "--" ends the options unless it is an option's value.
      optionsEnded = optionsEnded || (arg == "--" && !valueOptions.count(args[i - 1]));
      order.push_back(arg);
    }
  }
  std::reverse(order.begin(), order.end());
  return order;
}

}  // namespace

CommandLine Parse(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                  const std::set<std::string>& switchOptions, std::size_t positionalCount) {
  CLI::App parser;
  parser.set_help_flag();  // every command's --help is answered before its options are parsed
  parser.allow_extras();   // unknown options are reported below, in the user's language
  // std::map keeps its elements in place, so the parser may write into them.
  std::map<std::string, std::string> values;
  std::map<std::string, std::string> switchValues;
  std::vector<std::string> positional;
  parser.add_option("arguments", positional);
  for (const std::string& name : valueOptions) {
    parser.add_option(name, values[name])->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  }
  // A switch keeps what follows an '=', so that a value given to it can be refused.
  for (const std::string& name : switchOptions) parser.add_flag(name, switchValues[name]);

  const std::string command = args.empty() ? std::string() : args[0];
  const auto refuseUnknownOption = [&parser, &command] {
    for (const std::string& extra : parser.remaining()) {
      // The parser keeps the "--" that ends the options among what it did not use.
      if (extra.size() >= 2 && extra[0] == '-' && extra != "--") {
        throw UsageError(Format(_("unknown option for %s: %s"), command, extra));
      }
    }
  };
  try {
    parser.parse(ParserOrder(args, valueOptions));
  } catch (const CLI::ArgumentMismatch&) {
    // An option that takes a value was the last argument.
    refuseUnknownOption();
    throw UsageError(Format(_("%s needs a value"), args.back()));
  } catch (const CLI::ParseError& error) {
    refuseUnknownOption();
    throw UsageError(error.what());
  }
  refuseUnknownOption();

  CommandLine line;
  for (const std::string& name : valueOptions) {
    if (parser.count(name) != 0) line.values[name] = values[name];
  }
  for (const std::string& name : switchOptions) {
    if (parser.count(name) == 0) continue;
    // A switch given alone reads "true".
    if (switchValues[name] != "true") throw UsageError(Format(_("%s takes no value"), name));
    line.switches.insert(name);
  }
  line.positional = std::move(positional);
  if (line.positional.size() != positionalCount) {
    throw UsageError(Format(_("%s takes %s argument(s) besides its options"), command,
                            std::to_string(positionalCount)));
  }
  return line;
}

long WholeNumber(const std::string& what, const std::string& text, long lowest, long highest) {
  std::size_t used = 0;
  long value = 0;
  try {
    value = std::stol(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (text.empty() || used != text.size() || value < lowest || value > highest) {
    throw UsageError(Format(_("%s must be a whole number from %s to %s, not '%s'"), what,
                            std::to_string(lowest), std::to_string(highest), text));
  }
  return value;
}

std::string RequirePort(const CommandLine& line) {
  const std::string port = line.Value("--port");
  if (port.empty()) throw UsageError(_("--port is missing: name the logger's serial port"));
  return port;
}

std::chrono::milliseconds Timeout(const CommandLine& line) {
  if (!line.Has("--timeout")) return std::chrono::milliseconds(5000);
  return std::chrono::milliseconds(1000 *
                                   WholeNumber("--timeout", line.Value("--timeout"), 1, 3600));
}

}  // namespace cli
