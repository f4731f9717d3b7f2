// The serial port component's one error: the reason that failed (1 to 23, named below), the
// system's errno and the component's English text; and the few causes an operator can act on,
// classified here once for every front end (the windows' Spanish advice, the command-line tool).
#pragma once

#include <stdexcept>
#include <string>

// The reasons of EComPort, by the operation that failed.
enum ComErrorReason : int {
  kReasonOpenFailed = 1,
  kReasonWriteFailed = 2,
  kReasonReadFailed = 3,
  kReasonPurgeFailed = 5,
  kReasonSetStateFailed = 7,
  kReasonPendingInputFailed = 10,
  kReasonModemLinesFailed = 11,
  kReasonConnected = 14,
  kReasonWaitFailed = 21,
  kReasonPortListFailed = 23,
};

class EComPort : public std::runtime_error {
 public:
  // The message is the reason's text, followed by " (win error code: %d)" when systemError is not
  // -1 (on POSIX the number is errno).
  explicit EComPort(int reason, int systemError = -1);
  // An error with a text of its own (an exception out of a handler that was not a port error).
  EComPort(int reason, int systemError, const std::string& message);
  static const char* ReasonText(int reason);  // reasons 1..23

  int Reason;
  int SystemError;
};

// The usual causes of a port error, which an operator can do something about.
enum class PortProblem {
  kOther,
  kMissing,        // opening: no such device (the adapter is not plugged in)
  kBusy,           // opening: another program has the port
  kAccessRefused,  // opening: the user may not open the device (on Linux: not in "dialout")
  kLineLost,       // the device went away while open (unplugged, the far end hung up)
};

PortProblem ProblemOf(const EComPort& error);
