#include "link/ReplyInterpreter.h"

#include <algorithm>

namespace {

// A buffer longer than this at the start of an event cannot become a reply any more; it is dropped
// so that the next reply that starts on an empty buffer is read again.
constexpr std::size_t kStaleBufferLength = 34;

constexpr int kGaugeSteps = 50;

}  // namespace

LoggerStatus ReplyInterpreter::DecodeReply(std::string_view reply, int channel1Kind,
                                           int channel2Kind) {
  LoggerStatus status;
  status.reply = protocol::ParseStatusReply(reply);
  status.text = std::string(reply);
  const protocol::StatusReply& r = status.reply;

  status.usedMemoryText = protocol::GeneralNumberText(r.usedMemory());
  status.date = r.day + "/" + r.month + "/20" + r.year;
  status.time = r.hour + ":" + r.minute + ":" + r.second;
  status.batteryPercent = protocol::BatteryPercent(r.battery);
  status.batteryGood = protocol::BatteryIsGood(status.batteryPercent);

  if (const protocol::Rate* rate = protocol::RateOfCode(r.rateCode)) {
    status.rateItem = static_cast<int>(rate - protocol::kRates);
  }

  if (channel1Kind == 1) {
    status.channel1 = static_cast<float>(r.raw1);
  } else if (channel1Kind == 0) {
    status.channel1 = static_cast<float>(protocol::HumidityPercent(r.raw1));
  }
  if (channel2Kind == 1) {
    status.channel2 = static_cast<float>(r.raw2);
  } else if (channel2Kind == 0) {
    status.channel2 = static_cast<float>(protocol::TemperatureCelsius<double>(r.raw2));
  }
  return status;
}

RxEventResult ReplyInterpreter::OnReceived(std::string_view batch, Clock::time_point arrivedAt,
                                           std::optional<Clock::duration> pauseBefore) {
  RxEventResult result;
  if (!pauseBefore) {
    pauseBefore = lastArrival_ ? arrivedAt - *lastArrival_ : Clock::duration::max();
  }
  if (downloading) {
    result.gaugeVisible = true;
    downloadActivity_ = arrivedAt;
    CollectDownload(batch, result);
  } else {
    result.gaugeVisible = false;
    CollectStatus(batch, *pauseBefore, result);
  }
  lastArrival_ = arrivedAt;
  result.gaugeProgress = gauge_;
  if (clockSettingPending) result.startClockTimer = true;
  return result;
}

void ReplyInterpreter::CollectStatus(std::string_view batch, Clock::duration pauseBefore,
                                     RxEventResult& result) {
  const bool afterSilence = pauseBefore > kReplyGap;
  if (afterSilence || statusBuffer_.size() > kStaleBufferLength) statusBuffer_.clear();
  statusBuffer_.append(batch);
  if (statusBuffer_.size() != static_cast<std::size_t>(protocol::kStatusReplyLength)) return;

  result.clearTimeAndDate = true;
  try {
    LoggerStatus status = DecodeReply(statusBuffer_, channel1Kind, channel2Kind);
    // Digits out of step (a stray byte before the reply) read as a clock such as 41:51:61: such a
    // reply is dropped.
    if (!protocol::ImpossibleClockField(status.reply)) {
      result.status = std::move(status);
      if (downloadWaiting_) {
        downloadWaiting_ = false;
        result.sendDownloadCommand = true;
      }
    }
  } catch (const protocol::EConvertError&) {
    // A reply that cannot be read is dropped; the next one is read as usual.
  }
  statusBuffer_.clear();
}

void ReplyInterpreter::RequestDownload() {
  // The command goes out just after the logger's next complete reply, never at the click: a reply
  // already on its way (on the line, or in the input queue behind the click) would otherwise be
  // read as the start of the download, and every time stamp would follow its digits. A click
  // while a download streams asks again the same way, once the logger has finished it.
  downloading = false;
  downloadWaiting_ = true;
}

void ReplyInterpreter::StartDownload(Clock::time_point now) {
  downloading = true;
  downloadActivity_ = now;
  downloadWaiting_ = false;
}

void ReplyInterpreter::CollectDownload(std::string_view batch, RxEventResult& result) {
  if (batch.size() == 1 && batch[0] == protocol::kEndMarker) {
    downloadText_ += protocol::kEndMarker;
    downloading = false;
    result.gaugeVisible = false;
    downloadDone = true;
    result.downloadEnded = true;
    return;
  }
  const std::size_t room = kMaxDownloadText - std::min(downloadText_.size(), kMaxDownloadText);
  if (batch.size() > room) {
    // No logger memory is this large: give up rather than grow without bound, and keep what came
    // so far (up to the bound) for inspection.
    downloadText_.append(batch.substr(0, room));
    downloading = false;
    result.gaugeVisible = false;
    result.downloadAbandoned = true;
    return;
  }
  downloadText_.append(batch);
  if (++gauge_ >= kGaugeSteps) gauge_ = 0;
}

void ReplyInterpreter::OnConnectSwitch() {
  statusBuffer_.clear();
  downloading = false;
  downloadWaiting_ = false;
}
