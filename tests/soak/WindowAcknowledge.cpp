// A program for the soak test: the alarms window, offscreen, on the archive named by its argument,
// acknowledges the first alarm that waits for it, as an operator's RECONOCER does, and exits.
// Exit status: 0 acknowledged, 3 nothing to acknowledge, 1 the window reported a problem.
#include <QApplication>
#include <QTableWidget>

#include <cstdio>
#include <optional>
#include <string>

#include "app/AlarmsWindow.h"
#include "widgets/ColorButton.h"
#include "window_base/ErrorReport.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s ARCHIVE\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  const std::string path = argv[1];
  bool reported = false;
  SetErrorReportObserver(
      [&reported](const QString& text) {
        reported = true;
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
      },
      false);
  AlarmsWindow window([path] { return path; });
  window.SetCommentQuestion([](QWidget*, const Alarm&) {
    return std::optional<QString>(QStringLiteral("visto en la ventana"));
  });
  window.Refresh();
  QTableWidget* table = window.Table();
  for (int row = 0; row < table->rowCount() && !reported; ++row) {
    table->selectRow(row);
    if (!window.AcknowledgeButton()->isEnabled()) continue;
    window.AcknowledgeChosen();
    return reported ? 1 : 0;
  }
  return reported ? 1 : 3;
}
