// How the main window shows the logger's status: the colours and captions of the battery bar and
// the capacity beside the memory display. The interpreter only says what the logger reported.
#pragma once

#include <QColor>
#include <QString>

struct BatteryLook {
  QColor barColor;
  QColor fontColor;
  QString caption1;
  QString caption2;
};

// Lime bar and text with "NIVEL DE BATERIA:" / "OK" for a good battery; a red bar, white text and
// "REEMPLAZAR PILAS" / 4 PILAS "AA" for one to replace.
BatteryLook BatteryLookFor(bool good);

// The text beside the used-memory box: " Máx: 2000 ".
QString CapacityText();
