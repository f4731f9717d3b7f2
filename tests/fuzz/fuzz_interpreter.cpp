// Feeds the reply interpreter an arbitrary sequence of received batches and operator actions, and
// checks that its state stays within bounds whatever arrives.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "link/ReplyInterpreter.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

// Input layout: a list of steps. Each step starts with an opcode byte; opcodes 0-3 (mod 8) are a
// received batch: one byte of time since the previous batch (in 4 ms steps, so that the silence
// between replies is reached), two bytes of length (1..4096, as large as real reads) and the
// characters; 4-7 are operator actions.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReplyInterpreter in;
  ReplyInterpreter::Clock::time_point now{};
  std::size_t i = 0;
  while (i < size) {
    const uint8_t op = data[i++] % 8;
    if (op < 4) {
      if (size - i < 3) break;
      now += std::chrono::milliseconds(4 * data[i++]);
      std::size_t length = (data[i] | (data[i + 1] << 8)) % 4096 + 1;
      i += 2;
      if (length > size - i) length = size - i;
      if (length == 0) break;
      const std::string_view batch(reinterpret_cast<const char*>(data + i), length);
      i += length;
      const bool downloading = in.downloading;
      const std::size_t textBefore = in.downloadText().size();
      const RxEventResult r = in.OnReceived(batch, now);
      Check(r.gaugeProgress >= 0 && r.gaugeProgress < 50);
      Check(r.startClockTimer == in.clockSettingPending);
      Check(in.downloadText().size() <= ReplyInterpreter::kMaxDownloadText + 1);
      if (downloading) {
        Check(!r.status.has_value() && !r.clearTimeAndDate);
        if (r.downloadEnded) Check(batch == "A" && in.downloadDone && !in.downloading);
        if (!r.downloadEnded && !r.downloadAbandoned)
          Check(in.downloadText().size() == textBefore + batch.size());
      } else {
        Check(in.downloadText().size() == textBefore);
        Check(!r.downloadEnded && !r.downloadAbandoned);
        // The waiting download command goes out only with a reply the logger could have sent.
        if (r.sendDownloadCommand) {
          Check(r.status.has_value() && !in.downloadWaiting());
          in.StartDownload();  // the window writes the command and enters download mode
        }
        if (r.clearTimeAndDate) {
          Check(in.statusBuffer().empty());
        }
        if (r.status) {
          Check(r.status->batteryPercent >= 0 && r.status->batteryPercent <= 100);
          Check(!protocol::ImpossibleClockField(r.status->reply).has_value());
          Check(r.status->rateItem >= -1 && r.status->rateItem < 6);
        }
      }
      continue;
    }
    switch (op) {
      case 4:
        in.ClearDownloadText();
        in.RequestDownload();
        break;
      case 5:
        in.OnConnectSwitch();
        Check(in.statusBuffer().empty() && !in.downloading);
        break;
      case 6:
        in.clockSettingPending = !in.clockSettingPending;
        break;
      default:
        in.ClearStatusBuffer();
        in.channel1Kind = in.channel1Kind == 1 ? -1 : in.channel1Kind + 1;
        in.channel2Kind = in.channel2Kind == -1 ? 1 : in.channel2Kind - 1;
        break;
    }
  }
  return 0;
}
