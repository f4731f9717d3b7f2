// The archive's signatures: each kept with the audit entry that records it, both written in one
// transaction, and refused attempts recorded in the audit trail alone.
#pragma once

#include <string>
#include <vector>

#include "archive/ArchiveFile.h"
#include "archive/AuditTrail.h"
#include "archive/SignatureRecords.h"

class SignatureStore {
 public:
  // Opens the archive at `path` as DownloadArchive does. Throws ArchiveError.
  explicit SignatureStore(const std::string& path,
                          ArchiveAccess access = ArchiveAccess::kReadWrite);

  // Signs `target` for `signer` with `meaning`: hashes the data as they are, and appends the audit
  // entry (action "sign", naming the data hash) and the signature in one write transaction, so that
  // no data can be added in between and neither is kept without the other. Throws ArchiveError and
  // std::invalid_argument as SignedDataSha256 does.
  SignatureRecord Add(const SignTarget& target, SignMeaning meaning, const std::string& signer,
                      const AuditActor& actor);
  // Records a refused attempt to sign (action "sign_failed") with the reason. Throws ArchiveError.
  void AddRefusal(const SignTarget& target, SignMeaning meaning, const std::string& signer,
                  const AuditActor& actor, const std::string& refusal);

  // The signatures of a download, or those of a station whose period overlaps the one given; in
  // the order they were made. None in an archive older than signatures. Throws ArchiveError.
  std::vector<SignatureRecord> For(const SignTarget& target);

 private:
  ArchiveFile file_;
};
