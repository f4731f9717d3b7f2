// The signatures of what a report shows, read through the archive module and put as the page
// shows them.
#pragma once

#include <string>
#include <vector>

#include "archive/SignatureRecords.h"
#include "charts/ReportContent.h"

// Meaning in words, signer, and the signing time in local time.
std::vector<ReportSignature> ReportSignaturesOf(const std::vector<SignatureRecord>& records);
// The signatures of `target` in the archive at `path`. Throws ArchiveError, and std::exception
// when the archive module cannot be loaded.
std::vector<ReportSignature> ReadReportSignatures(const std::string& path,
                                                  const SignTarget& target);
