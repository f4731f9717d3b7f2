#include "cli/CliArguments.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "cli/Translate.h"

namespace cli {

std::string CommandLine::Value(const std::string& name) const {
  const auto it = values.find(name);
  return it == values.end() ? "" : it->second;
}

std::vector<std::string> CommandLine::Values(const std::string& name) const {
  const auto it = allValues.find(name);
  return it == allValues.end() ? std::vector<std::string>() : it->second;
}

bool CommandLine::Has(const std::string& name) const {
  return values.count(name) != 0 || switches.count(name) != 0;
}

namespace {

// The arguments after the command's name as the parser takes them (last first), how many of them
// follow the "--" that ends the options, which of them are an option's value (by their place in
// the command line), and where the first switch given a value is (none: 0).
struct ParserInput {
  std::vector<std::string> order;
  std::set<std::size_t> values;
  std::size_t afterOptions = 0;
  std::size_t switchWithValue = 0;
};

// Readies the arguments for the parser, which reads a few of them otherwise than this tool always
// has: "--name=" with an empty value (it would take the next argument for the value) is handed
// over as "--name" and an empty argument, and a value given to a switch is noted to be refused (the
// parser would take some for the switch's setting).
ParserInput PrepareArguments(const std::vector<std::string>& args,
                             const std::set<std::string>& valueOptions,
                             const std::set<std::string>& switchOptions) {
  ParserInput input;
  bool optionsEnded = false;
  bool valueNext = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (optionsEnded) {
      ++input.afterOptions;
    } else if (valueNext) {
      valueNext = false;
      input.values.insert(i);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (equals == std::string::npos) {
      valueNext = valueOptions.count(arg) != 0;
    } else if (switchOptions.count(name)) {
      if (input.switchWithValue == 0) input.switchWithValue = i;
    } else if (equals + 1 == arg.size() && valueOptions.count(name)) {
      input.order.push_back(name);
      input.order.push_back("");
      continue;
    }
    input.order.push_back(arg);
  }
  std::reverse(input.order.begin(), input.order.end());
  return input;
}

}  // namespace

CommandLine Parse(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                  const std::set<std::string>& switchOptions, std::size_t positionalCount) {
  return Parse(args, valueOptions, switchOptions, positionalCount, positionalCount);
}

CommandLine Parse(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                  const std::set<std::string>& switchOptions, std::size_t fewest,
                  std::size_t most) {
  CLI::App parser;
  parser.set_help_flag();  // every command's --help is answered before its options are parsed
  parser.allow_extras();   // unknown options are reported below, in the user's language
  // std::map keeps its elements in place, so the parser may write into them.
  std::map<std::string, std::string> values;
  std::vector<std::string> positional;
  parser.add_option("arguments", positional);
  for (const std::string& name : valueOptions) {
    parser.add_option(name, values[name])->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  }
  for (const std::string& name : switchOptions) parser.add_flag(name);

  const std::string command = args.empty() ? std::string() : args[0];
  ParserInput input = PrepareArguments(args, valueOptions, switchOptions);
  bool valueMissing = false;
  try {
    parser.parse(input.order);
  } catch (const CLI::ArgumentMismatch&) {
    valueMissing = true;  // an option that takes a value was the last argument
  } catch (const CLI::ParseError& error) {
    throw UsageError(command, error.what());
  }
  // What the parser took for arguments, also when it stopped at a missing value.
  const std::vector<std::string> arguments = parser.get_option("arguments")->results();

  // The first mistake on the line is the one reported. Unknown options are what the parser did
  // not know (but the "--" that ends the options, which it keeps there too), and what it took for
  // an argument although it came before "--" and starts with a dash ("-5", "---x").
  std::set<std::string> unknown;
  for (const std::string& extra : parser.remaining()) {
    if (extra != "--") unknown.insert(extra);
  }
  for (std::size_t i = 0; i + input.afterOptions < arguments.size(); ++i) {
    if (arguments[i].size() >= 2 && arguments[i][0] == '-') unknown.insert(arguments[i]);
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (input.values.count(i)) continue;
    if (i == input.switchWithValue) {
      throw UsageError(command,
                       Format(_("%s takes no value"), args[i].substr(0, args[i].find('='))));
    }
    if (unknown.count(args[i])) {
      throw UsageError(command, Format(_("unknown option %s"), args[i]));
    }
  }
  if (valueMissing) throw UsageError(command, Format(_("%s needs a value"), args.back()));

  CommandLine line;
  for (const std::string& name : valueOptions) {
    if (parser.count(name) != 0) {
      line.values[name] = values[name];
      line.allValues[name] = parser.get_option(name)->results();
    }
  }
  for (const std::string& name : switchOptions) {
    if (parser.count(name) != 0) line.switches.insert(name);
  }
  line.positional = std::move(positional);
  if (line.positional.size() < fewest || line.positional.size() > most) {
    if (fewest == most) {
      throw UsageError(command,
                       Format(_("takes %s argument(s) besides its options, not %s"),
                              std::to_string(fewest), std::to_string(line.positional.size())));
    }
    throw UsageError(command, Format(_("takes %s to %s argument(s) besides its options, not %s"),
                                     std::to_string(fewest), std::to_string(most),
                                     std::to_string(line.positional.size())));
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
