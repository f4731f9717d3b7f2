// Colours and captions for the facts of a status reply.
#include "app/StatusPresentation.h"

#include "app/PanelColors.h"
#include "link/LoggerProtocol.h"

BatteryLook BatteryLookFor(bool good) {
  if (good) {
    return {panel::kLime, panel::kLime, QStringLiteral("NIVEL DE BATERIA:"),
            QStringLiteral("\"OK\"")};
  }
  return {panel::kRed, panel::kWhite, QStringLiteral("REEMPLAZAR PILAS"),
          QStringLiteral("4 PILAS \"AA\"")};
}

QString CapacityText() {
  return QStringLiteral(" Máx: %1 ").arg(protocol::kLoggerCapacity);
}
