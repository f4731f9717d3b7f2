// Parity settings of a serial port: the parity bits, whether received parity is checked, and the
// character that replaces one received with a parity error. A change re-applies the line state.
#pragma once

#include <cstdint>

#include "link/ComSettingTypes.h"

class TCustomComPort;

class TComParity {
 public:
  explicit TComParity(TCustomComPort& port) : port_(port) {}
  TParityBits Bits() const { return bits_; }
  void SetBits(TParityBits value);
  bool Check() const { return check_; }
  void SetCheck(bool value);
  bool Replace() const { return replace_; }
  void SetReplace(bool value);
  uint8_t ReplaceChar() const { return replaceChar_; }
  void SetReplaceChar(uint8_t value);

 private:
  TCustomComPort& port_;
  TParityBits bits_ = prNone;
  bool check_ = false;
  bool replace_ = false;
  uint8_t replaceChar_ = 0;
};
