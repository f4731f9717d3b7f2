// Finding, opening and remembering the program's modules.
#include "window_base/ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

namespace {

struct Modules {
  std::mutex mutex;
  std::map<std::string, ModuleEntry> builtIn;
  std::map<std::string, void*> loaded;
};

Modules& TheModules() {
  static Modules modules;
  return modules;
}

std::runtime_error LoadError(const QString& text) {
  return std::runtime_error(text.toStdString());
}

}  // namespace

QStringList ModuleFolders() {
  const QString chosen = qEnvironmentVariable("VELMORANTE_MODULE_DIR");
  if (!chosen.isEmpty()) return {chosen};
  QStringList folders;
  if (QCoreApplication::instance()) folders << QCoreApplication::applicationDirPath();
  folders << QStringLiteral(VELMORANTE_MODULE_INSTALL_DIR);
  return folders;
}

void RegisterBuiltInModule(const char* name, ModuleEntry entry) {
  Modules& modules = TheModules();
  const std::lock_guard lock(modules.mutex);
  modules.builtIn[name] = entry;
}

void* LoadModule(const char* name, const char* entrySymbol) {
  Modules& modules = TheModules();
  const std::lock_guard lock(modules.mutex);
  if (auto found = modules.loaded.find(name); found != modules.loaded.end()) return found->second;
  if (auto builtIn = modules.builtIn.find(name); builtIn != modules.builtIn.end()) {
    return modules.loaded[name] = builtIn->second();
  }

  const QString fileName = QString::fromLatin1(name) + QStringLiteral(".so");
  const QStringList folders = ModuleFolders();
  QString path;
  for (const QString& folder : folders) {
    const QString candidate = QDir(folder).filePath(fileName);
    if (QFileInfo::exists(candidate)) {
      path = candidate;
      break;
    }
  }
  if (path.isEmpty()) {
    throw LoadError(QStringLiteral("No se pudo cargar el módulo %1 del programa: no está en %2")
                        .arg(fileName, folders.join(QStringLiteral(" ni en "))));
  }
  // The library stays loaded for the rest of the run: its objects are in use.
  QLibrary library(path);
  if (!library.load()) {
    throw LoadError(QStringLiteral("No se pudo cargar el módulo %1 del programa: %2")
                        .arg(path, library.errorString()));
  }
  const auto entry = reinterpret_cast<ModuleEntry>(library.resolve(entrySymbol));
  void* object = entry ? entry() : nullptr;
  if (!object) {
    throw LoadError(
        QStringLiteral("No se pudo cargar el módulo %1 del programa: no es un módulo de esta "
                       "versión (le falta %2)")
            .arg(path, QString::fromLatin1(entrySymbol)));
  }
  return modules.loaded[name] = object;
}
