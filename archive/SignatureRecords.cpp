// Codes and texts of signatures' meanings and targets.
#include "archive/SignatureRecords.h"

const char* SignMeaningCode(SignMeaning meaning) {
  return meaning == SignMeaning::kAprobado ? "aprobado" : "revisado";
}

std::optional<SignMeaning> SignMeaningFromCode(std::string_view code) {
  if (code == "revisado") return SignMeaning::kRevisado;
  if (code == "aprobado") return SignMeaning::kAprobado;
  return std::nullopt;
}

const char* SignMeaningTitle(SignMeaning meaning) {
  return meaning == SignMeaning::kAprobado ? "Aprobado" : "Revisado";
}

std::string SignTargetText(const SignTarget& target) {
  if (target.download) return "download " + std::to_string(*target.download);
  return "station " + target.station + ' ' + target.from + ' ' + target.to;
}
