// Creates the chart window, which draws the data window's table against the sample number.
#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

QDialog* CreateChartWindow(QWidget* parent, std::function<int()> downloadLineCount,
                           std::function<QString(int column, int row)> tableCell);
