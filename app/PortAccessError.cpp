#include "app/PortAccessError.h"

#include <cerrno>

#include "link/CPort.h"

namespace {
constexpr int kOpenFailedReason = 1;
}

bool IsAccessRefused(const EComPort& error) {
  return error.Reason == kOpenFailedReason &&
         (error.SystemError == EACCES || error.SystemError == EPERM);
}

std::string AccessRefusedText(const EComPort& error, const std::string& port) {
  std::string text = error.what();
  if (!text.empty() && text.back() != '.') text += '.';
  text += " Su usuario no tiene permiso para abrir el puerto " + port +
          ": en Linux debe pertenecer al grupo dialout (sudo usermod -a -G dialout SU_USUARIO) y "
          "volver a iniciar la sesión";
  return text;
}
