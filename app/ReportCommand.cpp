// The report from the command line, on Qt's offscreen platform.
#include "app/ReportCommand.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <optional>

#include "analysis/LimitRange.h"
#include "app/StartupOptions.h"
#include "charts/ReportPage.h"
#include "data/DownloadSource.h"
#include "data/TableFileWriter.h"

namespace {

void Complain(const QString& text) {
  std::fprintf(stderr, "velmorante: %s\n", text.toLocal8Bit().constData());
}

std::optional<analysis::ChannelLimits> Limits(const QString& option, const QString& text,
                                              bool& ok) {
  ok = true;
  if (text.isEmpty()) return analysis::ChannelLimits{};
  std::optional<analysis::ChannelLimits> limits = analysis::ParseLimitRange(text.toStdString());
  if (!limits) {
    Complain(QStringLiteral("%1 debe ser MÍNIMO:MÁXIMO (uno de los dos puede faltar), no '%2'")
                 .arg(option, text));
    ok = false;
  }
  return limits;
}

}  // namespace

bool AsksForReport(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--report") == 0 || std::strncmp(argv[i], "--report=", 9) == 0)
      return true;
  }
  return false;
}

int RunReportCommand(int argc, char** argv) {
  // The charts are drawn by widgets that are never shown: no display is needed.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  StartupOptions options;
  if (std::optional<int> exitCode = ParseStartupOptions(app.arguments(), options)) {
    return *exitCode;
  }
  if (options.reportOut.isEmpty()) {
    Complain(QStringLiteral("falta --out ARCHIVO.pdf: dónde guardar el informe"));
    return 2;
  }
  bool humidityOk = false;
  bool temperatureOk = false;
  const auto humidity = Limits(QStringLiteral("--limits-rh"), options.limitsHumidity, humidityOk);
  const auto temperature =
      Limits(QStringLiteral("--limits-t"), options.limitsTemperature, temperatureOk);
  if (!humidityOk || !temperatureOk) return 2;

  QFile source(options.reportSource);
  if (!source.open(QIODevice::ReadOnly)) {
    Complain(
        QStringLiteral("no se puede leer %1: %2").arg(options.reportSource, source.errorString()));
    return 1;
  }
  const QByteArray text = source.readAll();
  const std::optional<LoadedDownload> loaded =
      RecogniseDownload(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
  if (!loaded) {
    Complain(QStringLiteral("%1 no es ni una descarga capturada ni una tabla guardada")
                 .arg(options.reportSource));
    return 1;
  }
  if (loaded->table.error) {
    Complain(QStringLiteral("la descarga de %1 no se puede decodificar: %2")
                 .arg(options.reportSource, QString::fromStdString(*loaded->table.error)));
    return 1;
  }

  ReportContent content;
  content.table = &loaded->table;
  content.limits = {*humidity, *temperature};
  content.generatedAt = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
  const QByteArray pdf = ReportPdf(content);
  if (pdf.isEmpty()) {
    Complain(QStringLiteral("no se pudo componer el informe"));
    return 1;
  }
  TableFileWriter writer;
  if (!writer.WriteBytes(options.reportOut,
                         std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())))) {
    Complain(writer.ErrorText());
    return 1;
  }
  return 0;
}
