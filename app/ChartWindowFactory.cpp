#include "ChartWindowFactory.h"

#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

QDialog* CreateChartWindow(QWidget* parent, std::function<int()> downloadLineCount,
                           std::function<QString(int column, int row)> tableCell) {
  (void)downloadLineCount;
  (void)tableCell;
  auto* window = new QDialog(parent);
  window->setObjectName(QStringLiteral("Form6"));
  window->setWindowTitle(QStringLiteral("GRAFICO DE LOS VALORES DESCARGADOS"));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(new QLabel(QStringLiteral("GRAFICO DE LOS VALORES DESCARGADOS"), window));
  window->resize(545, 486);
  return window;
}
