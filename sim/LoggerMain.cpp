// velmorante-logger: the logger emulator as a program. Prints the path of its port on the first
// line of standard output and serves it until interrupted.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>

#include "sim/LoggerEmulator.h"

namespace {

const char kUsage[] =
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
    "                       right before every third reply) (default none)\n"
    "  --no-live            do not add samples as the logger's clock runs on\n"
    "  --help               show this text\n";

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "velmorante-logger: " << message << "\nTry 'velmorante-logger --help'.\n";
  std::exit(2);
}

long Number(const std::string& flag, const char* text, long lowest, long highest) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < lowest || value > highest) {
    Fail(flag + " wants a whole number from " + std::to_string(lowest) + " to " +
         std::to_string(highest) + ", not '" + text + "'");
  }
  return value;
}

std::time_t Time(const std::string& flag, const char* text) {
  std::tm tm{};
  char rest = 0;
  if (std::sscanf(text, "%d-%d-%d %d:%d:%d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                  &tm.tm_min, &tm.tm_sec, &rest) != 6 ||
      tm.tm_year < 2000 || tm.tm_year > 2099 || tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 ||
      tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59 || tm.tm_hour < 0 ||
      tm.tm_min < 0 || tm.tm_sec < 0) {
    Fail(flag + " wants a time \"YYYY-MM-DD HH:MM:SS\" in 2000..2099, not '" + text + "'");
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return timegm(&tm);
}

}  // namespace

int main(int argc, char** argv) {
  LoggerOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--help" || flag == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (flag == "--no-live") {
      options.recordLive = false;
      continue;
    }
    if (i + 1 >= argc) Fail("unknown option or missing value: " + flag);
    const char* value = argv[++i];
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
    } else if (flag == "--fault") {
      if (!LoggerFaultFromName(value, options.fault))
        Fail(std::string("unknown fault '") + value + "'");
    } else {
      Fail("unknown option: " + flag);
    }
  }

  // The serving thread inherits this mask, so the signals reach sigwait below only.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  LoggerEmulator logger(options);
  try {
    logger.Start();
  } catch (const std::exception& e) {
    std::cerr << "velmorante-logger: " << e.what() << '\n';
    return 1;
  }
  std::cout << logger.PortPath() << std::endl;
  std::cerr << "velmorante-logger: serving " << logger.PortPath()
            << " (fault: " << LoggerFaultName(options.fault) << ", baud: " << options.baud << ")\n";
  int received = 0;
  sigwait(&signals, &received);
  logger.Stop();
  return 0;
}
