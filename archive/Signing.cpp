// Password check, then signature or recorded refusal.
#include "archive/Signing.h"

#include "archive/DownloadArchive.h"
#include "archive/PamPassword.h"
#include "archive/SignatureStore.h"
#include "archive/SignedData.h"

SignOutcome SignWithPassword(const std::string& path, const SignTarget& target, SignMeaning meaning,
                             const std::string& user, std::string& password,
                             const AuditActor& actor, const char* pamConfigFolder) {
  SignOutcome outcome;
  try {
    DownloadArchive data(path, ArchiveAccess::kReadOnly);
    SignedDataSha256(data, target);
  } catch (...) {
    WipeText(password);
    throw;
  }
  SignatureStore store(path);
  const PasswordCheck check = CheckSystemPassword(user, password, pamConfigFolder);
  if (!check.accepted) {
    store.AddRefusal(target, meaning, user, actor, check.refusal);
    outcome.refusal = check.refusal;
    return outcome;
  }
  outcome.signature = store.Add(target, meaning, user, actor);
  outcome.signedOk = true;
  return outcome;
}
