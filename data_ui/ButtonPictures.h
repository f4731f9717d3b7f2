// The small pictures shown above the captions of the data window's buttons, drawn in code.
#pragma once

#include <QIcon>
#include <QSize>

inline constexpr QSize kButtonPictureSize{32, 33};

QIcon DiskPicture();      // "GUARDAR": a floppy disk
QIcon ChartPicture();     // "GRAFICAR": a line chart on axes
QIcon AnalysisPicture();  // "ANÁLISIS": bars of figures under a magnifying glass
