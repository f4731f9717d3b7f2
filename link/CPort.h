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

#include "link/ComBuffer.h"
#include "link/ComFlowControl.h"
#include "link/ComParity.h"
#include "link/ComPortError.h"
#include "link/ComSettingTypes.h"
#include "link/ComTimeouts.h"

class UiHandOff;
class SerialSystem;
class TComThread;

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
  // The clock the watch stamps reads and pauses with: the steady clock unless replaced, as by a
  // test that sets the line's pauses itself. Set while the port is closed.
  void SetReadClock(std::function<std::chrono::steady_clock::time_point()> clock);
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
  std::function<std::chrono::steady_clock::time_point()> readClock_ = [] {
    return std::chrono::steady_clock::now();
  };
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

// The port the program uses: the component with nothing added, as the windows and the command-line
// tool name it. It stays beside its base because it is only that base under its usual name.
class TComPort : public TCustomComPort {
 public:
  using TCustomComPort::TCustomComPort;
};

// The settings a port to the logger gets on top of the component's defaults (the main window's
// ComPort1 and the command-line tool use the same).
void ApplyLoggerLineSettings(TCustomComPort& port);
