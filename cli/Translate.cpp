#include "cli/Translate.h"

#include <clocale>
#include <cstdlib>

namespace cli {

void SetUpMessageLanguage() {
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
  // A catalogue beside a build tree is found through VELMORANTE_LOCALEDIR; an installed program
  // uses the system's folder.
  const char* folder = std::getenv("VELMORANTE_LOCALEDIR");
  bindtextdomain("velmorante", folder && *folder ? folder : VELMORANTE_LOCALEDIR);
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
