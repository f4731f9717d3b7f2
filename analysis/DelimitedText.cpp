// Sample lines of the spreadsheet exports.
#include "analysis/DelimitedText.h"

#include <charconv>
#include <vector>

#include "analysis/RoundedNumber.h"

namespace analysis {

namespace {

// `text` as one field: quoted, with its quotes doubled, when it holds the separator or a quote.
std::string Field(const std::string& text, char separator) {
  if (text.find_first_of(std::string{separator, '"'}) == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace

std::string DelimitedText(const SampleTable& table, const DelimitedDialect& dialect) {
  // About 48 bytes a line; one reservation keeps a large export from growing step by step.
  return WholeText(64 + table.samples.size() * 48,
                   [&](const TextPieces& write) { DelimitedPieces(table, dialect, write); });
}

void DelimitedPieces(const SampleTable& table, const DelimitedDialect& dialect,
                     const TextPieces& write) {
  std::string text;
  text += dialect.byteOrderMark;
  text += dialect.header;
  std::vector<std::string> certificates;
  if (!table.calibrations.empty()) {
    text += dialect.separator;
    text += dialect.calibrationHeader;
    for (const Calibration& calibration : table.calibrations)
      certificates.push_back(Field(calibration.certificate, dialect.separator));
  }
  text += "\r\n";
  char number[24];
  for (std::size_t i = 0; i < table.samples.size(); ++i) {
    const SampleNumbers& sample = table.samples[i];
    text.append(number, std::to_chars(number, number + sizeof number, i + 1).ptr);
    text += dialect.separator;
    if (sample.hasStamp) dialect.appendStamp(text, sample);
    text += dialect.separator;
    if (sample.hasValues) text += RoundedText(sample.humidity, 1, dialect.decimalPoint);
    text += dialect.separator;
    if (sample.hasValues) text += RoundedText(sample.temperature, 1, dialect.decimalPoint);
    if (!certificates.empty()) {
      text += dialect.separator;
      const auto k = static_cast<std::size_t>(sample.calibration);
      if (k > 0 && k <= certificates.size()) text += certificates[k - 1];
    }
    text += "\r\n";
    HandOver(text, write);
  }
  HandOver(text, write, true);
}

}  // namespace analysis
