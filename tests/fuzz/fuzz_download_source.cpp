// Reads arbitrary files as a download source, the way HISTORIAL's ABRIR ARCHIVO…, `export`,
// `stats` and the report do: a captured download or a saved table. Whatever comes, it is either
// refused or becomes a table whose saved text reads back as the same table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/DownloadSource.h"
#include "data/SavedFileFormat.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<LoadedDownload> loaded = RecogniseDownload(text);
  if (!loaded) return 0;
  const SampleTable& table = loaded->table;
  Check(!table.rows.empty());
  Check(table.samples.size() == table.rows.size() - 1);
  if (loaded->kind != LoadedDownload::Kind::kSavedTable) return 0;
  // Saving a saved table that was taken gives a file that is read back as the same rows.
  const std::optional<SampleTable> again = ParseSavedTable(SavedFileText(table));
  Check(again.has_value());
  Check(again->rows.size() == table.rows.size());
  for (std::size_t k = 1; k < table.rows.size(); ++k) {
    for (int c = 1; c < 5; ++c) Check(again->rows[k][c] == table.rows[k][c]);
  }
  return 0;
}
