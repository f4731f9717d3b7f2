#include "data/DownloadSource.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "data/ChannelValueText.h"
#include "data/DecimalNumber.h"
#include "data/DownloadLines.h"
#include "data/SampleDecoder.h"
#include "data/SensorRange.h"
#include "link/LoggerProtocol.h"

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
  const std::optional<double> number = ParseDecimalNumber(text, kTableNumber);
  if (!number || text.front() == ' ' || text.back() == ' ') return false;
  value = *number;
  return true;
}

bool IsDigits(std::string_view line) {
  constexpr auto kDigits = static_cast<std::size_t>(protocol::kLineDigits);
  if (line.size() < kDigits) return false;
  for (std::size_t i = 0; i < kDigits; ++i) {
    if (line[i] < '0' || line[i] > '9') return false;
  }
  return true;
}

bool DateExists(const SampleNumbers& s) {
  using namespace std::chrono;
  return s.month >= 1 && s.month <= 12 && s.day >= 1 &&
         year_month_day(year(s.year), month(static_cast<unsigned>(s.month)),
                        day(static_cast<unsigned>(s.day)))
             .ok();
}

bool TimeExists(const SampleNumbers& s) {
  return s.hour <= 23 && s.minute <= 59 && s.second <= 59;
}

// Seconds since 1970 of an existing stamp (proleptic Gregorian calendar).
long long SecondOf(const SampleNumbers& s) {
  using namespace std::chrono;
  const sys_days date = year_month_day(year(s.year), month(static_cast<unsigned>(s.month)),
                                       day(static_cast<unsigned>(s.day)));
  return ((static_cast<long long>(date.time_since_epoch().count()) * 24 + s.hour) * 60 + s.minute) *
             60 +
         s.second;
}

int RateFromSpacing(const SampleNumbers& a, const SampleNumbers& b) {
  if (!a.hasStamp || !b.hasStamp) return 0;
  const long long step = SecondOf(b) - SecondOf(a);
  const protocol::Rate* rate = step % 60 == 0 ? protocol::RateOfMinutes(step / 60) : nullptr;
  return rate ? rate->minutes : 0;
}

}  // namespace

std::string SavedTableProblemText(const SavedTableProblem& problem) {
  const std::string line = "línea " + std::to_string(problem.line) + ": ";
  switch (problem.kind) {
    case SavedTableProblem::Kind::kNone:
      return {};
    case SavedTableProblem::Kind::kNotATable:
      break;
    case SavedTableProblem::Kind::kNoSuchDate:
      return line + "no existe la fecha " + problem.field;
    case SavedTableProblem::Kind::kTimeOutOfDay:
      return line + "la hora " + problem.field + " pasa de 23:59:59";
    case SavedTableProblem::Kind::kHumidityOutOfRange:
      return line + "la humedad " + problem.field + " no puede venir del registrador (de " +
             ChannelValueText(kHumidityRange.lowest) + " a " +
             ChannelValueText(kHumidityRange.highest) + " %)";
    case SavedTableProblem::Kind::kTemperatureOutOfRange:
      return line + "la temperatura " + problem.field + " no puede venir del registrador (de " +
             ChannelValueText(kTemperatureRange.lowest) + " a " +
             ChannelValueText(kTemperatureRange.highest) + " °C)";
    case SavedTableProblem::Kind::kUnevenSteps:
      return line + "la hora " + problem.field +
             " no sigue a la anterior por la tasa de muestreo de la tabla";
  }
  using Shape = SavedTableProblem::Shape;
  const std::string quoted = "«" + problem.field + "»";
  switch (problem.shape) {
    case Shape::kNoLines:
      return "el archivo está vacío";
    case Shape::kByteOrderMark:
      return line + "el archivo empieza por una marca de orden de bytes";
    case Shape::kTab:
      return line + "los campos están separados por tabuladores, no por dos espacios";
    case Shape::kFieldCount:
      return line + std::to_string(problem.fields) +
             " campos donde una tabla guardada tiene 4 (fecha  hora  canal 1  canal 2)";
    case Shape::kNotADate:
      return line + quoted + " no es una fecha (DD/MM/AAAA)";
    case Shape::kNotATime:
      return line + quoted + " no es una hora (HH:MM:SS)";
    case Shape::kNotANumber:
      return line + quoted + " no es un número";
    case Shape::kOneChannel:
      return line + "un canal tiene valor y el otro no";
    case Shape::kNone:
      break;
  }
  return line + "no es una línea de tabla (fecha  hora  canal 1  canal 2)";
}

std::optional<SampleTable> ParseSavedTable(std::string_view text, SavedTableProblem* problem,
                                           bool withTexts) {
  using Kind = SavedTableProblem::Kind;
  using Shape = SavedTableProblem::Shape;
  std::optional<SavedTableProblem> refused;
  const auto refuse = [&refused](Kind kind, std::size_t line, std::string_view field,
                                 Shape shape = Shape::kNone, std::size_t fields = 0) {
    refused = SavedTableProblem{kind, line, std::string(field), shape, fields};
  };
  SampleTable table;
  table.rows.push_back({"", " FECHA:", " HORA:", "CANAL 1", "CANAL 2"});
  // One sample per line at most: reserved once, so that a large file does not grow the lists
  // step by step (each step holding the old list and the new one).
  const auto lineCount = static_cast<std::size_t>(CountDownloadLines(text));
  table.samples.reserve(lineCount);
  if (withTexts) table.rows.reserve(lineCount + 1);
  // The steps are checked as the lines come; the first uneven one is reported only when no line
  // is refused for what it holds.
  std::optional<SavedTableProblem> uneven;
  bool stamped = false;
  std::size_t number = 0;
  ForEachDownloadLine(text, [&](std::string_view line) {
    ++number;
    if (refused || line.empty()) return;
    if (number == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
      return refuse(Kind::kNotATable, number, line.substr(0, 3), Shape::kByteOrderMark);
    const std::vector<std::string_view> cells = CellsOf(line);
    if (cells.size() != 4) {
      if (line.find('\t') != std::string_view::npos)
        return refuse(Kind::kNotATable, number, line, Shape::kTab);
      return refuse(Kind::kNotATable, number, line, Shape::kFieldCount, cells.size());
    }
    SampleNumbers numbers;
    int date[3], time[3];
    const bool dated = !cells[0].empty() || !cells[1].empty();
    if (dated) {
      if (!ThreeNumbers(cells[0], '/', date))
        return refuse(Kind::kNotATable, number, cells[0], Shape::kNotADate);
      if (!ThreeNumbers(cells[1], ':', time))
        return refuse(Kind::kNotATable, number, cells[1], Shape::kNotATime);
      numbers.hasStamp = true;
      numbers.day = date[0];
      numbers.month = date[1];
      numbers.year = date[2];
      numbers.hour = time[0];
      numbers.minute = time[1];
      numbers.second = time[2];
    }
    bool hasHumidity = false, hasTemperature = false;
    if (!ChannelNumber(cells[2], hasHumidity, numbers.humidity))
      return refuse(Kind::kNotATable, number, cells[2], Shape::kNotANumber);
    if (!ChannelNumber(cells[3], hasTemperature, numbers.temperature))
      return refuse(Kind::kNotATable, number, cells[3], Shape::kNotANumber);
    if (hasHumidity != hasTemperature)
      return refuse(Kind::kNotATable, number, line, Shape::kOneChannel);
    numbers.hasValues = hasHumidity;
    if (dated && !DateExists(numbers)) return refuse(Kind::kNoSuchDate, number, cells[0]);
    if (dated && !TimeExists(numbers)) return refuse(Kind::kTimeOutOfDay, number, cells[1]);
    if (numbers.hasValues && !kHumidityRange.Holds(numbers.humidity))
      return refuse(Kind::kHumidityOutOfRange, number, cells[2]);
    if (numbers.hasValues && !kTemperatureRange.Holds(numbers.temperature))
      return refuse(Kind::kTemperatureOutOfRange, number, cells[3]);
    // A table with stamps steps by one logger rate from each sample to the next, as the decoder
    // wrote them (the rate is the first step).
    std::vector<SampleNumbers>& samples = table.samples;
    stamped = stamped || numbers.hasStamp;
    if (!samples.empty() && !uneven) {
      if (samples.size() == 1) table.rateMinutes = RateFromSpacing(samples[0], numbers);
      const SampleNumbers& before = samples.back();
      const bool steps = table.rateMinutes > 0 && numbers.hasStamp && before.hasStamp &&
                         SecondOf(numbers) - SecondOf(before) == 60LL * table.rateMinutes;
      if (!steps) uneven = SavedTableProblem{Kind::kUnevenSteps, number, std::string(cells[1])};
    }
    if (withTexts) {
      table.rows.push_back({std::to_string(table.rows.size()), std::string(cells[0]),
                            std::string(cells[1]), std::string(cells[2]), std::string(cells[3])});
    }
    samples.push_back(numbers);
  });
  if (!refused && table.samples.empty()) {
    refuse(Kind::kNotATable, 1, {}, Shape::kNoLines);
  }
  // A table without stamps (the download's rate was unknown) has no steps to check.
  if (!refused && uneven && stamped) refused = uneven;
  if (refused) {
    if (problem) *problem = std::move(*refused);
    return std::nullopt;
  }
  if (!stamped || table.samples.size() < 2) table.rateMinutes = 0;
  return table;
}

bool LooksLikeRawDownload(std::string_view text) {
  const std::vector<std::string_view> lines = SplitDownloadLines(text);
  return lines.size() >= 2 && IsDigits(lines[0]) && IsDigits(lines[1]);
}

std::optional<LoadedDownload> RecogniseDownload(std::string_view text, SavedTableProblem* problem,
                                                bool withTexts) {
  LoadedDownload loaded;
  if (LooksLikeRawDownload(text)) {
    loaded.kind = LoadedDownload::Kind::kRawDownload;
    loaded.rawText = std::string(text);
    loaded.table = DecodeReceived(text);
    return loaded;
  }
  std::optional<SampleTable> saved = ParseSavedTable(text, problem, withTexts);
  if (!saved) return std::nullopt;
  loaded.kind = LoadedDownload::Kind::kSavedTable;
  loaded.table = std::move(*saved);
  return loaded;
}
