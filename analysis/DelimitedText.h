// The one writer behind both spreadsheet exports: a header line, then one line per sample with its
// number from 1, its time stamp (empty without one) and both values (empty for a row that could not
// be read), every line ended by CR LF. No field ever holds the separator, a quote or a line break,
// so none is quoted.
#pragma once

#include <string>

#include "data/SampleDecoder.h"

namespace analysis {

struct DelimitedDialect {
  const char* byteOrderMark;  // written first; "" for none
  const char* header;         // without the line end
  char separator;
  char decimalPoint;
  void (*appendStamp)(std::string& text, const SampleNumbers& sample);
};

std::string DelimitedText(const SampleTable& table, const DelimitedDialect& dialect);

}  // namespace analysis
