// The report of a station's period read from a central archive, as the windows read it: after a
// station's archive is pushed, the report of the central archive says what the station's own says.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "central/CentralPush.h"
#include "tests/central/CentralTestArchives.h"
#include "tests/central/PgCluster.h"
#include "tests/record/RecordTestDownloads.h"

namespace {

std::string CommandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

TEST(CentralReport, TheReportOfAStationsPeriodReadsTheCentralArchive) {
  VELMORANTE_REQUIRE_POSTGRESQL();
  PgCluster cluster;
  const std::string url = central_test::CentralOn(cluster);
  archive_test::TempFolder folder;
  const std::string archive = folder.File("archivo.sqlite");
  {
    DownloadArchive station(archive);
    NewDownload download;
    download.port = "/dev/pts/9";
    download.station = "norte";
    download.receivedAt = std::chrono::system_clock::now();
    download.rawText = record_test::Download({12, 7, 14, 5}, record_test::Readings(4));
    station.Add(download);
    download.rawText = record_test::Download({12, 7, 15, 0}, record_test::Readings(3));
    station.Add(download);
  }
  ASSERT_EQ(PushToCentral(archive, url).added.downloads, 2);

  // What the report notes in an audit trail goes to this computer's own archive file.
  const auto report = [&](const std::string& from, const std::string& name) {
    const std::string pdf = folder.File(name.c_str());
    const int status =
        std::system(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                     "XDG_DATA_HOME='" +
                     folder.path().string() +
                     "' '" VELMORANTE_PROGRAM "' --report --station norte --archive '" + from +
                     "' --out '" + pdf + "'")
                        .c_str());
    EXPECT_EQ(status, 0) << from;
    std::string text = CommandOutput("pdftotext -layout '" + pdf + "' - 2>&1");
    // Everything but the moment it was made.
    const std::size_t made = text.find("Generado por");
    if (made != std::string::npos) text.erase(made, text.find('\n', made) - made);
    return text;
  };
  const std::string central = report(url, "central.pdf");
  EXPECT_NE(central.find("Estación: norte"), std::string::npos) << central;
  EXPECT_NE(central.find("Huecos del registro: 1"), std::string::npos) << central;
  EXPECT_EQ(central, report(archive, "local.pdf"));
}

}  // namespace
