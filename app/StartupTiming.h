// Start-up time measurement: once the main window has been painted for the first time, prints the
// milliseconds since `sinceStart` began and ends the program.
#pragma once

#include <QElapsedTimer>

class QWidget;

void QuitAfterFirstPaint(QWidget* window, QElapsedTimer sinceStart);
