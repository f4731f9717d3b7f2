// Serial port component: opens a named port with fixed line settings, writes and reads strings, and
// watches the line on a thread of its own, handing every received-characters notice to the
// user-interface thread (see UiHandOff). Every failure is raised as EComPort.
//
// All operations are called on the user-interface thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "link/ComPortError.h"

class UiHandOff;
class SerialSystem;
class TComThread;
class TCustomComPort;

enum TBaudRate {
  brCustom,
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000
};
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };
enum TSyncMethod { smThreadSync, smWindowSync, smNone };
enum TComEvent {
  evRxChar,
  evTxEmpty,
  evRxFlag,
  evRing,
  evBreak,
  evCTS,
  evDSR,
  evError,
  evRLSD,
  evRx80Full
};
// A set of TComEvent: bit (1 << event).
using TComEvents = unsigned;
constexpr TComEvents kAllComEvents = (1u << 10) - 1;

// Bits per second of a TBaudRate other than brCustom.
int BaudRateValue(TBaudRate rate);

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

class TCustomComPort {
 public:
  using TRxCharEvent = std::function<void(TCustomComPort& Sender, int Count)>;
  // Reports, once, on the user-interface thread, that the line failed while watched (hang-up, read
  // error, or an exception out of a handler). The port still counts as open: the owner closes it
  // (Disconnect may be called from inside the handler) and may connect again. A line that went
  // away gives reason 3 with errno (EIO after a hang-up); a port error raised by a handler is
  // passed on as it is; any other exception out of a handler gives reason 21 with that
  // exception's text, and a failed wait reason 21 with errno.
  // A report that arrives after the port was closed or reopened is dropped.
  using TComFailureEvent = std::function<void(TCustomComPort& Sender, const EComPort& error)>;
  using TNotifyEvent = std::function<void(TCustomComPort& Sender)>;
  using TLineEvent = std::function<void(TCustomComPort& Sender, bool on)>;

  // Defaults of the component; the port is closed and nothing reaches the system until Connect.
  // Notices are handed to the user-interface thread through `handOff`.
  explicit TCustomComPort(UiHandOff& handOff);
  TCustomComPort();  // uses UiHandOff::Main()
  // Disconnects. Do not destroy a port from inside one of its own handlers.
  virtual ~TCustomComPort();
  TCustomComPort(const TCustomComPort&) = delete;
  TCustomComPort& operator=(const TCustomComPort&) = delete;

  // Test seam: the few system calls the POSIX back end makes. Only while closed.
  void SetSystem(std::shared_ptr<SerialSystem> system);

  const std::string& Port() const { return port_; }
  void SetPort(const std::string& value);
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate value);
  int CustomBaudRate() const { return customBaudRate_; }
  void SetCustomBaudRate(int value);
  TDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TDataBits value);
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits value);
  bool DiscardNull() const { return discardNull_; }
  void SetDiscardNull(bool value);
  uint8_t EventChar() const { return eventChar_; }
  void SetEventChar(uint8_t value);
  TComEvents Events() const { return events_; }
  void SetEvents(TComEvents value);
  TSyncMethod SyncMethod() const { return syncMethod_; }
  void SetSyncMethod(TSyncMethod value);  // reason 14 while connected
  bool Connected() const { return connected_; }
  void SetConnected(bool value);

  TComParity& Parity() { return *parity_; }
  TComFlowControl& FlowControl() { return *flowControl_; }
  TComTimeouts& Timeouts() { return *timeouts_; }
  TComBuffer& Buffer() { return *buffer_; }
  const TComParity& Parity() const { return *parity_; }
  const TComFlowControl& FlowControl() const { return *flowControl_; }
  const TComTimeouts& Timeouts() const { return *timeouts_; }
  const TComBuffer& Buffer() const { return *buffer_; }

  // Opens Port for this process alone (reason 1 with errno), drops input queued before, applies
  // the settings and starts the watch. Does nothing when open.
  void Connect();
  // Stops the watch, discards queued bytes, puts back the line's earlier settings and closes.
  // Notices waiting to be handed over still run first. May be called from a handler. Does
  // nothing when closed.
  void Disconnect();
  // Writes `text`; returns the bytes written, fewer when the write time limit (WriteTotalMultiplier
  // ms per byte plus WriteTotalConstant ms) ran out. Reason 2.
  int SendText(const std::string& text);
  // Reads at most Count bytes into `text` and returns how many. A read ends when Count bytes came,
  // when ReadInterval ms pass after a byte without another, or when the total read limit runs out;
  // ReadInterval -1 with no total limit takes what is waiting. Without a total limit the wait for
  // a byte is bounded at one second. Reason 3; bytes read before an error are returned.
  int ReceiveText(std::string& text, int Count);
  // Bytes waiting in the input queue. Reason 10.
  int PendingInput();
  // When the port's watch counted the characters of the notice being handled: the time they were
  // read off the line, however late the user-interface thread gets to the notice.
  std::chrono::steady_clock::time_point ReadTime() const;
  // How long the line was quiet before those characters began: zero when they were already
  // waiting as the previous notice ended (they followed it without a known pause), the longest
  // duration for the first notice of an opening.
  std::chrono::steady_clock::duration PauseBefore() const;
  void BeginChange();
  void EndChange();

  // Settings are only stored while loading (as when a window definition sets them).
  void BeginLoading() { loading_ = true; }
  void EndLoading() { loading_ = false; }

  // Re-apply groups of settings to an open port (called by the setting objects).
  void ApplyAll();
  void ApplyQueueSizes();
  void ApplyLineState();
  void ApplyTimeLimits();

  // Runs the events of one wake-up on the user-interface thread (called through the hand-off).
  void DispatchEvents(TComEvents events);

  UiHandOff& HandOff() { return handOff_; }

  TRxCharEvent OnRxChar;
  TComFailureEvent OnFailure;
  // Hooks the program does not assign. The opening and closing hooks and the CTS, DSR and RLSD
  // hooks are called at their fixed points in Connect and Disconnect.
  TNotifyEvent OnBeforeOpen, OnAfterOpen, OnBeforeClose, OnAfterClose;
  TLineEvent OnCTSChange, OnDSRChange, OnRLSDChange;
  // Never called: the terminal driver reports received characters only, not line errors, an
  // empty transmit queue, breaks, rings, the flag character or a nearly full input queue. Kept so
  // that the component offers every handler of its kind.
  TNotifyEvent OnError, OnTxEmpty, OnBreak, OnRing, OnRxFlag, OnRx80Full;

 private:
  friend class TComThread;
  struct Impl;

  bool CanApply() const;
  void StopWatch();
  void ReapStoppedThreads(bool wait);
  // Bytes taken out by ReceiveText so far; read by the watch thread.
  unsigned long long ConsumedBytes() const;
  // The watch thread counted the characters of its next notice at `when`, after the line had been
  // quiet for `pause`.
  void NoteRead(std::chrono::steady_clock::time_point when,
                std::chrono::steady_clock::duration pause);
  // Runs OnFailure for a failure of the watch of opening `session`, unless that opening is over.
  void ReportWatchFailure(unsigned long session, const EComPort& error);

  UiHandOff& handOff_;
  std::shared_ptr<SerialSystem> system_;
  std::string port_;
  TBaudRate baudRate_ = br9600;
  int customBaudRate_ = 9600;
  TDataBits dataBits_ = dbEight;
  TStopBits stopBits_ = sbOneStopBit;
  bool discardNull_ = false;
  uint8_t eventChar_ = 0;
  TComEvents events_ = kAllComEvents;
  TSyncMethod syncMethod_ = smThreadSync;
  bool connected_ = false;
  bool loading_ = false;
  int updateCount_ = 0;
  int handle_ = -1;
  std::unique_ptr<TComParity> parity_;
  std::unique_ptr<TComFlowControl> flowControl_;
  std::unique_ptr<TComTimeouts> timeouts_;
  std::unique_ptr<TComBuffer> buffer_;
  std::unique_ptr<TComThread> thread_;
  std::unique_ptr<Impl> impl_;
};

class TComPort : public TCustomComPort {
 public:
  using TCustomComPort::TCustomComPort;
};

// The settings a port to the logger gets on top of the component's defaults (the main window's
// ComPort1 and the command-line tool use the same).
void ApplyLoggerLineSettings(TCustomComPort& port);
