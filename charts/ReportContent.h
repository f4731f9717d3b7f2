// What the one-page report of a download shows: the decoded table, the limits, when it was made
// and, for an archived download, where it came from and who signed it.
#pragma once

#include <QString>
#include <optional>
#include <vector>

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
  std::optional<ReportOrigin> origin;
  std::vector<ReportSignature> signatures;  // in the order they were made
};
