// A received download, printed as a table or saved as the data window saves it.
#include "cli/DownloadOutput.h"

#include <charconv>
#include <ostream>

#include "cli/AtomicFile.h"
#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "cli/Translate.h"
#include "data/SampleDecoder.h"
#include "data/SavedFileFormat.h"
#include "data/StartTexts.h"

using namespace cli;

std::string ImpossibleReadingText(const ImpossibleReading& found, const SampleTable& table,
                                  const std::string& source) {
  const std::string sample = std::to_string(found.sample);
  char number[64];
  const std::string value(
      number,
      std::to_chars(number, number + sizeof number, found.value, std::chars_format::fixed, 1).ptr);
  switch (found.kind) {
    case ImpossibleReading::Kind::kStart:
      return Format(_("%s: the start %s %s is no real date and time; the download's header is "
                      "damaged"),
                    source, StartDateText(table), StartTimeText(table));
    case ImpossibleReading::Kind::kHumidity:
      return Format(_("%s, sample %s: a humidity of %s % is beyond every 12-bit reading of the "
                      "sensor; the download is damaged"),
                    source, sample, value);
    case ImpossibleReading::Kind::kTemperature:
      return Format(_("%s, sample %s: a temperature of %s C is beyond every 12-bit reading of the "
                      "sensor; the download is damaged"),
                    source, sample, value);
    case ImpossibleReading::Kind::kNone:
      break;
  }
  return {};
}

int ShowOrSave(const std::string& text, const std::string& outPath, std::ostream& out,
               std::ostream& err) {
  SampleDecoder decoder;
  const SampleTable table = decoder.Decode(text);
  if (table.error) {
    err << "velmorante-cli: " << Format(_("the download cannot be decoded: %s"), *table.error)
        << '\n';
    return kFailed;
  }
  // Shown as it came, but not without saying that no working logger sends it.
  if (const ImpossibleReading found = FindImpossibleReading(table))
    err << "velmorante-cli: "
        << Format(_("warning: %s"), ImpossibleReadingText(found, table, _("the download"))) << '\n';
  const std::size_t samples = table.rows.empty() ? 0 : table.rows.size() - 1;
  if (outPath.empty()) {
    PrintTable(table, out);
    if (samples == 0) err << "velmorante-cli: " << _("the download holds no samples") << '\n';
  } else if (samples == 0) {
    // An empty file would pass for a saved table; nothing is written instead.
    err << "velmorante-cli: "
        << Format(_("the download holds no samples: %s was not written"), outPath) << '\n';
    return kFailed;
  } else {
    WriteFileAtomically(outPath, SavedFileText(table));
    err << "velmorante-cli: "
        << Format(_("saved %s samples to %s"), std::to_string(samples), outPath) << '\n';
  }
  return kOk;
}
