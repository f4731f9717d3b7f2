// What an electronic signature names and says, as plain values: the signed data (an archived
// download, or a station's samples between two local times), the signer's meaning, and the row
// kept for it. No database code, so that the windows can use them through the archive module.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

enum class SignMeaning { kRevisado, kAprobado };
// "revisado" / "aprobado", as kept in the archive and given on the command line.
const char* SignMeaningCode(SignMeaning meaning);
std::optional<SignMeaning> SignMeaningFromCode(std::string_view code);
// "Revisado" / "Aprobado", as a person reads it.
const char* SignMeaningTitle(SignMeaning meaning);

// What is signed: an archived download, or a station's record from `from` to `to` (both included,
// the logger's local time "YYYY-MM-DDTHH:MM:SS").
struct SignTarget {
  std::optional<std::int64_t> download;
  std::string station;
  std::string from;
  std::string to;

  static SignTarget Download(std::int64_t id) { return {id, {}, {}, {}}; }
  static SignTarget StationPeriod(std::string name, std::string from, std::string to) {
    return {std::nullopt, std::move(name), std::move(from), std::move(to)};
  }
  bool operator==(const SignTarget&) const = default;
};
// "download 42" / "station norte 2026-12-01T00:00:00 2026-12-07T23:59:59": the audit entry's
// object.
std::string SignTargetText(const SignTarget& target);

// One signature kept in the archive.
struct SignatureRecord {
  std::int64_t id = 0;
  std::int64_t auditId = 0;
  SignTarget target;
  SignMeaning meaning = SignMeaning::kRevisado;
  std::string signer;      // the system account that re-authenticated
  std::string signedAt;    // UTC, "2026-12-08T15:40:02Z"
  std::string dataSha256;  // of the signed data, see SignedDataSha256
};

// How a request to sign ended: signed, or refused with the reason (a wrong password, an account
// that may not sign, data that are not there).
struct SignOutcome {
  bool signedOk = false;
  std::optional<SignatureRecord> signature;
  std::string refusal;  // empty when signed
};
