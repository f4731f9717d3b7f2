// What the one-page report of a download shows: the decoded table, the limits, when it was made
// and, for an archived download, where it came from.
#pragma once

#include <QString>
#include <optional>

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

struct ReportContent {
  const SampleTable* table = nullptr;
  analysis::LimitSettings limits;
  QString generatedAt;  // shown in the footer; the caller passes the clock's reading
  QString timeZone;     // the computer's time zone, which the local times shown are in
  std::optional<ReportOrigin> origin;
};
