// Decodes arbitrary download texts and checks the shape of the table: one row per sample line,
// every row complete unless the decode stopped with a conversion error, and a saved file that
// holds one CR LF line per row.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "data/ChannelValueText.h"
#include "data/DownloadLines.h"
#include "data/SampleDecoder.h"
#include "data/SavedFileFormat.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::size_t CountCrLf(const std::string& text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) count += text[i] == '\r' && text[i + 1] == '\n';
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  SampleDecoder decoder;
  const SampleTable table = decoder.Decode(text);
  const int lines = CountDownloadLines(text);
  Check(SplitDownloadLines(text).size() == static_cast<std::size_t>(lines));
  Check(table.rows.size() == static_cast<std::size_t>(lines > 3 ? lines - 2 : 1));
  if (!table.error) {
    Check(table.rows[0][3] == "CANAL 1");
    for (std::size_t k = 1; k < table.rows.size(); ++k) {
      Check(!table.rows[k][0].empty() && !table.rows[k][3].empty() && !table.rows[k][4].empty());
    }
  } else {
    Check(table.error->find("is not a valid integer value") != std::string::npos);
  }
  const std::string saved = SavedFileText(table);
  Check(CountCrLf(saved) >= table.rows.size() - 1);

  // A second decode over the first table, as the data window does at its next activation.
  const SampleTable again = decoder.Decode(text, &table);
  Check(again.rows.size() == table.rows.size());

  // The value text of any double, taken from the first bytes.
  if (size >= sizeof(double)) {
    double value;
    std::memcpy(&value, data, sizeof value);
    Check(!ChannelValueText(value).empty());
  }
  return 0;
}
