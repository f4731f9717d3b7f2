#include "cli/Translate.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace cli {

namespace {

// VELMORANTE_LOCALEDIR when set; else the catalogues a build tree compiles beside its programs
// (build/packaging/locale, next to build/cli and build/sim); else the system's folder.
std::string CatalogueFolder() {
  const char* chosen = std::getenv("VELMORANTE_LOCALEDIR");
  if (chosen && *chosen) return chosen;
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path built = program.parent_path().parent_path() / "packaging/locale";
    if (std::filesystem::is_directory(built, error)) return built.string();
  }
  return VELMORANTE_LOCALEDIR;
}

}  // namespace

void SetUpMessageLanguage() {
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
  bindtextdomain("velmorante", CatalogueFolder().c_str());
  bind_textdomain_codeset("velmorante", "UTF-8");
  textdomain("velmorante");
}

std::string FormatList(const char* pattern, std::initializer_list<std::string> values) {
  std::string text;
  auto next = values.begin();
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '%' && p[1] == 's' && next != values.end()) {
      text += *next++;
      ++p;
    } else {
      text += *p;
    }
  }
  return text;
}

}  // namespace cli
