#include "data/DownloadSource.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "data/DownloadLines.h"
#include "data/SampleDecoder.h"

namespace {

// Splits a saved-file line at each pair of spaces: "a  b    " gives "a", "b", "", "".
std::vector<std::string_view> CellsOf(std::string_view line) {
  std::vector<std::string_view> cells;
  std::size_t start = 0;
  while (true) {
    const std::size_t gap = line.find("  ", start);
    if (gap == std::string_view::npos) {
      cells.push_back(line.substr(start));
      return cells;
    }
    cells.push_back(line.substr(start, gap - start));
    start = gap + 2;
  }
}

// "a<sep>b<sep>c" with decimal numbers of 1 to 5 digits; false otherwise.
bool ThreeNumbers(std::string_view text, char separator, int out[3]) {
  int field = 0;
  int digits = 0;
  out[0] = out[1] = out[2] = 0;
  for (const char c : text) {
    if (c == separator) {
      if (digits == 0 || ++field > 2) return false;
      digits = 0;
    } else if (c >= '0' && c <= '9') {
      if (++digits > 5) return false;
      out[field] = 10 * out[field] + (c - '0');
    } else {
      return false;
    }
  }
  return field == 2 && digits > 0;
}

// A channel text as the table writes it ("50,0", "-0,1", "2,562E+4") or empty (no value).
bool ChannelNumber(std::string_view text, bool& present, double& value) {
  present = !text.empty();
  if (!present) return true;
  std::string plain(text);
  for (char& c : plain) {
    if (c == ',') c = '.';
    if (!(c == '.' || c == '-' || c == '+' || c == 'E' || (c >= '0' && c <= '9'))) return false;
  }
  errno = 0;
  char* end = nullptr;
  value = std::strtod(plain.c_str(), &end);
  return errno == 0 && end == plain.c_str() + plain.size() && std::isfinite(value);
}

bool IsDigits(std::string_view line) {
  if (line.size() < 12) return false;
  for (std::size_t i = 0; i < 12; ++i) {
    if (line[i] < '0' || line[i] > '9') return false;
  }
  return true;
}

// Minutes since 1970 of a stamp (proleptic Gregorian calendar).
long long MinuteOf(const SampleNumbers& s) {
  using namespace std::chrono;
  const sys_days day = year_month_day(year(s.year), month(static_cast<unsigned>(s.month)),
                                      std::chrono::day(static_cast<unsigned>(s.day)));
  return (static_cast<long long>(day.time_since_epoch().count()) * 24 + s.hour) * 60 + s.minute;
}

int RateFromSpacing(const SampleNumbers& a, const SampleNumbers& b) {
  if (!a.hasStamp || !b.hasStamp) return 0;
  const long long step = MinuteOf(b) - MinuteOf(a);
  for (const int minutes : {1, 5, 10, 15, 30, 60}) {
    if (step == minutes) return minutes;
  }
  return 0;
}

}  // namespace

std::optional<SampleTable> ParseSavedTable(std::string_view text) {
  SampleTable table;
  table.rows.push_back({"", " FECHA:", " HORA:", "CANAL 1", "CANAL 2"});
  for (const std::string_view line : SplitDownloadLines(text)) {
    if (line.empty()) continue;
    const std::vector<std::string_view> cells = CellsOf(line);
    if (cells.size() != 4) return std::nullopt;
    SampleNumbers numbers;
    int date[3], time[3];
    const bool dated = !cells[0].empty() || !cells[1].empty();
    if (dated) {
      if (!ThreeNumbers(cells[0], '/', date) || !ThreeNumbers(cells[1], ':', time)) {
        return std::nullopt;
      }
      numbers.hasStamp = true;
      numbers.day = date[0];
      numbers.month = date[1];
      numbers.year = date[2];
      numbers.hour = time[0];
      numbers.minute = time[1];
      numbers.second = time[2];
    }
    bool hasHumidity = false, hasTemperature = false;
    if (!ChannelNumber(cells[2], hasHumidity, numbers.humidity) ||
        !ChannelNumber(cells[3], hasTemperature, numbers.temperature) ||
        hasHumidity != hasTemperature) {
      return std::nullopt;
    }
    numbers.hasValues = hasHumidity;
    table.rows.push_back({std::to_string(table.rows.size()), std::string(cells[0]),
                          std::string(cells[1]), std::string(cells[2]), std::string(cells[3])});
    table.samples.push_back(numbers);
  }
  if (table.samples.empty()) return std::nullopt;
  if (table.samples.size() >= 2) {
    table.rateMinutes = RateFromSpacing(table.samples[0], table.samples[1]);
  }
  return table;
}

bool LooksLikeRawDownload(std::string_view text) {
  const std::vector<std::string_view> lines = SplitDownloadLines(text);
  return lines.size() >= 2 && IsDigits(lines[0]) && IsDigits(lines[1]);
}

std::optional<LoadedDownload> RecogniseDownload(std::string_view text) {
  LoadedDownload loaded;
  if (LooksLikeRawDownload(text)) {
    loaded.kind = LoadedDownload::Kind::kRawDownload;
    loaded.rawText = std::string(text);
    loaded.table = SampleDecoder().Decode(text);
    return loaded;
  }
  std::optional<SampleTable> saved = ParseSavedTable(text);
  if (!saved) return std::nullopt;
  loaded.kind = LoadedDownload::Kind::kSavedTable;
  loaded.table = std::move(*saved);
  return loaded;
}
