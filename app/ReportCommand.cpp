// The report from the command line, on Qt's offscreen platform.
#include "app/ReportCommand.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <tuple>

#include "alarms/AlarmTexts.h"
#include "alarms/RecordExcursions.h"
#include "analysis/LimitRange.h"
#include "analysis/StampText.h"
#include "analysis/SummaryRows.h"
#include "app/ArchiveModuleLoader.h"
#include "app/DownloadArchiver.h"
#include "app/ReportSignatures.h"
#include "app/StartupOptions.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveModule.h"
#include "archive/ArchivePath.h"
#include "archive/AuditChanges.h"
#include "archive/LocalTimeZone.h"
#include "charts/ChartModule.h"
#include "data/DownloadSource.h"
#include "data/FileIdentity.h"
#include "data/SampleDecoder.h"
#include "data/SensorRange.h"
#include "data/WholeFileWriter.h"
#include "data_ui/TableFileWriter.h"
#include "record/RecordCalibration.h"
#include "record/RecordSelection.h"
#include "record/StationRecord.h"
#include "record/StoreRecord.h"

namespace {

void Complain(const QString& text) {
  std::fprintf(stderr, "velmorante: %s\n", text.toLocal8Bit().constData());
}

std::optional<analysis::ChannelLimits> Limits(const QString& option, const QString& text,
                                              const SensorRange& range, bool& ok) {
  ok = true;
  if (text.isEmpty()) return analysis::ChannelLimits{};
  analysis::LimitProblem problem = analysis::LimitProblem::kNone;
  std::optional<analysis::ChannelLimits> limits =
      analysis::ParseLimitRange(text.toStdString(), range, &problem);
  if (problem == analysis::LimitProblem::kBeyondSensor) {
    Complain(QStringLiteral("%1: el sensor solo da de %2 a %3, no '%4'")
                 .arg(option, QString::fromStdString(analysis::SpanishFigure(range.lowest)),
                      QString::fromStdString(analysis::SpanishFigure(range.highest)), text));
    ok = false;
  } else if (problem == analysis::LimitProblem::kReversed) {
    Complain(QStringLiteral("%1: el mínimo es mayor que el máximo en '%2'").arg(option, text));
    ok = false;
  } else if (!limits) {
    Complain(QStringLiteral("%1 debe ser MÍNIMO:MÁXIMO (uno de los dos puede faltar), no '%2'")
                 .arg(option, text));
    ok = false;
  }
  return limits;
}

// Whether `path` names a central archive on a database server rather than an archive file.
bool IsServerLocation(const std::string& path) {
  return path.rfind("postgresql://", 0) == 0 || path.rfind("postgres://", 0) == 0;
}

// The archive the report reads: --archive, or the default; nothing (after saying so) when there is
// no such file, as reading a report never creates an archive. A central archive is read as the
// windows read it, through the archive module.
std::optional<std::string> ExistingArchivePath(const StartupOptions& options) {
  const std::string path =
      options.archivePath.isEmpty() ? DefaultArchivePath() : options.archivePath.toStdString();
  if (!IsServerLocation(path) && !std::filesystem::exists(path)) {
    Complain(
        QStringLiteral("no existe el archivo de descargas %1").arg(QString::fromStdString(path)));
    return std::nullopt;
  }
  return path;
}

// The archived download `options.reportHistoryId`, decoded and marked with where it came from;
// nothing (after saying why) when the archive or the record cannot be read.
std::optional<LoadedDownload> ArchivedSource(const StartupOptions& options,
                                             std::optional<std::vector<Alarm>>& excursions) {
  bool numeric = false;
  const qlonglong id = options.reportHistoryId.toLongLong(&numeric);
  if (!numeric || id <= 0) {
    Complain(QStringLiteral("--history necesita el número de una descarga archivada, no '%1'")
                 .arg(options.reportHistoryId));
    return std::nullopt;
  }
  const std::optional<std::string> path = ExistingArchivePath(options);
  if (!path) return std::nullopt;
  try {
    const std::unique_ptr<ArchiveStore> archive = LoadArchiveModule().Open(*path);
    const ArchivedDownload record = archive->Get(id);
    LoadedDownload loaded;
    loaded.kind = LoadedDownload::Kind::kRawDownload;
    loaded.rawText = record.rawText;
    loaded.table = DecodeReceived(record.rawText);
    loaded.table.origin =
        DownloadOrigin{record.summary.receivedAt, record.summary.port, record.summary.sha256};
    loaded.table.station = record.summary.station;
    if (!record.summary.station.empty()) {
      record::ApplyCalibrations(loaded.table, archive->Calibrations(record.summary.station));
      if (const std::optional<AlarmRule> rule =
              LoadArchiveModule().ReadAlarmRule(*path, record.summary.station)) {
        excursions = TableExcursionAlarms(loaded.table, *rule, record.summary.station);
      }
    }
    return loaded;
  } catch (const ArchiveError& error) {
    Complain(QStringLiteral("no se puede leer la descarga archivada %1: %2")
                 .arg(options.reportHistoryId, ArchiveProblemText(error, *path)));
    return std::nullopt;
  } catch (const std::exception& error) {
    Complain(QString::fromStdString(error.what()));  // the archive module could not be loaded
    return std::nullopt;
  }
}

// The samples of station `options.reportStation` in --from..--to as one table; nothing (after
// saying why) for a time that cannot be read, an archive that cannot be read or a station it does
// not know.
std::optional<LoadedDownload> StationSource(const StartupOptions& options, int& exitCode,
                                            std::optional<std::vector<Alarm>>& excursions,
                                            std::vector<ReportGap>& gaps) {
  exitCode = 2;
  record::TimeWindow window;
  for (const auto& [name, text, end] : {std::tuple{"--from", options.reportFrom, &window.from},
                                        std::tuple{"--to", options.reportTo, &window.to}}) {
    if (text.isEmpty()) continue;
    *end = record::WallClockFromIso(text.toStdString());
    if (!*end) {
      Complain(QStringLiteral("%1 debe ser una fecha y hora local AAAA-MM-DDTHH:MM:SS, no '%2'")
                   .arg(QLatin1String(name), text));
      return std::nullopt;
    }
  }
  exitCode = 1;
  const std::optional<std::string> path = ExistingArchivePath(options);
  if (!path) return std::nullopt;
  try {
    const std::unique_ptr<ArchiveStore> archive = LoadArchiveModule().Open(*path);
    const std::string station = options.reportStation.toStdString();
    std::optional<record::StationRecord> found = record::ReadStationRecord(*archive, station);
    if (!found) {
      Complain(QStringLiteral("el archivo %1 no conoce ninguna estación llamada '%2'")
                   .arg(QString::fromStdString(*path), options.reportStation));
      return std::nullopt;
    }
    record::StationRecord record = std::move(*found);
    // Excursions are found over the whole record, so that one running into the period from
    // before it keeps its true start and length.
    if (const std::optional<AlarmRule> rule = LoadArchiveModule().ReadAlarmRule(*path, station)) {
      excursions = AlarmsInWindow(RecordExcursionAlarms(record, *rule, station), window);
    }
    LoadedDownload loaded;
    loaded.kind = LoadedDownload::Kind::kRawDownload;
    record::RecordSelection selection = record::SelectRecord(std::move(record), window);
    for (const record::Gap& gap : selection.gaps) {
      gaps.push_back({QString::fromStdString(SpanishStampText(gap.after)),
                      QString::fromStdString(SpanishStampText(gap.before)), gap.minutes});
    }
    loaded.table = std::move(selection.table);
    loaded.table.station = station;
    return loaded;
  } catch (const ArchiveError& error) {
    Complain(QStringLiteral("no se puede leer el registro de la estación %1: %2")
                 .arg(options.reportStation, ArchiveProblemText(error, *path)));
    return std::nullopt;
  } catch (const std::exception& error) {
    Complain(QString::fromStdString(error.what()));  // the archive module could not be loaded
    return std::nullopt;
  }
}

// "07/12/2026 14:25:00 – 08/12/2026 10:00:00": the period asked for, an end left open taken from
// the first or last sample reported.
QString PeriodText(const StartupOptions& options, const SampleTable& table) {
  const SampleNumbers* first = nullptr;
  const SampleNumbers* last = nullptr;
  for (const SampleNumbers& sample : table.samples) {
    if (!sample.hasStamp) continue;
    if (!first) first = &sample;
    last = &sample;
  }
  const auto end = [](const QString& asked, const SampleNumbers* sample) {
    if (!asked.isEmpty()) return QString::fromStdString(SpanishStampText(asked.toStdString()));
    if (!sample) return QStringLiteral("—");
    return QString::fromStdString(analysis::SpanishDateTimeText(analysis::StampOf(*sample)));
  };
  return end(options.reportFrom, first) + QStringLiteral(" – ") + end(options.reportTo, last);
}

// Notes the report written in the audit trail of the archive it was read from; says why and returns
// false when the archive does not take the entry.
bool NoteReport(const StartupOptions& options, const AuditChange& change) {
  const std::optional<std::string> path = ExistingArchivePath(options);
  if (!path) return false;
  try {
    LoadArchiveModule().Open(*path)->Audit("velmorante", VELMORANTE_VERSION, change);
    return true;
  } catch (const ArchiveError& error) {
    Complain(QStringLiteral("el informe se guardó, pero el archivo de descargas no lo registró en "
                            "su registro de auditoría: %1")
                 .arg(ArchiveProblemText(error, *path)));
  } catch (const std::exception& error) {
    Complain(QString::fromStdString(error.what()));
  }
  return false;
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
  if (IsDatabaseFile(options.reportOut.toStdString())) {
    Complain(QStringLiteral("no se escribe %1: es una base de datos (el archivo de descargas o uno "
                            "de sus archivos auxiliares)")
                 .arg(options.reportOut));
    return 2;
  }
  // The capture read may be the only copy of what the logger sent: the report never replaces it.
  if (options.reportStation.isEmpty() && options.reportHistoryId.isEmpty() &&
      SameFile(options.reportOut.toStdString(), options.reportSource.toStdString())) {
    Complain(QStringLiteral("no se escribe %1: es el archivo del que se lee el informe; no se "
                            "escribió nada")
                 .arg(options.reportOut));
    return 2;
  }
  bool humidityOk = false;
  bool temperatureOk = false;
  const auto humidity =
      Limits(QStringLiteral("--limits-rh"), options.limitsHumidity, kHumidityRange, humidityOk);
  const auto temperature = Limits(QStringLiteral("--limits-t"), options.limitsTemperature,
                                  kTemperatureRange, temperatureOk);
  if (!humidityOk || !temperatureOk) return 2;

  std::optional<LoadedDownload> loaded;
  std::optional<std::vector<Alarm>> excursions;
  std::optional<std::vector<ReportGap>> gaps;
  QString sourceName = options.reportSource;
  if (!options.reportStation.isEmpty()) {
    sourceName = QStringLiteral("el registro de la estación %1").arg(options.reportStation);
    int exitCode = 1;
    loaded = StationSource(options, exitCode, excursions, gaps.emplace());
    if (!loaded) return exitCode;
  } else if (!options.reportHistoryId.isEmpty()) {
    sourceName = QStringLiteral("la descarga archivada %1").arg(options.reportHistoryId);
    loaded = ArchivedSource(options, excursions);
    if (!loaded) return 1;
  } else {
    QFile source(options.reportSource);
    if (!source.open(QIODevice::ReadOnly)) {
      Complain(QStringLiteral("no se puede leer %1: %2")
                   .arg(options.reportSource, source.errorString()));
      return 1;
    }
    const QByteArray text = source.readAll();
    SavedTableProblem problem;
    loaded = RecogniseDownload(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())), &problem);
    if (!loaded && problem.kind != SavedTableProblem::Kind::kNotATable) {
      Complain(QStringLiteral("%1, %2").arg(
          options.reportSource, QString::fromStdString(SavedTableProblemText(problem))));
      return 1;
    }
    if (!loaded) {
      const QString where =
          problem.shape == SavedTableProblem::Shape::kNone
              ? QString()
              : QStringLiteral(": %1").arg(QString::fromStdString(SavedTableProblemText(problem)));
      Complain(QStringLiteral("%1 no es ni una descarga capturada ni una tabla guardada%2")
                   .arg(options.reportSource, where));
      return 1;
    }
  }
  if (loaded->table.error) {
    Complain(QStringLiteral("%1 no se puede decodificar: %2")
                 .arg(sourceName, QString::fromStdString(*loaded->table.error)));
    return 1;
  }

  ReportContent content;
  content.table = &loaded->table;
  content.limits = {*humidity, *temperature};
  if (loaded->table.origin) content.origin = ReportOriginOf(*loaded->table.origin);
  content.excursions = std::move(excursions);
  content.gaps = std::move(gaps);
  if (!options.reportStation.isEmpty()) content.period = PeriodText(options, loaded->table);
  if (!options.reportStation.isEmpty() || !options.reportHistoryId.isEmpty()) {
    const SignTarget target = options.reportStation.isEmpty()
                                  ? SignTarget::Download(options.reportHistoryId.toLongLong())
                                  : SignTarget::StationPeriod(options.reportStation.toStdString(),
                                                              options.reportFrom.toStdString(),
                                                              options.reportTo.toStdString());
    const std::string path =
        options.archivePath.isEmpty() ? DefaultArchivePath() : options.archivePath.toStdString();
    try {
      content.signatures = ReadReportSignatures(path, target);
    } catch (const std::exception& error) {
      // The data were read: a report without its signatures would say they have none.
      Complain(QStringLiteral("no se pueden leer las firmas: %1")
                   .arg(QString::fromStdString(error.what())));
      return 1;
    }
  }
  content.generatedAt = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
  content.today = LocalDateToday();
  content.timeZone = QString::fromStdString(LocalTimeZoneName());
  QByteArray pdf;
  try {
    pdf = LoadChartModule().ReportPdf(content);
  } catch (const std::exception& error) {
    Complain(QString::fromStdString(error.what()));  // the chart module could not be loaded
    return 1;
  }
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
  // A report made from the archive's records is noted in its audit trail.
  if (!options.reportStation.isEmpty() || !options.reportHistoryId.isEmpty()) {
    const std::string station = options.reportStation.toStdString();
    const std::string source = station.empty() ? "download " + options.reportHistoryId.toStdString()
                                               : "station " + station;
    const QByteArray sha256 = QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toHex();
    if (!NoteReport(
            options,
            FileWrittenChange(AuditAction::kReport, station,
                              std::filesystem::absolute(options.reportOut.toStdString()).string(),
                              sha256.toStdString(), source)))
      return 1;
  }
  return 0;
}
