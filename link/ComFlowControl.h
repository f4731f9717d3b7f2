// Flow control settings of a serial port: the modem lines that pace sending, how DTR and RTS are
// driven, and XON/XOFF. A change re-applies the line state.
#pragma once

#include <cstdint>

#include "link/ComSettingTypes.h"

class TCustomComPort;

class TComFlowControl {
 public:
  explicit TComFlowControl(TCustomComPort& port) : port_(port) {}
  bool OutCTSFlow() const { return outCTSFlow_; }
  void SetOutCTSFlow(bool value);
  bool OutDSRFlow() const { return outDSRFlow_; }
  void SetOutDSRFlow(bool value);
  TDTRFlowControl ControlDTR() const { return controlDTR_; }
  void SetControlDTR(TDTRFlowControl value);
  TRTSFlowControl ControlRTS() const { return controlRTS_; }
  void SetControlRTS(TRTSFlowControl value);
  bool XonXoffOut() const { return xonXoffOut_; }
  void SetXonXoffOut(bool value);
  bool XonXoffIn() const { return xonXoffIn_; }
  void SetXonXoffIn(bool value);
  bool DSRSensitivity() const { return dsrSensitivity_; }
  void SetDSRSensitivity(bool value);
  bool TxContinueOnXoff() const { return txContinueOnXoff_; }
  void SetTxContinueOnXoff(bool value);
  uint8_t XonChar() const { return xonChar_; }
  void SetXonChar(uint8_t value);
  uint8_t XoffChar() const { return xoffChar_; }
  void SetXoffChar(uint8_t value);
  // Derived summary of the fields above, read and written by the setup dialog.
  TFlowControl FlowControl() const;
  void SetFlowControl(TFlowControl value);

 private:
  TCustomComPort& port_;
  bool outCTSFlow_ = false;
  bool outDSRFlow_ = false;
  TDTRFlowControl controlDTR_ = dtrDisable;
  TRTSFlowControl controlRTS_ = rtsDisable;
  bool xonXoffOut_ = false;
  bool xonXoffIn_ = false;
  bool dsrSensitivity_ = false;
  bool txContinueOnXoff_ = false;
  uint8_t xonChar_ = 17;
  uint8_t xoffChar_ = 19;
};
