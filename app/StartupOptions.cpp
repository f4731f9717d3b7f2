#include "app/StartupOptions.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* kValueOptions[] = {"--port",     "--report",  "--out",     "--limits-rh",
                                         "--limits-t", "--history", "--archive", "--screenshots"};

bool IsValueOption(const std::string& name) {
  return std::find(std::begin(kValueOptions), std::end(kValueOptions), name) !=
         std::end(kValueOptions);
}

// The options and what they do, as the help lists them (--screenshots and --quit-after-show are
// for the project's own tools and left out).
constexpr char kOptions[] =
    "  -h, --help             Muestra esta ayuda y termina.\n"
    "  -v, --version          Muestra la versión y termina.\n"
    "  --port <NOMBRE>        Puerto serie del logger (por ejemplo /dev/ttyUSB0),\n"
    "                         elegido de antemano en el diálogo de configuración.\n"
    "  --demo                 Modo de demostración: un logger simulado dentro del\n"
    "                         programa.\n"
    "  --no-gui               Sin ventanas: estado y descarga del logger simulado en\n"
    "                         la terminal.\n"
    "  --report <ARCHIVO>     Sin ventanas: guarda el informe de una página (PDF) de\n"
    "                         una descarga capturada o de una tabla guardada;\n"
    "                         necesita --out.\n"
    "  --out <ARCHIVO.pdf>    Con --report: el archivo PDF del informe.\n"
    "  --limits-rh <MIN:MAX>  Con --report: límites de humedad relativa,\n"
    "                         MÍNIMO:MÁXIMO (uno puede faltar).\n"
    "  --limits-t <MIN:MAX>   Con --report: límites de temperatura en °C.\n"
    "  --history <ID>         Con --report, en lugar de un archivo: la descarga\n"
    "                         archivada número ID (velmorante --report --history ID\n"
    "                         --out ARCHIVO.pdf).\n"
    "  --archive <ARCHIVO>    Con --history: el archivo de descargas (por omisión\n"
    "                         $VELMORANTE_ARCHIVE o\n"
    "                         $XDG_DATA_HOME/velmorante/descargas.sqlite).\n";

// Appended to the help: what the program's exit status means.
constexpr char kExitStatus[] =
    "\nEstado de salida: 0 al cerrar el programa (o con --help, --version), 1 sin pantalla o "
    "cuando\nel logger simulado no puede empezar, 2 cuando la línea de órdenes es incorrecta.\n";

void Print(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

// The help as the program has always printed it; its few words of Qt's own come in Qt's
// translation, which the program loads.
QString HelpText(const QString& program) {
  const auto qt = [](const char* text) {
    return QCoreApplication::translate("QCommandLineParser", text);
  };
  return qt("Usage: %1").arg(program) + QLatin1Char(' ') + qt("[options]") +
         QStringLiteral(
             "\nVelmorante: comunicación con el logger de humedad y temperatura de 12 bits por el "
             "puerto serie.\n\n") +
         qt("Options:") + QLatin1Char('\n') + QString::fromUtf8(kOptions) +
         QString::fromUtf8(kExitStatus);
}

// The arguments after the program's name, last first as the parser takes them. The parser reads
// "--name=" as "--name" and takes the next argument for its value, so an empty value after '=' is
// handed to it as an argument of its own. "--report --history ID" reports an archived download:
// --report then has no file.
std::vector<std::string> ParserOrder(const QStringList& arguments) {
  std::vector<std::string> order;
  bool optionsEnded = false;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const std::string arg = arguments[i].toStdString();
    const std::string name = arg.substr(0, arg.find('='));
    const bool valueOption = IsValueOption(name);
    const bool historyNext =
        i + 1 < arguments.size() && (arguments[i + 1] == QStringLiteral("--history") ||
                                     arguments[i + 1].startsWith(QStringLiteral("--history=")));
    if (!optionsEnded && valueOption && (arg == name + "=" || (arg == "--report" && historyNext))) {
      order.push_back(name);
      order.push_back("");
    } else {
      // "--" ends the options unless it is an option's value.
      optionsEnded =
          optionsEnded || (arg == "--" && (order.empty() || !IsValueOption(order.back())));
      order.push_back(arg);
    }
  }
  std::reverse(order.begin(), order.end());
  return order;
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
  CLI::App parser;
  parser.set_help_flag();  // the help is the text above
  parser.allow_extras();   // unknown options are reported below, as the help's language has them
  const auto policy = CLI::MultiOptionPolicy::TakeLast;
  // A switch keeps what follows an '=', so that a value given to it can be refused.
  std::map<std::string, std::string> switches;
  for (const char* name : {"-h,--help", "-v,--version", "--demo", "--no-gui", "--quit-after-show"})
    parser.add_flag(name, switches[name])->multi_option_policy(policy);
  // std::map keeps its elements in place, so the parser may write into them.
  std::map<std::string, std::string> values;
  for (const char* name : kValueOptions) {
    parser.add_option(name, values[name])->multi_option_policy(policy);
  }
  std::vector<std::string> positional;
  parser.add_option("arguments", positional);

  const QString helpText = HelpText(arguments.isEmpty() ? QString() : arguments.first());
  const auto usageError = [&helpText](const QString& message) {
    Print(stderr, QStringLiteral("velmorante: ") + message + QStringLiteral("\n\n") + helpText);
    return 2;
  };
  try {
    parser.parse(ParserOrder(arguments));
  } catch (const CLI::ArgumentMismatch&) {
    // An option that takes a value was the last argument.
    return usageError(QCoreApplication::translate("QCommandLineParser", "Missing value after '%1'.")
                          .arg(arguments.last()));
  } catch (const CLI::ParseError& error) {
    return usageError(QString::fromStdString(error.what()));
  }
  QStringList unknown;
  for (const std::string& extra : parser.remaining()) {
    // The parser keeps the "--" that ends the options among what it did not use.
    if (extra == "--") continue;
    unknown << QString::fromStdString(extra.substr(0, extra.find('=')))
                   .remove(QRegularExpression(QStringLiteral("^--?")));
  }
  if (unknown.size() == 1) {
    return usageError(
        QCoreApplication::translate("QCommandLineParser", "Unknown option '%1'.").arg(unknown[0]));
  }
  if (unknown.size() > 1) {
    return usageError(QCoreApplication::translate("QCommandLineParser", "Unknown options: %1.")
                          .arg(unknown.join(QStringLiteral(", "))));
  }
  for (const auto& [name, value] : switches) {
    // A switch given alone reads "true".
    if (parser.count(name.substr(name.find("--"))) != 0 && value != "true") {
      return usageError(
          QCoreApplication::translate("QCommandLineParser", "Unexpected value after '%1'.")
              .arg(QString::fromStdString(name.substr(name.find("--")))));
    }
  }
  const auto isSet = [&parser](const char* name) { return parser.count(name) != 0; };
  if (isSet("--help")) {
    Print(stdout, helpText);
    return 0;
  }
  if (isSet("--version")) {
    Print(stdout, QStringLiteral("velmorante (Velmorante) " VELMORANTE_VERSION "\n"));
    return 0;
  }
  if (!positional.empty()) {
    return usageError(
        QStringLiteral("Argumento desconocido: %1").arg(QString::fromStdString(positional[0])));
  }
  const auto value = [&values](const char* name) { return QString::fromStdString(values[name]); };
  options.port = value("--port");
  options.demo = isSet("--demo");
  options.noGui = isSet("--no-gui");
  options.screenshotsDir = value("--screenshots");
  options.quitAfterShow = isSet("--quit-after-show");
  options.reportSource = value("--report");
  options.reportOut = value("--out");
  options.limitsHumidity = value("--limits-rh");
  options.limitsTemperature = value("--limits-t");
  options.reportHistoryId = value("--history");
  options.archivePath = value("--archive");
  return std::nullopt;
}
