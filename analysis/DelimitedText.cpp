// Sample lines of the spreadsheet exports.
#include "analysis/DelimitedText.h"

#include <charconv>

#include "analysis/RoundedNumber.h"

namespace analysis {

std::string DelimitedText(const SampleTable& table, const DelimitedDialect& dialect) {
  std::string text;
  // About 48 bytes a line; one reservation keeps a large export from growing step by step.
  text.reserve(64 + table.samples.size() * 48);
  text += dialect.byteOrderMark;
  text += dialect.header;
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
    text += "\r\n";
  }
  return text;
}

}  // namespace analysis
