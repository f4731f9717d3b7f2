// Calibrations kept with `velmorante-cli calibration set` and the corrected values that the record,
// its exports and its statistics give from each calibration's start: the built program on an
// archive file whose downloads a station took.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "archive/ArchiveFile.h"
#include "archive/AuditTrail.h"
#include "archive/DownloadArchive.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/record/RecordTestDownloads.h"
#include "tests/sim/CliProcess.h"

namespace {

using namespace archive_test;
using namespace record_test;

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

constexpr double kRawTemperature = 23.5;  // every sample's temperature reading

class CliCalibration : public ::testing::Test {
 protected:
  void SetUp() override {
    DownloadArchive archive(archive_);
    NewDownload download;
    download.station = "norte";
    std::vector<int> differing = Readings(5);
    differing[2] = 1700;
    // 14:10 to 14:30, downloaded twice (the second reads sample 3 differently), then 15:05 to
    // 15:15.
    for (const std::string& text :
         {Download({12, 7, 14, 5}, Readings(5)), Download({12, 7, 14, 5}, differing),
          Download({12, 7, 15, 0}, Readings(3))}) {
      download.rawText = text;
      archive.Add(download);
    }
  }

  RunResult Run(const std::vector<std::string>& args) {
    const CliOutputFiles files{folder_.File("stdout"), folder_.File("stderr")};
    RunResult result;
    result.exitCode = WaitForCli(StartCli(args, files));
    result.out = Bytes(files.out);
    result.err = Bytes(files.err);
    return result;
  }

  RunResult Set(const std::vector<std::string>& more) {
    std::vector<std::string> args = {"calibration", "set", "norte", "--archive", archive_};
    args.insert(args.end(), more.begin(), more.end());
    return Run(args);
  }

  // Raw humidity of sample k (from 1) of the record, all recordings laid end to end.
  static double RawHumidity(int k) { return Humidity(1860 + (k <= 5 ? k - 1 : k - 6)); }

  TempFolder folder_;
  const std::string archive_ = folder_.File("descargas.sqlite");
};

// A one-point calibration from 14:20 (kept twice with one start: the later one counts) and a
// two-point one from 15:00: samples before 14:20 stay raw, the others carry the calibration in
// force at their time, in the record, both exports and the statistics.
TEST_F(CliCalibration, CorrectedValuesFromEachCalibrationsStart) {
  const std::vector<std::string> common = {"--date", "2026-11-02", "--due", "2027-11-02"};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), common.begin(), common.end());
    return args;
  };
  ASSERT_EQ(Set(with({"--t-offset", "9", "--certificate", "A-0", "--from", "2026-12-07T14:20:00",
                      "--reason", "first"}))
                .exitCode,
            0);
  ASSERT_EQ(Set(with({"--t-offset", "0.5", "--rh-offset", "-1", "--certificate", "A-1", "--from",
                      "2026-12-07T14:20:00", "--reason", "typo in A-0"}))
                .exitCode,
            0);
  const RunResult two = Set(with({"--t-gain", "1.01", "--t-offset", "-0.2", "--rh-gain", "0.98",
                                  "--rh-offset", "1.5", "--certificate", "B, 2", "--laboratory",
                                  "Lab Sur", "--from", "2026-12-07", "--reason", "annual"}));
  ASSERT_EQ(two.exitCode, 0) << two.err;
  // Applies from 2026-12-07 (midnight), earlier than the A certificates: it corrects 14:10 and
  // 14:15 only, since A-1 replaces it from 14:20. A third from 15:00 replaces A-1.
  ASSERT_EQ(Set(with({"--t-gain", "1.02", "--rh-gain", "0.9", "--certificate", "C-3", "--from",
                      "2026-12-07T15:00:00", "--reason", "new sensor"}))
                .exitCode,
            0);

  const RunResult record = Run({"record", "norte", "--format", "json", "--archive", archive_});
  ASSERT_EQ(record.exitCode, 0) << record.err;
  const nlohmann::json json = nlohmann::json::parse(record.out);
  ASSERT_EQ(json["samples"].size(), 8u);
  ASSERT_EQ(json["calibrations"].size(), 3u);
  EXPECT_EQ(json["calibrations"][0]["certificate"], "B, 2");
  EXPECT_EQ(json["calibrations"][0]["laboratory"], "Lab Sur");
  for (int k = 1; k <= 8; ++k) {
    const nlohmann::json& sample = json["samples"][static_cast<std::size_t>(k - 1)];
    const double rh = RawHumidity(k);
    double expectedRh = rh * 0.98 + 1.5, expectedT = kRawTemperature * 1.01 - 0.2;
    std::string certificate = "B, 2";
    if (k >= 3 && k <= 5) {
      expectedRh = rh - 1, expectedT = kRawTemperature + 0.5, certificate = "A-1";
    } else if (k >= 6) {
      expectedRh = rh * 0.9, expectedT = kRawTemperature * 1.02, certificate = "C-3";
    }
    EXPECT_NEAR(sample["relative_humidity_pct"].get<double>(), expectedRh, 1e-9) << k;
    EXPECT_NEAR(sample["temperature_c"].get<double>(), expectedT, 1e-9) << k;
    EXPECT_EQ(sample["calibration"], certificate) << k;
  }
  // Both downloads' readings of sample 3 are corrected as the sample is.
  ASSERT_EQ(json["conflicts"].size(), 1u);
  EXPECT_NEAR(json["conflicts"][0]["readings"][1]["relative_humidity_pct"].get<double>(),
              Humidity(1700) - 1, 1e-9);

  // Before the first calibration's start the values are raw, and the column says so by staying
  // empty; a certificate holding the separator is quoted.
  RunResult csv = Run(
      {"record", "norte", "--format", "csv", "--to", "2026-12-07T14:20:00", "--archive", archive_});
  ASSERT_EQ(csv.exitCode, 0) << csv.err;
  EXPECT_EQ(csv.out.substr(0, csv.out.find("\r\n")),
            "sample,timestamp,relative_humidity_pct,temperature_c,calibration");
  EXPECT_NE(csv.out.find("\r\n1,2026-12-07T14:10:00,50.5,23.5,\"B, 2\"\r\n"), std::string::npos)
      << csv.out;
  EXPECT_NE(csv.out.find("\r\n3,2026-12-07T14:20:00,49.1,24.0,A-1\r\n"), std::string::npos)
      << csv.out;

  const RunResult stats = Run({"stats", "--station", "norte", "--json", "--from",
                               "2026-12-07T15:00:00", "--archive", archive_});
  ASSERT_EQ(stats.exitCode, 0) << stats.err;
  const nlohmann::json figures = nlohmann::json::parse(stats.out);
  EXPECT_NEAR(figures["humidity"]["mean"].get<double>(),
              (RawHumidity(6) + RawHumidity(7) + RawHumidity(8)) / 3 * 0.9, 1e-9);
  EXPECT_NEAR(figures["temperature"]["max"].get<double>(), kRawTemperature * 1.02, 1e-9);
  EXPECT_EQ(figures["calibrations"][0]["certificate"], "C-3");

  // One archived download of the station reads as its record does.
  const RunResult single =
      Run({"export", "--history", "3", "--format", "json", "--archive", archive_});
  ASSERT_EQ(single.exitCode, 0) << single.err;
  const nlohmann::json download = nlohmann::json::parse(single.out);
  ASSERT_EQ(download["samples"].size(), 3u);
  for (const nlohmann::json& sample : download["samples"]) {
    EXPECT_NEAR(sample["temperature_c"].get<double>(), kRawTemperature * 1.02, 1e-9);
    EXPECT_EQ(sample["calibration"], "C-3");
  }
}

// What no calibration may be is refused before anything is written: a due date before the
// certificate's, a gain of zero or below, no reason, a station the archive does not know. What is
// kept has its audit entry, with what it replaced.
TEST_F(CliCalibration, RefusalsKeepNothingAndEachChangeIsAudited) {
  const std::vector<std::string> good = {"--certificate", "A-1",        "--date",   "2026-11-02",
                                         "--due",         "2027-11-02", "--reason", "annual"};
  auto but = [&](const std::string& option, const std::string& value) {
    std::vector<std::string> args = good;
    const auto at = std::find(args.begin(), args.end(), option);
    if (at == args.end()) {
      args.push_back(option);
      args.push_back(value);
    } else if (value.empty()) {
      args.erase(at, at + 2);
    } else {
      *(at + 1) = value;
    }
    return args;
  };
  EXPECT_EQ(Set(but("--due", "2026-11-01")).exitCode, 2);
  EXPECT_EQ(Set(but("--t-gain", "0")).exitCode, 2);
  EXPECT_EQ(Set(but("--rh-gain", "-1")).exitCode, 2);
  EXPECT_EQ(Set(but("--t-offset", "nan")).exitCode, 2);
  EXPECT_EQ(Set(but("--reason", "")).exitCode, 2);
  EXPECT_EQ(Set(but("--date", "2026-02-30")).exitCode, 2);
  std::vector<std::string> elsewhere = {"calibration", "set", "sur", "--archive", archive_};
  elsewhere.insert(elsewhere.end(), good.begin(), good.end());
  const RunResult unknown = Run(elsewhere);
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.err.find("no station named 'sur'"), std::string::npos) << unknown.err;
  EXPECT_EQ(Run({"calibration", "show", "norte", "--json", "--archive", archive_}).out, "[]\n");

  ASSERT_EQ(Set(good).exitCode, 0);
  ASSERT_EQ(Set(but("--t-offset", "0.25")).exitCode, 0);
  const RunResult shown = Run({"calibration", "show", "norte", "--json", "--archive", archive_});
  ASSERT_EQ(nlohmann::json::parse(shown.out).size(), 2u) << shown.out;

  ArchiveFile file(archive_, ArchiveAccess::kReadOnly);
  const std::vector<AuditEntry> entries = ReadAuditEntries(file.connection());
  std::vector<const AuditEntry*> changes;
  for (const AuditEntry& entry : entries) {
    if (entry.change.action == AuditAction::kCalibrationChange) changes.push_back(&entry);
  }
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0]->change.station, "norte");
  EXPECT_FALSE(changes[0]->change.oldValue);
  EXPECT_EQ(changes[1]->change.reason, "annual");
  ASSERT_TRUE(changes[1]->change.oldValue && changes[1]->change.newValue);
  EXPECT_EQ(nlohmann::json::parse(*changes[1]->change.oldValue)["t_offset"], 0.0);
  EXPECT_EQ(nlohmann::json::parse(*changes[1]->change.newValue)["t_offset"], 0.25);
}

}  // namespace
