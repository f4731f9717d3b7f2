#include "link/CPort.h"

#include <atomic>
#include <cerrno>
#include <vector>

#include "link/ComThread.h"
#include "link/PosixSerialBackend.h"
#include "link/SerialSystem.h"
#include "link/SettingAssign.h"
#include "link/UiHandOff.h"

struct TCustomComPort::Impl {
  serial_backend::SavedLine previous{};  // the line's settings before Connect, put back after
  unsigned long session = 0;             // counts openings; a late failure report names its own
  bool closing = false;  // Disconnect is under way (it may serve hand-offs meanwhile)
  std::atomic<unsigned long long> consumed{0};
  // The latest notice's read time (since the steady clock's epoch) and the pause before it.
  std::atomic<std::chrono::steady_clock::rep> readTime{0};
  std::atomic<std::chrono::steady_clock::rep> pauseBefore{0};
  // Watch threads stopped from inside their own dispatch: they end as soon as it returns and are
  // joined at the next chance.
  std::vector<std::unique_ptr<TComThread>> stopped;
};

namespace {

struct FlagScope {
  bool& flag;
  explicit FlagScope(bool& f) : flag(f) { flag = true; }
  ~FlagScope() { flag = false; }
};

}  // namespace

TCustomComPort::TCustomComPort(UiHandOff& handOff)
    : handOff_(handOff),
      system_(SerialSystem::Real()),
      port_("/dev/ttyS0"),  // the first serial port, as device paths name it here
      parity_(std::make_unique<TComParity>(*this)),
      flowControl_(std::make_unique<TComFlowControl>(*this)),
      timeouts_(std::make_unique<TComTimeouts>(*this)),
      buffer_(std::make_unique<TComBuffer>(*this)),
      impl_(std::make_unique<Impl>()) {}

TCustomComPort::TCustomComPort() : TCustomComPort(UiHandOff::Main()) {}

TCustomComPort::~TCustomComPort() {
  try {
    Disconnect();
  } catch (...) {
    // The port is closed whatever Disconnect reports; a destructor cannot pass it on.
  }
  ReapStoppedThreads(true);
  // A failure report still queued for this port must not run once it is gone.
  handOff_.Cancel(this);
}

void TCustomComPort::SetSystem(std::shared_ptr<SerialSystem> system) {
  if (connected_) throw EComPort(kReasonConnected);
  system_ = system ? std::move(system) : SerialSystem::Real();
}

void TCustomComPort::SetPort(const std::string& value) {
  if (port_ == value) return;
  port_ = value;
  if (connected_) {
    Disconnect();
    Connect();
  }
}

void TCustomComPort::SetBaudRate(TBaudRate value) {
  if (Assign(baudRate_, value)) ApplyLineState();
}
void TCustomComPort::SetCustomBaudRate(int value) {
  if (Assign(customBaudRate_, value)) ApplyLineState();
}
void TCustomComPort::SetDataBits(TDataBits value) {
  if (Assign(dataBits_, value)) ApplyLineState();
}
void TCustomComPort::SetStopBits(TStopBits value) {
  if (Assign(stopBits_, value)) ApplyLineState();
}
void TCustomComPort::SetDiscardNull(bool value) {
  if (Assign(discardNull_, value)) ApplyLineState();
}
void TCustomComPort::SetEventChar(uint8_t value) {
  if (Assign(eventChar_, value)) ApplyLineState();
}
// Takes effect at the next Connect.
void TCustomComPort::SetEvents(TComEvents value) {
  events_ = value & kAllComEvents;
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
  if (syncMethod_ == value) return;
  if (connected_) throw EComPort(kReasonConnected);
  syncMethod_ = value;
}

void TCustomComPort::SetConnected(bool value) {
  if (value) {
    Connect();
  } else {
    Disconnect();
  }
}

void TCustomComPort::Connect() {
  if (connected_) return;
  ReapStoppedThreads(false);
  if (OnBeforeOpen) OnBeforeOpen(*this);

  const int fd = serial_backend::OpenExclusive(*system_, port_, impl_->previous);
  handle_ = fd;
  connected_ = true;
  ++impl_->session;
  try {
    ApplyAll();
    if (events_ != 0) {
      const int rate = baudRate_ == brCustom ? customBaudRate_ : BaudRateValue(baudRate_);
      thread_ = std::make_unique<TComThread>(*this, system_, fd, events_, impl_->session,
                                             TComThread::QuietTimeMs(rate));
    }
  } catch (...) {
    serial_backend::CloseRestoring(*system_, fd, impl_->previous);
    handle_ = -1;
    connected_ = false;
    throw;
  }

  if (OnAfterOpen) OnAfterOpen(*this);
  if (OnCTSChange || OnDSRChange || OnRLSDChange) {
    const serial_backend::ModemLines lines = serial_backend::ReadModemLines(*system_, fd);
    if (OnCTSChange) OnCTSChange(*this, lines.cts);
    if (OnDSRChange) OnDSRChange(*this, lines.dsr);
    if (OnRLSDChange) OnRLSDChange(*this, lines.rlsd);
  }
}

void TCustomComPort::Disconnect() {
  if (!connected_ || impl_->closing) return;
  FlagScope closing(impl_->closing);

  if (OnCTSChange) OnCTSChange(*this, false);
  if (OnDSRChange) OnDSRChange(*this, false);
  if (OnRLSDChange) OnRLSDChange(*this, false);
  if (OnBeforeClose) OnBeforeClose(*this);

  // Reads and writes run to their end on this thread, so there is no transfer under way to
  // cancel. A notice the watch thread is waiting to hand over still runs while it is stopped.
  StopWatch();

  // Whatever is still queued either way is dropped. A line that has gone away cannot be flushed;
  // that is no reason to keep it open.
  const int flushError = serial_backend::DropQueuedBytes(*system_, handle_);
  serial_backend::CloseRestoring(*system_, handle_, impl_->previous);
  handle_ = -1;
  connected_ = false;
  if (OnAfterClose) OnAfterClose(*this);
  if (flushError != 0) throw EComPort(kReasonPurgeFailed, flushError);
}

void TCustomComPort::StopWatch() {
  if (!thread_) return;
  thread_->RequestStop();
  if (thread_->Dispatching()) {
    // Called from a handler of this very thread's notice: the thread waits for us to return, so
    // it cannot be waited for here. It leaves the port alone from now on and is joined later.
    impl_->stopped.push_back(std::move(thread_));
    return;
  }
  // The thread may be blocked handing a notice over: serve the queue while waiting for its end.
  TComThread& thread = *thread_;
  handOff_.ServeUntil([&thread] { return thread.Finished(); });
  thread_.reset();
}

void TCustomComPort::ReapStoppedThreads(bool wait) {
  auto& stopped = impl_->stopped;
  for (auto it = stopped.begin(); it != stopped.end();) {
    TComThread& thread = **it;
    if (wait && !thread.Dispatching()) handOff_.ServeUntil([&thread] { return thread.Finished(); });
    if (thread.Finished()) {
      it = stopped.erase(it);  // joins
    } else {
      ++it;
    }
  }
}

int TCustomComPort::SendText(const std::string& text) {
  if (text.empty()) return 0;
  if (!connected_) throw EComPort(kReasonWriteFailed, EBADF);
  const long long limitMs = static_cast<long long>(timeouts_->WriteTotalMultiplier()) *
                                static_cast<long long>(text.size()) +
                            timeouts_->WriteTotalConstant();
  return serial_backend::WriteWithTimeLimit(*system_, handle_, text.data(),
                                            static_cast<int>(text.size()), limitMs);
}

int TCustomComPort::ReceiveText(std::string& text, int Count) {
  if (Count <= 0) {
    text.clear();
    return 0;
  }
  if (!connected_) throw EComPort(kReasonReadFailed, EBADF);
  text.resize(static_cast<size_t>(Count));
  int got = 0;
  try {
    got = serial_backend::ReadWithTimeLimits(*system_, handle_, text.data(), Count, *timeouts_);
  } catch (...) {
    text.clear();
    throw;
  }
  text.resize(static_cast<size_t>(got));
  impl_->consumed += static_cast<unsigned long long>(got);
  return got;
}

int TCustomComPort::PendingInput() {
  if (!connected_) throw EComPort(kReasonPendingInputFailed, EBADF);
  const int count = serial_backend::BytesWaiting(*system_, handle_);
  if (count < 0) throw EComPort(kReasonPendingInputFailed, errno);
  return count;
}

void TCustomComPort::BeginChange() {
  ++updateCount_;
}

void TCustomComPort::EndChange() {
  if (updateCount_ < 1) return;
  if (--updateCount_ == 0) ApplyAll();
}

bool TCustomComPort::CanApply() const {
  return connected_ && updateCount_ == 0 && !loading_;
}

void TCustomComPort::ApplyAll() {
  ApplyQueueSizes();
  ApplyLineState();
  ApplyTimeLimits();
}

// The port re-applies its settings in three steps, one per group, which ApplyAll and the setting
// objects call; the queue-size and time-limit steps stay part of that surface though on a terminal
// they have nothing to hand the driver.
// Terminal drivers keep queues of their own size: the sizes are stored, nothing is sent.
void TCustomComPort::ApplyQueueSizes() {}

void TCustomComPort::ApplyLineState() {
  if (!CanApply()) return;
  serial_backend::ApplyLineState(*system_, handle_, *this);
}

// The time limits pace SendText and ReceiveText themselves; the driver never waits on its own.
void TCustomComPort::ApplyTimeLimits() {}

void TCustomComPort::DispatchEvents(TComEvents events) {
  // The line delivers received characters only; the other events have no counterpart here.
  if (events & (1u << evRxChar)) {
    const int count = PendingInput();
    if (count > 0 && OnRxChar) OnRxChar(*this, count);
  }
}

unsigned long long TCustomComPort::ConsumedBytes() const {
  return impl_->consumed.load();
}

std::chrono::steady_clock::time_point TCustomComPort::ReadTime() const {
  return std::chrono::steady_clock::time_point(
      std::chrono::steady_clock::duration(impl_->readTime.load()));
}

std::chrono::steady_clock::duration TCustomComPort::PauseBefore() const {
  return std::chrono::steady_clock::duration(impl_->pauseBefore.load());
}

void TCustomComPort::SetReadClock(std::function<std::chrono::steady_clock::time_point()> clock) {
  readClock_ = std::move(clock);
}

void TCustomComPort::NoteRead(std::chrono::steady_clock::time_point when,
                              std::chrono::steady_clock::duration pause) {
  impl_->readTime = when.time_since_epoch().count();
  impl_->pauseBefore = pause.count();
}

void TCustomComPort::ReportWatchFailure(unsigned long session, const EComPort& error) {
  if (!connected_ || impl_->closing || session != impl_->session) return;
  if (OnFailure) OnFailure(*this, error);
}
