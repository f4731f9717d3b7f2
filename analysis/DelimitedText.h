// The one writer behind both spreadsheet exports: a header line, then one line per sample with its
// number from 1, its time stamp (empty without one) and both values (empty for a row that could not
// be read), every line ended by CR LF. A table whose values a calibration corrected has one column
// more, `calibrationHeader`: the certificate that corrected the sample's values, empty for a raw
// one. Only that column can hold the separator or a quote; it is then quoted as RFC 4180 says.
#pragma once

#include <string>

#include "analysis/TextPieces.h"
#include "data/SampleDecoder.h"

namespace analysis {

struct DelimitedDialect {
  const char* byteOrderMark;  // written first; "" for none
  const char* header;         // without the line end
  char separator;
  char decimalPoint;
  void (*appendStamp)(std::string& text, const SampleNumbers& sample);
  const char* calibrationHeader;  // the name of the certificate's column
};

std::string DelimitedText(const SampleTable& table, const DelimitedDialect& dialect);
// The same text handed to `write` in pieces of about a megabyte, in order.
void DelimitedPieces(const SampleTable& table, const DelimitedDialect& dialect,
                     const TextPieces& write);

}  // namespace analysis
