// The program's picture: a 32 x 32 drawing of a small logger with a thermometer and a water drop.
#pragma once

#include <QPixmap>

QPixmap ProgramPicture();
