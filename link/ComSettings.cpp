// The four setting objects of the port, the rate table and the settings of the main window's port.
// A setter that changes its value re-applies its group of settings; the port decides whether that
// reaches the line (only while open and not inside BeginChange/EndChange or loading).
#include "link/CPort.h"
#include "link/SettingAssign.h"

int BaudRateValue(TBaudRate rate) {
  static const int kRates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                               14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
  const int index = static_cast<int>(rate);
  if (index < 0 || index >= static_cast<int>(sizeof kRates / sizeof kRates[0])) return 0;
  return kRates[index];
}

void TComParity::SetBits(TParityBits value) {
  if (Assign(bits_, value)) port_.ApplyLineState();
}
void TComParity::SetCheck(bool value) {
  if (Assign(check_, value)) port_.ApplyLineState();
}
void TComParity::SetReplace(bool value) {
  if (Assign(replace_, value)) port_.ApplyLineState();
}
void TComParity::SetReplaceChar(uint8_t value) {
  if (Assign(replaceChar_, value)) port_.ApplyLineState();
}

void TComFlowControl::SetOutCTSFlow(bool value) {
  if (Assign(outCTSFlow_, value)) port_.ApplyLineState();
}
void TComFlowControl::SetOutDSRFlow(bool value) {
  if (Assign(outDSRFlow_, value)) port_.ApplyLineState();
}
void TComFlowControl::SetControlDTR(TDTRFlowControl value) {
  if (Assign(controlDTR_, value)) port_.ApplyLineState();
}
void TComFlowControl::SetControlRTS(TRTSFlowControl value) {
  if (Assign(controlRTS_, value)) port_.ApplyLineState();
}
void TComFlowControl::SetXonXoffOut(bool value) {
  if (Assign(xonXoffOut_, value)) port_.ApplyLineState();
}
void TComFlowControl::SetXonXoffIn(bool value) {
  if (Assign(xonXoffIn_, value)) port_.ApplyLineState();
}
void TComFlowControl::SetDSRSensitivity(bool value) {
  if (Assign(dsrSensitivity_, value)) port_.ApplyLineState();
}
void TComFlowControl::SetTxContinueOnXoff(bool value) {
  if (Assign(txContinueOnXoff_, value)) port_.ApplyLineState();
}
void TComFlowControl::SetXonChar(uint8_t value) {
  if (Assign(xonChar_, value)) port_.ApplyLineState();
}
void TComFlowControl::SetXoffChar(uint8_t value) {
  if (Assign(xoffChar_, value)) port_.ApplyLineState();
}

TFlowControl TComFlowControl::FlowControl() const {
  const bool xonXoff = xonXoffIn_ && xonXoffOut_;
  const bool noXonXoff = !xonXoffIn_ && !xonXoffOut_;
  if (controlRTS_ == rtsHandshake && outCTSFlow_ && noXonXoff) return fcHardware;
  if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoff) return fcSoftware;
  if (controlRTS_ == rtsDisable && !outCTSFlow_ && noXonXoff) return fcNone;
  return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
  if (value != fcCustom) {
    controlRTS_ = rtsDisable;
    outCTSFlow_ = false;
    xonXoffIn_ = false;
    xonXoffOut_ = false;
    if (value == fcHardware) {
      controlRTS_ = rtsHandshake;
      outCTSFlow_ = true;
    } else if (value == fcSoftware) {
      xonXoffIn_ = true;
      xonXoffOut_ = true;
    }
  }
  port_.ApplyLineState();
}

void TComTimeouts::SetReadInterval(int value) {
  if (Assign(readInterval_, value)) port_.ApplyTimeLimits();
}
void TComTimeouts::SetReadTotalMultiplier(int value) {
  if (Assign(readTotalMultiplier_, value)) port_.ApplyTimeLimits();
}
void TComTimeouts::SetReadTotalConstant(int value) {
  if (Assign(readTotalConstant_, value)) port_.ApplyTimeLimits();
}
void TComTimeouts::SetWriteTotalMultiplier(int value) {
  if (Assign(writeTotalMultiplier_, value)) port_.ApplyTimeLimits();
}
void TComTimeouts::SetWriteTotalConstant(int value) {
  if (Assign(writeTotalConstant_, value)) port_.ApplyTimeLimits();
}

// The driver's queues are handed over in whole words, so the sizes are kept even.
void TComBuffer::SetInputSize(int value) {
  if (value % 2 != 0) --value;
  if (Assign(inputSize_, value)) port_.ApplyQueueSizes();
}
void TComBuffer::SetOutputSize(int value) {
  if (value % 2 != 0) --value;
  if (Assign(outputSize_, value)) port_.ApplyQueueSizes();
}

void ApplyLoggerLineSettings(TCustomComPort& port) {
  port.Timeouts().SetReadInterval(1);
  port.Buffer().SetInputSize(128000);
}
