#include "app/ProgramWindows.h"

#include <QApplication>
#include <QFont>

#include "app/ArchiveModuleLoader.h"
#include "app/DataWindowSigning.h"
#include "app/DataWindowTools.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit7.h"
#include "app/Unit8.h"
#include "archive/ArchiveModule.h"
#include "charts/Unit6.h"
#include "data_ui/Unit5.h"
#include "window_base/FormLook.h"
#include "window_base/ModalWindow.h"

namespace {

// Makes the panel's font the application's font while the windows are made. A line edit lays out
// its text in the application's font as it is made, before it takes its window's font; with the
// desktop's default font that loads a font no window shows at start, which costs more than
// drawing a third of the main window. The desktop's font comes back for the message boxes and
// file dialogs.
class PanelFontWhileMaking {
 public:
  PanelFontWhileMaking() : desktopFont_(QApplication::font()) {
    QApplication::setFont(ArialFont(11));
  }
  ~PanelFontWhileMaking() { QApplication::setFont(desktopFont_); }
  PanelFontWhileMaking(const PanelFontWhileMaking&) = delete;
  PanelFontWhileMaking& operator=(const PanelFontWhileMaking&) = delete;

 private:
  QFont desktopFont_;
};

}  // namespace

ProgramWindows CreateProgramWindows(TForm1::Options options) {
  const PanelFontWhileMaking panelFont;
  ProgramWindows windows;
  windows.Form1 = std::make_unique<TForm1>(std::move(options));
  TForm1* main = windows.Form1.get();

  windows.Form2 = new TForm2(main);
  windows.Form3 = new TForm3(main);
  windows.Form5 = new TForm5(main);
  TForm5* data = windows.Form5;
  windows.Form6 = new TForm6(main);
  windows.Form6->SetTableSource([data] { return &data->Table(); });
  // A table that names a station (an archived download, a station's record) came from the
  // archive, whose module is then loaded already.
  const auto rules = [main](const std::string& station) {
    return LoadArchiveModule().ReadAlarmRule(main->ArchivePath(), station);
  };
  windows.Form6->SetAlarmRuleSource(rules);
  windows.Form7 = new TForm7([main] { return main->IsConnected(); },
                             [main](int choice) { main->SetRate(choice); }, main);
  windows.Form8 = new TForm8([main] { main->MarkClockPending(); }, main);

  data->SetDownloadTextSource([main] { return main->DownloadText(); });
  TForm6* charts = windows.Form6;
  data->SetChartWindowOpener([charts] { ShowModal(charts); });
  auto* tools = new DataWindowTools(data);  // owned by the data window
  tools->SetAlarmRuleSource(rules);
  new DataWindowSigning(data);              // owned by the data window
  // The chart window's time axis option comes with its charts, at its first showing.
  charts->SetLimitsSource([tools] { return tools->Limits(); });

  main->SetWindows({.about = windows.Form2,
                    .help = windows.Form3,
                    .data = windows.Form5,
                    .rate = windows.Form7,
                    .clock = windows.Form8});
  return windows;
}
