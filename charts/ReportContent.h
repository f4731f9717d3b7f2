// What the report of a download or a station's period shows: the decoded table, the limits, when
// it was made, for an archived download where it came from and who signed it, for a station with
// an alarm rule the excursions beyond its limits, and for a station the gaps in its record.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "alarms/Alarm.h"

#include "analysis/SampleStatistics.h"
#include "data/SampleDecoder.h"

// Where an archived download came from.
struct ReportOrigin {
  QString receivedAt;     // "07/12/2026 21:40:02"
  QString receivedWhere;  // computer and port
  QString sha256;         // of the raw text, hexadecimal
};

// The origin as the page shows it: the reception time in local time, "dd/MM/yyyy HH:mm:ss".
ReportOrigin ReportOriginOf(const DownloadOrigin& origin);

// Time in which a station's record has no samples: between two samples, "dd/MM/yyyy HH:mm:ss",
// `minutes` beyond the step expected between them (below zero when two recordings overlap).
struct ReportGap {
  QString after;
  QString before;
  double minutes = 0;
};

// An electronic signature of the data reported.
struct ReportSignature {
  QString meaning;   // "Revisado", "Aprobado"
  QString signer;    // the account's name
  QString signedAt;  // local time, "dd/MM/yyyy HH:mm:ss"
};

struct ReportContent {
  const SampleTable* table = nullptr;
  analysis::LimitSettings limits;
  QString generatedAt;  // shown in the footer; the caller passes the clock's reading
  QString timeZone;     // the computer's time zone, which the local times shown are in
  std::optional<ReportOrigin> origin;
  // Today's date (YYYY-MM-DD), against which a calibration of the table is judged expired.
  std::string today;
  // Set when the data are a station's and the station has an alarm rule: the alarms its samples
  // raised in the period, in time order (possibly none).
  std::optional<std::vector<Alarm>> excursions;
  std::vector<ReportSignature> signatures;  // in the order they were made
  // The period reported, as every page's header names it; empty: from the first sample's time
  // stamp to the last one's.
  QString period;
  // The gaps of a station's record in the period. Not set: found from the samples' time stamps
  // (see record::TableGaps), and listed when the table is a station's.
  std::optional<std::vector<ReportGap>> gaps;
};
