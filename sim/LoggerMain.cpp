// velmorante-logger: the logger emulator as a program. Prints the path of its port on the first
// line of standard output and serves it until interrupted; SIGUSR1 and SIGUSR2 unplug and plug it
// in again.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/Translate.h"
#include "sim/LoggerEmulator.h"

namespace {

const char kUsage[] = N_(
    "Usage: velmorante-logger [options]\n"
    "Stands in for the humidity and temperature logger on a pseudo-terminal. The first line of\n"
    "output is the path of the port to open; the logger runs until interrupted.\n"
    "\n"
    "Options:\n"
    "  --samples N          samples in memory (default 288; more than 2000 for stress tests)\n"
    "  --rate CODE          sample-rate code 1..6: 1, 5, 10, 15, 30 or 60 minutes (default 2)\n"
    "  --start TIME         start of logging, \"YYYY-MM-DD HH:MM:SS\" (default: N intervals ago)\n"
    "  --clock TIME         the logger's clock at start (default: the computer's local time)\n"
    "  --battery B          battery reading 0..999; the level is B / 2.2 percent (default 180)\n"
    "  --seed S             seed for the curves and the faults (default 1)\n"
    "  --baud B             pace the line at B baud, 0 sends unpaced (default 9600)\n"
    "  --delivery MS        line time handed over at once when paced: 0 a byte at a time as a\n"
    "                       UART delivers it, 16 as a USB serial adapter does (default 2)\n"
    "  --status-period MS   time between status replies (default 1000)\n"
    "  --end-pause MS       pause before the end marker of a download (default 150)\n"
    "  --fault NAME         none, split (replies in pieces), doubled (two replies in one piece),\n"
    "                       noise (stray bytes), hangup (line lost in a download),\n"
    "                       letter (a letter in a sample line), stray (a stray digit\n"
    "                       right before every third reply), glued (a download's end marker\n"
    "                       in one piece with a status reply), nomarker (status replies\n"
    "                       instead of a download's end marker), keepclock (set-clock\n"
    "                       empties the memory, the clock runs on) (default none)\n"
    "  --no-live            do not add samples as the logger's clock runs on\n"
    "  --speed N            N seconds of the logger's clock pass in every second; status\n"
    "                       replies keep their period (default 1)\n"
    "  --link PATH          keep a symbolic link at PATH to the port, also after the\n"
    "                       logger is plugged in again (a symbolic link already there is\n"
    "                       replaced; anything else is refused)\n"
    "  --help               show this text and exit\n"
    "  --version            show the version and exit\n"
    "Each option's value may follow it as the next argument or after '=' (--samples=20).\n"
    "\n"
    "Signals: SIGUSR1 unplugs the logger (a program on the port sees a hang-up, the link\n"
    "goes away; the clock runs on and samples are still recorded), SIGUSR2 plugs it in\n"
    "again on a new port (the link points to it), SIGINT, SIGTERM or SIGHUP stop it.\n"
    "\n"
    "Exit status: 0 stopped by a signal (or --help, --version), 1 the pseudo-terminal could\n"
    "not be opened or the link not made, 2 bad usage.\n");

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "velmorante-logger: " << message << '\n'
            << _("Try 'velmorante-logger --help'.") << '\n';
  std::exit(2);
}

long Number(const std::string& flag, const std::string& text, long lowest, long highest) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || value < lowest || value > highest) {
    Fail(cli::Format(_("%s wants a whole number from %s to %s, not '%s'"), flag,
                     std::to_string(lowest), std::to_string(highest), text));
  }
  return value;
}

std::time_t Time(const std::string& flag, const std::string& text) {
  std::tm tm{};
  char rest = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &rest) != 6 ||
      tm.tm_year < 2000 || tm.tm_year > 2099 || tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 ||
      tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59 || tm.tm_hour < 0 ||
      tm.tm_min < 0 || tm.tm_sec < 0) {
    Fail(cli::Format(_("%s wants a time \"YYYY-MM-DD HH:MM:SS\" in 2000..2099, not '%s'"), flag,
                     text));
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return timegm(&tm);
}

void SetOption(const std::string& flag, const std::string& value, LoggerOptions& options) {
  if (flag == "--samples") {
    options.storedSamples = static_cast<int>(Number(flag, value, 0, 1000000));
  } else if (flag == "--rate") {
    options.rateCode = static_cast<int>(Number(flag, value, 1, 6));
  } else if (flag == "--start") {
    options.startTime = Time(flag, value);
  } else if (flag == "--clock") {
    options.clockTime = Time(flag, value);
  } else if (flag == "--battery") {
    options.batteryReading = static_cast<int>(Number(flag, value, 0, 999));
  } else if (flag == "--seed") {
    options.seed = static_cast<uint32_t>(Number(flag, value, 0, 4294967295L));
  } else if (flag == "--baud") {
    options.baud = static_cast<int>(Number(flag, value, 0, 4000000));
  } else if (flag == "--delivery") {
    options.deliveryMs = static_cast<int>(Number(flag, value, 0, 1000));
  } else if (flag == "--status-period") {
    options.statusPeriodMs = static_cast<int>(Number(flag, value, 1, 3600000));
  } else if (flag == "--end-pause") {
    options.endMarkerPauseMs = static_cast<int>(Number(flag, value, 0, 60000));
  } else if (flag == "--speed") {
    options.speed = static_cast<int>(Number(flag, value, 1, 100000));
  } else if (flag == "--link") {
    if (value.empty()) Fail(cli::Format(_("%s needs a value"), flag));
    options.linkPath = value;
  } else if (flag == "--fault") {
    if (!LoggerFaultFromName(value, options.fault)) {
      Fail(cli::Format(_("unknown fault '%s'"), value));
    }
  }
}

constexpr const char* kValueOptions[] = {
    "--samples",  "--rate",          "--start",     "--clock", "--battery", "--seed", "--baud",
    "--delivery", "--status-period", "--end-pause", "--fault", "--speed",   "--link"};

bool IsValueOption(const std::string& name) {
  return std::find(std::begin(kValueOptions), std::end(kValueOptions), name) !=
         std::end(kValueOptions);
}

// The arguments as the parser takes them, last first. The parser reads "--name=" as "--name" and
// takes the next argument for its value, so an empty value after '=' is handed to it on its own.
std::vector<std::string> ParserOrder(int argc, char** argv) {
  std::vector<std::string> order;
  bool valueNext = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::string name = arg.substr(0, arg.size() - 1);
    if (!valueNext && !arg.empty() && arg.back() == '=' && IsValueOption(name)) {
      order.push_back(name);
      order.push_back("");
      continue;
    }
    valueNext = !valueNext && IsValueOption(arg);
    order.push_back(arg);
  }
  std::reverse(order.begin(), order.end());
  return order;
}

// Reads the command line into `options`, an argument at a time: help and version are printed as
// soon as they come, and the first mistake ends the program with a usage error. Returns the exit
// status when the program is done.
std::optional<int> ReadCommandLine(int argc, char** argv, LoggerOptions& options) {
  CLI::App parser;
  parser.set_help_flag();  // the help is the usage text above, in the user's language
  parser.allow_extras();   // the program takes no arguments; unknown options are reported here
  // What the parser did not know, before the option it has just read, is the first mistake.
  const auto refuseUnknown = [&parser] {
    if (!parser.remaining().empty()) {
      Fail(cli::Format(_("unknown option: %s"), parser.remaining().front()));
    }
  };
  // Each option acts as soon as the parser has read it.
  const auto onSwitch = [&parser, &refuseUnknown](const char* name, std::function<void()> act) {
    parser.add_flag(name)->trigger_on_parse()->each([=](const std::string& value) {
      refuseUnknown();
      const std::string flag = std::string(name).substr(std::string(name).find("--"));
      // A switch given alone reads "true".
      if (value != "true") Fail(cli::Format(_("unknown option: %s"), flag + '=' + value));
      act();
    });
  };
  onSwitch("-h,--help", [] {
    std::cout << _(kUsage);
    throw CLI::Success();
  });
  onSwitch("--version", [] {
    std::cout << "velmorante-logger (Velmorante) " VELMORANTE_VERSION "\n";
    throw CLI::Success();
  });
  onSwitch("--no-live", [&options] { options.recordLive = false; });
  for (const char* name : kValueOptions) {
    parser
        .add_option_function<std::string>(name,
                                          [&, name](const std::string& value) {
                                            refuseUnknown();
                                            SetOption(name, value, options);
                                          })
        ->trigger_on_parse();
  }
  try {
    parser.parse(ParserOrder(argc, argv));
  } catch (const CLI::Success&) {
    return 0;
  } catch (const CLI::ArgumentMismatch&) {
    // An option that takes a value was the last argument.
    refuseUnknown();
    Fail(cli::Format(_("%s needs a value"), std::string(argv[argc - 1])));
  } catch (const CLI::ParseError& error) {
    Fail(error.what());
  }
  refuseUnknown();
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  cli::SetUpMessageLanguage();
  LoggerOptions options;
  if (const std::optional<int> status = ReadCommandLine(argc, argv, options)) return *status;

  // The serving thread inherits this mask, so the signals reach sigwait below only.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  sigaddset(&signals, SIGUSR1);
  sigaddset(&signals, SIGUSR2);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  LoggerEmulator logger(options);
  try {
    logger.Start();
  } catch (const std::exception& e) {
    std::cerr << "velmorante-logger: " << e.what() << '\n';
    return 1;
  }
  std::cout << logger.PortPath() << std::endl;
  std::cerr << "velmorante-logger: "
            << cli::Format(_("serving %s (fault: %s, baud: %s)"), logger.PortPath(),
                           std::string(LoggerFaultName(options.fault)),
                           std::to_string(options.baud))
            << '\n';
  for (;;) {
    int received = 0;
    if (sigwait(&signals, &received) != 0) continue;
    if (received == SIGUSR1) {
      if (logger.Unplugged()) continue;
      logger.Unplug();
      std::cerr << "velmorante-logger: " << _("unplugged") << '\n';
    } else if (received == SIGUSR2) {
      if (!logger.Unplugged()) continue;
      try {
        logger.Replug();
        std::cerr << "velmorante-logger: "
                  << cli::Format(_("plugged in again, serving %s"), logger.PortPath()) << '\n';
      } catch (const std::exception& e) {
        // Stays unplugged; another SIGUSR2 tries again.
        std::cerr << "velmorante-logger: " << e.what() << '\n';
      }
    } else {
      break;
    }
  }
  logger.Stop();
  return 0;
}
