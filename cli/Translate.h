// Messages of the command-line programs in the user's language. Source texts are English; the
// "velmorante" gettext catalogue, chosen by LANGUAGE / LC_ALL / LC_MESSAGES / LANG, translates
// them. Mark every message a person reads with _("..."); numbers and names go in through Format().
#pragma once

#include <libintl.h>

#include <initializer_list>
#include <string>

#define _(text) ::gettext(text)
// Marks a text for the catalogue where it is defined; translate it with _() where it is used.
#define N_(text) text

namespace cli {

// Selects the user's locale for messages and binds the catalogue. Call once at the start of
// main(). Numbers keep the "C" conventions so that machine output (JSON, CSV) never changes with
// the language.
void SetUpMessageLanguage();

// `pattern` with each "%s" replaced, in order, by the next of `values`.
std::string FormatList(const char* pattern, std::initializer_list<std::string> values);

template <typename... Values>
std::string Format(const char* pattern, const Values&... values) {
  return FormatList(pattern, {std::string(values)...});
}

}  // namespace cli
