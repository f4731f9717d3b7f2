// Every export format byte for byte against files checked by hand: a download that carries the
// year from 2099 into 2100 with negative values, values beyond the sensor's range and the largest
// readings a line can hold; and one without time stamps whose last line cannot be read.
// VELMORANTE_UPDATE_GOLDEN=1 rewrites the files (then read the difference before committing).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "analysis/ExportFormat.h"

namespace {

struct GoldenCase {
  const char* name;
  const char* download;
};

const GoldenCase kCases[] = {
    // Start 31/12/2099 23:50:30 every 5 minutes; 50,0 / 23,5; -4,4 / -50,0; 140,1 / 359,5; the
    // largest readings, 10327,5 / 25624,3 (the table writes these in exponent form).
    {"year_carry",
     "099012031030\r\n050023002000\r\n007068002223\r\n002000000000\r\n"
     "015255015255\r\n999999999999\r\nA"},
    // Rate code 0: no time stamps. The second line holds a letter, so it has no values.
    {"no_stamps", "012003015030\r\n045014000000\r\n007068002223\r\n007068X02223\r\nA"},
};

const std::pair<analysis::ExportFormat, const char*> kFormats[] = {
    {analysis::ExportFormat::kCsv, ".csv"},
    {analysis::ExportFormat::kSpanishCsv, ".es.csv"},
    {analysis::ExportFormat::kJson, ".json"},
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace

TEST(ExportGoldenTest, EveryFormatMatchesItsFileByteForByte) {
  const bool update = std::getenv("VELMORANTE_UPDATE_GOLDEN") != nullptr;
  for (const GoldenCase& c : kCases) {
    const SampleTable table = SampleDecoder().Decode(c.download);
    for (const auto& [format, extension] : kFormats) {
      const std::string path = std::string(VELMORANTE_GOLDEN_DIR) + "/" + c.name + extension;
      const std::string text = analysis::ExportText(format, table);
      if (update) std::ofstream(path, std::ios::binary) << text;
      EXPECT_EQ(text, ReadFile(path)) << path;
    }
  }
}

TEST(ExportGoldenTest, FormatNamesAreTheCommandLineOnes) {
  EXPECT_EQ(analysis::ExportFormatNamed("csv-es"), analysis::ExportFormat::kSpanishCsv);
  EXPECT_FALSE(analysis::ExportFormatNamed("CSV"));
  EXPECT_FALSE(analysis::ExportFormatNamed(""));
}
