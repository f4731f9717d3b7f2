#include "app/PortErrorAdvice.h"

#include <cerrno>

#include "app/PortAccessError.h"
#include "link/CPort.h"

namespace {

constexpr int kOpenFailedReason = 1;

std::string Advice(const EComPort& error, const std::string& port) {
  const int system = error.SystemError;
  if (system == EIO ||
      ((system == ENXIO || system == ENODEV) && error.Reason != kOpenFailedReason)) {
    return "Se perdió la comunicación con el puerto " + port +
           ": se desconectó el cable o el adaptador. Revíselo y vuelva a conectar.";
  }
  if (error.Reason != kOpenFailedReason) return {};
  if (system == ENOENT || system == ENXIO || system == ENODEV) {
    return "El puerto " + port +
           " no existe: ¿está enchufado el adaptador serie? Puede elegir otro puerto con el "
           "botón PUERTO.";
  }
  if (system == EBUSY) {
    return "El puerto " + port +
           " está en uso por otro programa: ciérrelo y vuelva a conectar, o elija otro puerto con "
           "el botón PUERTO.";
  }
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
