#include "app/PortAccessError.h"

#include "link/ComPortError.h"

bool IsAccessRefused(const EComPort& error) {
  return ProblemOf(error) == PortProblem::kAccessRefused;
}

std::string AccessRefusedText(const EComPort& error, const std::string& port) {
  std::string text = error.what();
  if (!text.empty() && text.back() != '.') text += '.';
  text += " Su usuario no tiene permiso para abrir el puerto " + port +
          ": en Linux debe pertenecer al grupo dialout (sudo usermod -a -G dialout SU_USUARIO) y "
          "volver a iniciar la sesión";
  return text;
}
