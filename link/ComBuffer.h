// Sizes of a serial port's input and output queues, in bytes. A change re-applies the queue sizes.
#pragma once

class TCustomComPort;

class TComBuffer {
 public:
  explicit TComBuffer(TCustomComPort& port) : port_(port) {}
  int InputSize() const { return inputSize_; }
  void SetInputSize(int value);  // an odd size is stored less one
  int OutputSize() const { return outputSize_; }
  void SetOutputSize(int value);

 private:
  TCustomComPort& port_;
  int inputSize_ = 1024;
  int outputSize_ = 1024;
};
