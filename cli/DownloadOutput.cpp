// A received download, printed as a table or saved as the data window saves it.
#include "cli/DownloadOutput.h"

#include <ostream>

#include "cli/AtomicFile.h"
#include "cli/CliAnalysis.h"
#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "cli/Translate.h"
#include "data/SampleDecoder.h"
#include "data/SavedFileFormat.h"

using namespace cli;

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
