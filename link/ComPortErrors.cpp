// The port's error: reason numbers, their fixed English texts and the message built from them.
#include <string>

#include "link/CPort.h"

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
