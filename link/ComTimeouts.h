// Time limits of a serial port's reads and writes, in milliseconds (-1: none). A change re-applies
// the time limits.
#pragma once

class TCustomComPort;

class TComTimeouts {
 public:
  explicit TComTimeouts(TCustomComPort& port) : port_(port) {}
  int ReadInterval() const { return readInterval_; }
  void SetReadInterval(int value);
  int ReadTotalMultiplier() const { return readTotalMultiplier_; }
  void SetReadTotalMultiplier(int value);
  int ReadTotalConstant() const { return readTotalConstant_; }
  void SetReadTotalConstant(int value);
  int WriteTotalMultiplier() const { return writeTotalMultiplier_; }
  void SetWriteTotalMultiplier(int value);
  int WriteTotalConstant() const { return writeTotalConstant_; }
  void SetWriteTotalConstant(int value);

 private:
  TCustomComPort& port_;
  int readInterval_ = -1;
  int readTotalMultiplier_ = 0;
  int readTotalConstant_ = 0;
  int writeTotalMultiplier_ = 100;
  int writeTotalConstant_ = 1000;
};
