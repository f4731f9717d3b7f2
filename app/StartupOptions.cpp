#include "app/StartupOptions.h"

#include <QCommandLineParser>
#include <cstdio>
#include <cstring>

namespace {

// Appended to the parser's help: what the program's exit status means.
constexpr char kExitStatus[] =
    "\nEstado de salida: 0 al cerrar el programa (o con --help, --version), 1 sin pantalla o "
    "cuando\nel logger simulado no puede empezar, 2 cuando la línea de órdenes es incorrecta.\n";

void Print(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

}  // namespace

bool HasArgument(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

bool NeedsNoWindows(int argc, char** argv) {
  for (const char* option : {"-h", "--help", "-v", "--version", "--no-gui"}) {
    if (HasArgument(argc, argv, option)) return true;
  }
  return false;
}

std::optional<int> ParseStartupOptions(const QStringList& arguments, StartupOptions& options) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Velmorante: comunicación con el logger de humedad y temperatura de 12 bits por el puerto "
      "serie."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Muestra esta ayuda y termina."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Muestra la versión y termina."));
  const QCommandLineOption port(
      QStringLiteral("port"),
      QStringLiteral("Puerto serie del logger (por ejemplo /dev/ttyUSB0), elegido de antemano "
                     "en el diálogo de configuración."),
      QStringLiteral("NOMBRE"));
  const QCommandLineOption demo(
      QStringLiteral("demo"),
      QStringLiteral("Modo de demostración: un logger simulado dentro del programa."));
  const QCommandLineOption noGui(
      QStringLiteral("no-gui"),
      QStringLiteral("Sin ventanas: estado y descarga del logger simulado en la terminal."));
  const QCommandLineOption report(
      QStringLiteral("report"),
      QStringLiteral("Sin ventanas: guarda el informe de una página (PDF) de una descarga "
                     "capturada o de una tabla guardada; necesita --out."),
      QStringLiteral("ARCHIVO"));
  const QCommandLineOption out(QStringLiteral("out"),
                               QStringLiteral("Con --report: el archivo PDF del informe."),
                               QStringLiteral("ARCHIVO.pdf"));
  const QCommandLineOption limitsHumidity(
      QStringLiteral("limits-rh"),
      QStringLiteral("Con --report: límites de humedad relativa, MÍNIMO:MÁXIMO (uno puede "
                     "faltar)."),
      QStringLiteral("MIN:MAX"));
  const QCommandLineOption limitsTemperature(
      QStringLiteral("limits-t"), QStringLiteral("Con --report: límites de temperatura en °C."),
      QStringLiteral("MIN:MAX"));
  QCommandLineOption screenshots(QStringLiteral("screenshots"), QString(),
                                 QStringLiteral("CARPETA"));
  screenshots.setFlags(QCommandLineOption::HiddenFromHelp);
  QCommandLineOption quitAfterShow(QStringLiteral("quit-after-show"));
  quitAfterShow.setFlags(QCommandLineOption::HiddenFromHelp);
  const QCommandLineOption history(
      QStringLiteral("history"),
      QStringLiteral("Con --report, en lugar de un archivo: la descarga archivada número ID "
                     "(velmorante --report --history ID --out ARCHIVO.pdf)."),
      QStringLiteral("ID"));
  const QCommandLineOption archive(
      QStringLiteral("archive"),
      QStringLiteral("Con --history: el archivo de descargas (por omisión $VELMORANTE_ARCHIVE o "
                     "$XDG_DATA_HOME/velmorante/descargas.sqlite)."),
      QStringLiteral("ARCHIVO"));
  parser.addOptions({help, version, port, demo, noGui, report, out, limitsHumidity,
                     limitsTemperature, history, archive, screenshots, quitAfterShow});

  // "--report --history ID": the report's source is the archived download, not a file.
  QStringList words = arguments;
  const qsizetype reportAt = words.indexOf(QStringLiteral("--report"));
  if (reportAt >= 0 && reportAt + 1 < words.size() &&
      (words[reportAt + 1] == QStringLiteral("--history") ||
       words[reportAt + 1].startsWith(QStringLiteral("--history=")))) {
    words[reportAt] = QStringLiteral("--report=");
  }

  // Usage errors name the program, as every command does on Linux; "--port=NOMBRE" and
  // "--port NOMBRE" are both understood by the parser.
  const QString helpText = parser.helpText() + QString::fromUtf8(kExitStatus);
  if (!parser.parse(words)) {
    Print(stderr,
          QStringLiteral("velmorante: ") + parser.errorText() + QStringLiteral("\n\n") + helpText);
    return 2;
  }
  if (parser.isSet(help)) {
    Print(stdout, helpText);
    return 0;
  }
  if (parser.isSet(version)) {
    Print(stdout, QStringLiteral("velmorante (Velmorante) " VELMORANTE_VERSION "\n"));
    return 0;
  }
  if (!parser.positionalArguments().isEmpty()) {
    Print(stderr, QStringLiteral("velmorante: Argumento desconocido: %1\n\n%2")
                      .arg(parser.positionalArguments().first(), helpText));
    return 2;
  }
  options.port = parser.value(port);
  options.demo = parser.isSet(demo);
  options.noGui = parser.isSet(noGui);
  options.screenshotsDir = parser.value(screenshots);
  options.quitAfterShow = parser.isSet(quitAfterShow);
  options.reportSource = parser.value(report);
  options.reportOut = parser.value(out);
  options.limitsHumidity = parser.value(limitsHumidity);
  options.limitsTemperature = parser.value(limitsTemperature);
  options.reportHistoryId = parser.value(history);
  options.archivePath = parser.value(archive);
  return std::nullopt;
}
