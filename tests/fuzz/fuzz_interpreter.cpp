// Feeds the reply interpreter an arbitrary sequence of received batches and operator actions, and
// checks that its state stays within bounds whatever arrives.
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
// received batch whose length (1..64) is the next byte and whose characters follow; 4-7 are
// operator actions.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReplyInterpreter in;
  std::size_t i = 0;
  while (i < size) {
    const uint8_t op = data[i++] % 8;
    if (op < 4) {
      if (i >= size) break;
      std::size_t length = data[i++] % 64 + 1;
      if (length > size - i) length = size - i;
      if (length == 0) break;
      const std::string_view batch(reinterpret_cast<const char*>(data + i), length);
      i += length;
      const bool downloading = in.downloading;
      const std::size_t textBefore = in.downloadText().size();
      const RxEventResult r = in.OnReceived(batch);
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
        if (r.clearTimeAndDate) {
          Check(in.statusBuffer().empty());
          Check(r.status.has_value() != !r.rejectedReason.empty());
        }
        if (r.status) {
          Check(r.status->battery >= 0 && r.status->battery <= 100);
          Check(r.status->rateItem >= -1 && r.status->rateItem < 6);
        }
      }
      continue;
    }
    switch (op) {
      case 4:
        in.ClearDownloadText();
        in.StartDownload();
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
