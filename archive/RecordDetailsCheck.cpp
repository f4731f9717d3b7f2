#include "archive/RecordDetailsCheck.h"

#include "data/SampleDecoder.h"
#include "link/LoggerProtocol.h"

std::optional<DetailMismatch> CompareDetails(const DownloadSummary& details,
                                             std::string_view rawText) {
  const SampleTable table = SampleDecoder().Decode(rawText);
  const auto named = [](const char* name, const std::string& value) {
    return std::string(name) + " '" + value + "'";
  };
  if (details.startDate != table.startDate)
    return DetailMismatch{named("start date", details.startDate),
                          named("start date", table.startDate)};
  if (details.startTime != table.startTime)
    return DetailMismatch{named("start time", details.startTime),
                          named("start time", table.startTime)};
  if (details.rate != table.rateText)
    return DetailMismatch{named("rate", details.rate), named("rate", table.rateText)};
  const auto samples = static_cast<std::int64_t>(table.samples.size());
  if (details.samples != samples)
    return DetailMismatch{"samples " + std::to_string(details.samples),
                          "samples " + std::to_string(samples)};
  const std::string error = table.error.value_or("");
  if (details.decodeError != error)
    return DetailMismatch{named("decode error", details.decodeError), named("decode error", error)};
  const auto size = static_cast<std::int64_t>(rawText.size());
  if (details.size != size)
    return DetailMismatch{"size " + std::to_string(details.size), "size " + std::to_string(size)};
  // A complete download is one whose end marker came; a text without it was cut short.
  const bool ended = !rawText.empty() && rawText.back() == protocol::kEndMarker;
  if (details.complete() && !ended) return DetailMismatch{"complete", "no end marker: cut short"};
  return std::nullopt;
}
