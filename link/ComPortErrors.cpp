// The port's error: reason numbers, their fixed English texts, the message built from them, and the
// classification of the usual causes.
#include <cerrno>
#include <string>

#include "link/ComPortError.h"

namespace {

const char* const kReasonTexts[] = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};
constexpr int kReasonCount = sizeof(kReasonTexts) / sizeof(kReasonTexts[0]);

std::string ComposeMessage(int reason, int systemError) {
  std::string message = EComPort::ReasonText(reason);
  if (systemError != -1) {
    message += " (win error code: " + std::to_string(systemError) + ")";
  }
  return message;
}

}  // namespace

EComPort::EComPort(int reason, int systemError)
    : std::runtime_error(ComposeMessage(reason, systemError)),
      Reason(reason),
      SystemError(systemError) {}

EComPort::EComPort(int reason, int systemError, const std::string& message)
    : std::runtime_error(message), Reason(reason), SystemError(systemError) {}

const char* EComPort::ReasonText(int reason) {
  if (reason < 1 || reason > kReasonCount) return "Unknown serial port error";
  return kReasonTexts[reason - 1];
}

PortProblem ProblemOf(const EComPort& error) {
  const int system = error.SystemError;
  const bool opening = error.Reason == kReasonOpenFailed;
  if (system == EIO || (!opening && (system == ENXIO || system == ENODEV)))
    return PortProblem::kLineLost;
  if (!opening) return PortProblem::kOther;
  switch (system) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return PortProblem::kMissing;
    case EBUSY:
      return PortProblem::kBusy;
    case EACCES:
    case EPERM:
      return PortProblem::kAccessRefused;
    default:
      return PortProblem::kOther;
  }
}
