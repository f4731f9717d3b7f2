#include "app/StartupOptions.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* kValueOptions[] = {"--port",     "--report",  "--out",     "--limits-rh",
                                         "--limits-t", "--history", "--archive", "--screenshots",
                                         "--station",  "--from",    "--to"};

constexpr const char* kSwitches[] = {"--help", "--version", "--demo", "--no-gui",
                                     "--quit-after-show"};

bool IsSwitch(const std::string& name) {
  return std::find(std::begin(kSwitches), std::end(kSwitches), name) != std::end(kSwitches);
}

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
    "  --station <NOMBRE>     Con --report, en lugar de un archivo: el registro\n"
    "                         continuo de la estación NOMBRE, grabación tras\n"
    "                         grabación (velmorante --report --station NOMBRE\n"
    "                         --out ARCHIVO.pdf).\n"
    "  --from <HORA>          Con --station: solo las muestras desde HORA, hora local\n"
    "                         del logger AAAA-MM-DDTHH:MM:SS.\n"
    "  --to <HORA>            Con --station: solo las muestras hasta HORA.\n"
    "  --archive <ARCHIVO>    Con --history o --station: el archivo de descargas (por\n"
    "                         omisión $VELMORANTE_ARCHIVE o\n"
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

// The arguments after the program's name as the parser takes them (last first), how many of them
// follow the "--" that ends the options, and the last switch given a value, which is refused.
struct ParserInput {
  std::vector<std::string> order;
  std::size_t afterOptions = 0;
  QString switchWithValue;
};

// Readies the arguments for the parser, which reads a few of them otherwise than this program
// always has: "--name=" with an empty value (it would take the next argument for the value) is
// handed over as "--name" and an empty argument, and so is "--report" right before "--history" or
// "--station": the report of an archived download or of a station's record has no file.
ParserInput PrepareArguments(const QStringList& arguments) {
  ParserInput input;
  bool optionsEnded = false;
  bool valueNext = false;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const std::string arg = arguments[i].toStdString();
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto next = [&](const QString& option) {
      return i + 1 < arguments.size() &&
             (arguments[i + 1] == option || arguments[i + 1].startsWith(option + QLatin1Char('=')));
    };
    const bool historyNext = next(QStringLiteral("--history")) || next(QStringLiteral("--station"));
    if (optionsEnded) {
      ++input.afterOptions;
    } else if (valueNext) {
      valueNext = false;
    } else if (arg == "--") {
      optionsEnded = true;
    } else if ((equals + 1 == arg.size() && IsValueOption(name)) ||
               (arg == "--report" && historyNext)) {
      input.order.push_back(name);
      input.order.push_back("");
      continue;
    } else if (equals == std::string::npos) {
      valueNext = IsValueOption(arg);
    } else if (IsSwitch(name)) {
      input.switchWithValue = QString::fromStdString(name);
    }
    input.order.push_back(arg);
  }
  std::reverse(input.order.begin(), input.order.end());
  return input;
}

// An unknown option's name as the usage error gives it: without its dashes and its value.
QString OptionName(const std::string& arg) {
  const std::size_t dashes = arg.compare(0, 2, "--") == 0 ? 2 : 1;
  return QString::fromStdString(
      arg.substr(dashes, arg.find('=') - std::min(arg.find('='), dashes)));
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
  parser.add_flag("-h,--help");
  parser.add_flag("-v,--version");
  for (const char* name : {"--demo", "--no-gui", "--quit-after-show"}) parser.add_flag(name);
  // std::map keeps its elements in place, so the parser may write into them.
  std::map<std::string, std::string> values;
  for (const char* name : kValueOptions) {
    parser.add_option(name, values[name])->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  }
  std::vector<std::string> positional;
  parser.add_option("arguments", positional);

  const QString helpText = HelpText(arguments.isEmpty() ? QString() : arguments.first());
  const auto usageError = [&helpText](const QString& message) {
    Print(stderr, QStringLiteral("velmorante: ") + message + QStringLiteral("\n\n") + helpText);
    return 2;
  };
  ParserInput input = PrepareArguments(arguments);
  try {
    parser.parse(input.order);
  } catch (const CLI::ArgumentMismatch&) {
    // An option that takes a value was the last argument.
    return usageError(QCoreApplication::translate("QCommandLineParser", "Missing value after '%1'.")
                          .arg(arguments.last()));
  } catch (const CLI::ParseError& error) {
    return usageError(QString::fromStdString(error.what()));
  }
  // Of the mistakes, the last value missing or given to a switch is the one reported, then the
  // unknown options.
  if (!input.switchWithValue.isEmpty()) {
    return usageError(
        QCoreApplication::translate("QCommandLineParser", "Unexpected value after '%1'.")
            .arg(input.switchWithValue));
  }
  // Unknown options in the order given: what the parser did not know (but the "--" that ends the
  // options, which it keeps there too), and what it took for an argument although it came before
  // "--" and starts with a dash ("-5", "---x").
  std::vector<std::string> unknownArgs;
  for (const std::string& extra : parser.remaining()) {
    if (extra != "--") unknownArgs.push_back(extra);
  }
  for (std::size_t i = 0; i + input.afterOptions < positional.size(); ++i) {
    if (positional[i].size() >= 2 && positional[i][0] == '-') unknownArgs.push_back(positional[i]);
  }
  QStringList unknown;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const auto found =
        std::find(unknownArgs.begin(), unknownArgs.end(), arguments[i].toStdString());
    if (found == unknownArgs.end()) continue;
    unknown << OptionName(*found);
    unknownArgs.erase(found);
  }
  if (unknown.size() == 1) {
    return usageError(
        QCoreApplication::translate("QCommandLineParser", "Unknown option '%1'.").arg(unknown[0]));
  }
  if (unknown.size() > 1) {
    return usageError(QCoreApplication::translate("QCommandLineParser", "Unknown options: %1.")
                          .arg(unknown.join(QStringLiteral(", "))));
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
  options.reportStation = value("--station");
  options.reportFrom = value("--from");
  options.reportTo = value("--to");
  options.archivePath = value("--archive");
  return std::nullopt;
}
