// Reading the central archive: see CentralArchive.h.
#include "central/CentralArchive.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "archive/AuditCheck.h"
#include "archive/RecordDetailsCheck.h"
#include "archive/Sha256.h"
#include "central/CentralSchema.h"
#include "central/LocalArchiveReader.h"
#include "central/PgConnection.h"
#include "data/StartTexts.h"

namespace {

// The columns of a listed download, in the order SummaryFrom reads them.
constexpr const char* kSummaryColumns =
    "d.id, d.received_at, d.port, d.program, d.kind, d.reason, d.sha256, d.size, d.start,"
    " d.rate_minutes, d.samples, d.decode_error, d.station";
constexpr int kRawColumn = 13;

DownloadSummary SummaryFrom(const PgResult& rows, int row) {
  DownloadSummary summary;
  summary.id = rows.Integer(row, 0);
  summary.receivedAt = rows.Text(row, 1);
  summary.port = rows.Text(row, 2);
  summary.program = rows.Text(row, 3);
  summary.kind = KindFromCode(rows.Text(row, 4)).value_or(DownloadKind::kNormal);
  summary.reason = ReasonFromCode(rows.Text(row, 5)).value_or(EndReason::kLineLost);
  summary.sha256 = rows.Text(row, 6);
  summary.size = rows.Integer(row, 7);
  if (!rows.IsNull(row, 8)) summary.start = StartFromIsoText(rows.Text(row, 8));
  summary.rateMinutes = rows.IsNull(row, 9) ? 0 : static_cast<int>(rows.Integer(row, 9));
  summary.samples = rows.Integer(row, 10);
  summary.decodeError = rows.Text(row, 11);
  summary.station = rows.Text(row, 12);
  return summary;
}

std::int64_t Number(const std::optional<std::string_view>& field) {
  std::int64_t value = 0;
  if (field) std::from_chars(field->data(), field->data() + field->size(), value);
  return value;
}

std::optional<double> OptionalNumber(const nlohmann::json& value) {
  if (value.is_number()) return value.get<double>();
  return std::nullopt;
}

// The alarm as its latest event showed it, over the row first pushed.
void ApplyEvent(Alarm& alarm, const std::string& payload) {
  const nlohmann::json json = nlohmann::json::parse(payload, nullptr, false);
  if (!json.is_object()) return;
  // A live alarm's start and limit are corrected once the logger's record is read.
  if (json.value("started_at", nlohmann::json()).is_string())
    alarm.startedAt = json["started_at"].get<std::string>();
  if (json.contains("limit")) alarm.limit = OptionalNumber(json["limit"]);
  if (json.contains("ended_at"))
    alarm.endedAt = json["ended_at"].is_string()
                        ? std::optional<std::string>(json["ended_at"].get<std::string>())
                        : std::nullopt;
  if (json.value("samples", nlohmann::json()).is_number_integer())
    alarm.samples = json["samples"].get<std::int64_t>();
  if (json.value("minutes", nlohmann::json()).is_number()) alarm.minutes = json["minutes"];
  if (json.contains("peak")) alarm.peak = OptionalNumber(json["peak"]);
  if (json.value("live", nlohmann::json()).is_boolean()) alarm.live = json["live"];
  const nlohmann::json ack = json.value("acknowledged", nlohmann::json());
  if (ack.is_object()) {
    alarm.acknowledgement =
        AlarmAcknowledgement{ack.value("by", ""), ack.value("at", ""), ack.value("comment", "")};
  }
}

class CentralArchive : public ArchiveReader {
 public:
  explicit CentralArchive(const std::string& url) : url_(url), server_(url) {
    CheckCentralArchive(server_);
  }

  std::vector<DownloadSummary> List() override {
    // Through COPY: a long history comes in a fraction of the time rows one by one would take.
    std::vector<DownloadSummary> records;
    std::string start;
    server_.CopyOut(
        std::string("SELECT ") + kSummaryColumns + " FROM downloads d ORDER BY d.id DESC",
        [&](const std::vector<std::optional<std::string_view>>& f) {
          if (f.size() != 13) return;
          DownloadSummary summary;
          summary.id = Number(f[0]);
          summary.receivedAt = std::string(f[1].value_or(""));
          summary.port = std::string(f[2].value_or(""));
          summary.program = std::string(f[3].value_or(""));
          summary.kind = KindFromCode(f[4].value_or("")).value_or(DownloadKind::kNormal);
          summary.reason = ReasonFromCode(f[5].value_or("")).value_or(EndReason::kLineLost);
          summary.sha256 = std::string(f[6].value_or(""));
          summary.size = Number(f[7]);
          if (f[8]) summary.start = StartFromIsoText(*f[8]);
          summary.rateMinutes = static_cast<int>(Number(f[9]));
          summary.samples = Number(f[10]);
          summary.decodeError = std::string(f[11].value_or(""));
          summary.station = std::string(f[12].value_or(""));
          records.push_back(std::move(summary));
        });
    return records;
  }

  ArchivedDownload Get(std::int64_t id) override {
    const PgResult rows = server_.Run(std::string("SELECT ") + kSummaryColumns +
                                          ", t.raw FROM downloads d LEFT JOIN download_texts t"
                                          " ON t.download_id = d.id WHERE d.id = $1",
                                      {PgParam::Integer(id)}, true);
    if (rows.rows() == 0) {
      throw ArchiveError(ArchiveError::Kind::kNoSuchRecord,
                         "no download " + std::to_string(id) + " in the central archive");
    }
    ArchivedDownload record;
    record.summary = BinarySummary(rows, 0);
    if (!rows.IsNull(0, kRawColumn)) record.rawText = std::string(rows.Bytes(0, kRawColumn));
    return record;
  }

  std::vector<ChecksumMismatch> Verify() override {
    std::vector<ChecksumMismatch> mismatches;
    ForEachDownload("", [&](const DownloadSummary& record, std::string_view raw) {
      if (std::optional<ChecksumMismatch> wrong = CheckAgainstText(record, raw))
        mismatches.push_back(std::move(*wrong));
    });
    return mismatches;
  }

  std::vector<AuditEntry> AuditEntries() override {
    std::vector<AuditEntry> entries;
    for (auto& [source, chain] : Chains()) {
      (void)source;
      entries.insert(entries.end(), chain.begin(), chain.end());
    }
    return entries;
  }

  std::vector<AuditProblem> CheckRecords(ArchiveCheckCounts* counts) override {
    std::vector<AuditProblem> problems;
    ArchiveCheckCounts read;
    // Each source archive's chain holds on its own: every station's trail is checked whole. A
    // copied archive's chain goes on under its new identity from an entry kept under the old one:
    // that entry is not missing, it is in the other chain.
    const std::map<std::string, std::vector<AuditEntry>> chains = Chains();
    std::set<std::string> held;
    for (const auto& [source, chain] : chains) {
      (void)source;
      for (const AuditEntry& entry : chain) held.insert(entry.entrySha256);
    }
    for (const auto& [source, chain] : chains) {
      (void)source;
      read.entries += static_cast<std::int64_t>(chain.size());
      std::map<std::int64_t, const AuditEntry*> byId;
      for (const AuditEntry& entry : chain) byId[entry.id] = &entry;
      for (const AuditProblem& problem : CheckAuditChain(chain)) {
        if (problem.kind == AuditProblem::Kind::kEntryRemoved && byId.count(problem.id) &&
            held.count(byId[problem.id]->previousSha256))
          continue;
        problems.push_back(problem);
      }
    }
    ForEachDownload("", [&](const DownloadSummary& record, std::string_view raw) {
      ++read.downloads;
      if (Sha256Hex(raw) != record.sha256) {
        problems.push_back({AuditProblem::Kind::kDownloadChanged, record.id,
                            "download " + std::to_string(record.id) +
                                ": its raw text no longer matches its SHA-256"});
      }
    });
    if (counts != nullptr) *counts = read;
    return problems;
  }

  bool HasStation(const std::string& station) override {
    const PgResult found = server_.Run(
        "SELECT EXISTS (SELECT 1 FROM stations WHERE name = $1)"
        " OR EXISTS (SELECT 1 FROM downloads WHERE station = $1)",
        {PgParam::Text(station)});
    return found.Text(0, 0) == "t";
  }

  void ForEachStationDownload(const std::string& station, const DownloadVisit& visit) override {
    if (station.empty()) return;
    ForEachDownload(station, visit);
  }

  std::vector<Calibration> Calibrations(const std::string& station) override {
    const PgResult rows = server_.Run(
        "SELECT id, station, t_offset, t_gain, rh_offset, rh_gain, certificate, laboratory,"
        " certificate_date, applies_from, due, set_at FROM calibrations WHERE station = $1"
        " ORDER BY applies_from, set_at, id",
        {PgParam::Text(station)});
    std::vector<Calibration> calibrations;
    for (int row = 0; row < rows.rows(); ++row) {
      Calibration c;
      c.id = rows.Integer(row, 0);
      c.station = rows.Text(row, 1);
      c.temperatureOffset = rows.Real(row, 2);
      c.temperatureGain = rows.Real(row, 3);
      c.humidityOffset = rows.Real(row, 4);
      c.humidityGain = rows.Real(row, 5);
      c.certificate = rows.Text(row, 6);
      c.laboratory = rows.Text(row, 7);
      c.certificateDate = rows.Text(row, 8);
      c.appliesFrom = rows.Text(row, 9);
      c.due = rows.Text(row, 10);
      c.setAt = rows.Text(row, 11);
      calibrations.push_back(std::move(c));
    }
    return calibrations;
  }

  std::vector<Alarm> Alarms(const std::string& station, bool openOnly) override {
    const PgResult rows = server_.Run(
        "SELECT a.id, a.station, a.kind, a.level, a.limit_value, a.started_at, a.ended_at,"
        " a.samples, a.minutes, a.peak, a.rule, a.live, a.raised_at,"
        " (SELECT e.payload FROM alarm_events e WHERE e.alarm_id = a.id ORDER BY e.id DESC"
        " LIMIT 1) FROM alarms a WHERE $1 = '' OR a.station = $1"
        " ORDER BY a.started_at DESC, a.id DESC",
        {PgParam::Text(station)});
    std::vector<Alarm> alarms;
    for (int row = 0; row < rows.rows(); ++row) {
      Alarm alarm;
      alarm.id = rows.Integer(row, 0);
      alarm.station = rows.Text(row, 1);
      alarm.kind = AlarmKindFromCode(rows.Text(row, 2)).value_or(AlarmKind::kTemperatureHigh);
      alarm.level = AlarmLevelFromCode(rows.Text(row, 3)).value_or(AlarmLevel::kAlarm);
      if (!rows.IsNull(row, 4)) alarm.limit = rows.Real(row, 4);
      alarm.startedAt = rows.Text(row, 5);
      if (!rows.IsNull(row, 6)) alarm.endedAt = rows.Text(row, 6);
      if (!rows.IsNull(row, 7)) alarm.samples = rows.Integer(row, 7);
      if (!rows.IsNull(row, 8)) alarm.minutes = rows.Real(row, 8);
      if (!rows.IsNull(row, 9)) alarm.peak = rows.Real(row, 9);
      alarm.rule = rows.Text(row, 10);
      alarm.live = rows.Integer(row, 11) != 0;
      alarm.raisedAt = rows.Text(row, 12);
      if (!rows.IsNull(row, 13)) ApplyEvent(alarm, rows.Text(row, 13));
      if (openOnly && !alarm.open()) continue;
      alarms.push_back(std::move(alarm));
    }
    // Latest first by the start the events left, as a station's own archive lists them.
    std::stable_sort(alarms.begin(), alarms.end(), [](const Alarm& a, const Alarm& b) {
      return a.startedAt != b.startedAt ? a.startedAt > b.startedAt : a.id > b.id;
    });
    return alarms;
  }

  std::string Location() const override { return url_; }

 private:
  // A summary from a result read in binary form: only the raw text is asked so, the other
  // columns are cast to text by the query.
  static DownloadSummary BinarySummary(const PgResult& rows, int row) {
    return SummaryFrom(rows, row);
  }

  // Downloads with their texts (of one station, or all when `station` is empty), read through a
  // cursor in one transaction so that no more than a batch of texts is held at once.
  void ForEachDownload(const std::string& station, const DownloadVisit& visit) {
    PgTransaction transaction(server_);
    server_.Run(
        std::string("DECLARE texts NO SCROLL CURSOR FOR SELECT ") + TextColumns() +
            ", t.raw FROM downloads d LEFT JOIN download_texts t ON t.download_id = d.id" +
            (station.empty() ? std::string(" WHERE $1 = ''")
                             : std::string(" WHERE d.station = $1")) +
            (station.empty() ? " ORDER BY d.id" : " ORDER BY d.start, d.rate_minutes, d.id"),
        {PgParam::Text(station)});
    for (;;) {
      const PgResult rows = server_.Run("FETCH 200 FROM texts", {}, true);
      if (rows.rows() == 0) break;
      for (int row = 0; row < rows.rows(); ++row) {
        visit(SummaryFrom(rows, row),
              rows.IsNull(row, kRawColumn) ? std::string_view() : rows.Bytes(row, kRawColumn));
      }
    }
    transaction.Commit();
  }

  // The listed columns as text, for results read in binary form.
  static std::string TextColumns() {
    return "d.id::text, d.received_at, d.port, d.program, d.kind, d.reason, d.sha256,"
           " d.size::text, d.start, d.rate_minutes::text, d.samples::text, d.decode_error,"
           " d.station";
  }

  // Every source archive's audit chain, each in the order it was kept.
  std::map<std::string, std::vector<AuditEntry>> Chains() {
    const PgResult rows = server_.Run(
        "SELECT id, source, at_utc, utc_offset, \"user\", host, program, version, action, station,"
        " object, old_value, new_value, reason, content_sha256, previous_sha256, entry_sha256"
        " FROM audit_entries ORDER BY source, seq");
    std::map<std::string, std::vector<AuditEntry>> chains;
    for (int row = 0; row < rows.rows(); ++row) {
      AuditEntry e;
      e.id = rows.Integer(row, 0);
      e.atUtc = rows.Text(row, 2);
      e.utcOffset = rows.Text(row, 3);
      e.actor.user = rows.Text(row, 4);
      e.actor.host = rows.Text(row, 5);
      e.actor.program = rows.Text(row, 6);
      e.actor.version = rows.Text(row, 7);
      e.change.action = AuditActionFromCode(rows.Text(row, 8)).value_or(AuditAction::kDownload);
      if (!rows.IsNull(row, 9)) e.change.station = rows.Text(row, 9);
      e.change.object = rows.Text(row, 10);
      if (!rows.IsNull(row, 11)) e.change.oldValue = rows.Text(row, 11);
      if (!rows.IsNull(row, 12)) e.change.newValue = rows.Text(row, 12);
      e.change.reason = rows.Text(row, 13);
      e.contentSha256 = rows.Text(row, 14);
      e.previousSha256 = rows.Text(row, 15);
      e.entrySha256 = rows.Text(row, 16);
      chains[rows.Text(row, 1)].push_back(std::move(e));
    }
    return chains;
  }

  std::string url_;
  PgConnection server_;
};

}  // namespace

std::unique_ptr<ArchiveReader> OpenCentralArchive(const std::string& url) {
  CheckCentralUrl(url);
  return std::make_unique<CentralArchive>(url);
}

std::unique_ptr<ArchiveReader> OpenArchiveReader(const std::string& location) {
  if (IsCentralLocation(location)) return OpenCentralArchive(location);
  return OpenLocalArchiveReader(location);
}
