#include "cli/CliArguments.h"

#include "cli/Translate.h"

namespace cli {

std::string CommandLine::Value(const std::string& name) const {
  const auto it = values.find(name);
  return it == values.end() ? "" : it->second;
}

bool CommandLine::Has(const std::string& name) const {
  return values.count(name) != 0 || switches.count(name) != 0;
}

CommandLine Parse(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                  const std::set<std::string>& switchOptions, std::size_t positionalCount) {
  CommandLine line;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      line.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (valueOptions.count(name)) {
      if (equals != std::string::npos) {
        line.values[name] = arg.substr(equals + 1);
      } else {
        if (i + 1 >= args.size()) throw UsageError(Format(_("%s needs a value"), name));
        line.values[name] = args[++i];
      }
    } else if (switchOptions.count(name)) {
      if (equals != std::string::npos) {
        throw UsageError(Format(_("%s takes no value"), name));
      }
      line.switches.insert(name);
    } else {
      throw UsageError(Format(_("unknown option for %s: %s"), args[0], arg));
    }
  }
  if (line.positional.size() != positionalCount) {
    throw UsageError(Format(_("%s takes %s argument(s) besides its options"), args[0],
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
