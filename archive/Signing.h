// Signing with a password: the signer's account password is checked through PAM, and only then is
// the signature kept; a refused password is recorded in the audit trail, never the password.
#pragma once

#include <string>

#include "archive/AuditTrail.h"
#include "archive/SignatureRecords.h"

// Signs `target` in the archive at `path` as `user`, whose account password is `password` (wiped
// before return). The data are looked up first, so that a missing download or an empty period is
// refused before any password is checked. Throws ArchiveError (the archive cannot be opened or
// written, the data are not there) and std::invalid_argument (a period that is no period).
SignOutcome SignWithPassword(const std::string& path, const SignTarget& target, SignMeaning meaning,
                             const std::string& user, std::string& password,
                             const AuditActor& actor, const char* pamConfigFolder = nullptr);
