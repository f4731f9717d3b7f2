#include "archive/RecordDetailsCheck.h"

#include "archive/Sha256.h"

#include "data/SampleDecoder.h"
#include "data/StartTexts.h"
#include "link/LoggerProtocol.h"

namespace {

// The first detail of the decode that disagrees with `details`.
std::optional<DetailMismatch> CompareDecode(const DownloadSummary& details,
                                            const SampleTable& table) {
  const auto named = [](const char* name, const std::string& value) {
    return std::string(name) + " '" + value + "'";
  };
  const auto startText = [](const std::optional<LoggerStart>& start) {
    return start ? StartIsoText(*start) : std::string();
  };
  if (details.start != table.start)
    return DetailMismatch{named("start", startText(details.start)),
                          named("start", startText(table.start))};
  if (details.rateMinutes != table.rateMinutes)
    return DetailMismatch{"rate " + std::to_string(details.rateMinutes) + " min",
                          "rate " + std::to_string(table.rateMinutes) + " min"};
  const auto samples = static_cast<std::int64_t>(table.samples.size());
  if (details.samples != samples)
    return DetailMismatch{"samples " + std::to_string(details.samples),
                          "samples " + std::to_string(samples)};
  const std::string error = table.error.value_or("");
  if (details.decodeError != error)
    return DetailMismatch{named("decode error", details.decodeError), named("decode error", error)};
  return std::nullopt;
}

}  // namespace

std::optional<DetailMismatch> CompareDetails(const DownloadSummary& details,
                                             std::string_view rawText) {
  std::optional<DetailMismatch> wrong = CompareDecode(details, DecodeReceived(rawText));
  // Earlier versions did not count the last complete line of a download cut short: what they
  // recorded then still matches the text.
  const bool ended = !rawText.empty() && rawText.back() == protocol::kEndMarker;
  if (wrong && !ended && !CompareDecode(details, SampleDecoder().Decode(rawText))) wrong.reset();
  if (wrong) return wrong;
  const auto size = static_cast<std::int64_t>(rawText.size());
  if (details.size != size)
    return DetailMismatch{"size " + std::to_string(details.size), "size " + std::to_string(size)};
  // A complete download is one whose end marker came; a text without it was cut short.
  if (details.complete() && !ended) return DetailMismatch{"complete", "no end marker: cut short"};
  return std::nullopt;
}

std::optional<ChecksumMismatch> CheckAgainstText(const DownloadSummary& record,
                                                 std::string_view rawText) {
  const std::string actual = Sha256Hex(rawText);
  if (actual != record.sha256)
    return ChecksumMismatch{record.id, ChecksumMismatch::Part::kChecksum, record.sha256, actual};
  if (std::optional<DetailMismatch> wrong = CompareDetails(record, rawText))
    return ChecksumMismatch{record.id, ChecksumMismatch::Part::kDetails, wrong->recorded,
                            wrong->fromText};
  return std::nullopt;
}
