// Feeds the status reply parser and the clock check any 33 bytes: a reply is read whole or
// refused with a conversion error, and every value stays within what its digits can give.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "link/LoggerProtocol.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < static_cast<size_t>(protocol::kStatusReplyLength)) return 0;
  const std::string_view reply(reinterpret_cast<const char*>(data), protocol::kStatusReplyLength);
  protocol::StatusReply r;
  try {
    r = protocol::ParseStatusReply(reply);
  } catch (const protocol::EConvertError&) {
    Check(reply.find_first_not_of("0123456789") != std::string_view::npos);
    return 0;
  }
  Check(reply.find_first_not_of("0123456789") == std::string_view::npos);
  Check(r.battery >= 0 && r.battery <= 999);
  Check(r.rateCode >= 0 && r.rateCode <= 9);
  Check(r.raw1 >= 0 && r.raw1 <= 99 * 256 + 999);
  Check(r.raw2 >= 0 && r.raw2 <= 99 * 256 + 999);
  Check(r.memoryPointer >= 0 && r.memoryPointer <= 999 * 256 + 999);
  const float battery = protocol::BatteryPercent(r.battery);
  Check(battery >= 0 && battery <= 100);
  protocol::ImpossibleClockField(r);
  Check(!protocol::GeneralNumberText(r.usedMemory()).empty());
  return 0;
}
