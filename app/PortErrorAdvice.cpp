#include "app/PortErrorAdvice.h"

#include "app/PortAccessError.h"
#include "link/ComPortError.h"

namespace {

std::string Advice(const EComPort& error, const std::string& port) {
  switch (ProblemOf(error)) {
    case PortProblem::kLineLost:
      return "Se perdió la comunicación con el puerto " + port +
             ": se desconectó el cable o el adaptador. Revíselo y vuelva a conectar.";
    case PortProblem::kMissing:
      return "El puerto " + port +
             " no existe: ¿está enchufado el adaptador serie? Puede elegir otro puerto con el "
             "botón PUERTO.";
    case PortProblem::kBusy:
      return "El puerto " + port +
             " está en uso por otro programa: ciérrelo y vuelva a conectar, o elija otro puerto "
             "con el botón PUERTO.";
    case PortProblem::kAccessRefused:
    case PortProblem::kOther:
      break;
  }
  if (error.Reason != kReasonOpenFailed) return {};
  return "Puede elegir otro puerto con el botón PUERTO.";
}

}  // namespace

std::string PortErrorText(const EComPort& error, const std::string& port) {
  if (IsAccessRefused(error)) return AccessRefusedText(error, port);
  const std::string advice = Advice(error, port);
  std::string text = error.what();
  if (advice.empty()) return text;
  if (!text.empty() && text.back() != '.') text += '.';
  return text + ' ' + advice;
}
